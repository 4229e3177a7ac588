#include "optionfile.h"

#include <QFile>
#include <QFileInfo>

namespace {
// Drops a '#' comment that is not inside quotes (a backslash in quotes
// protects the next character), as the server's client does.
QString withoutComment(const QString& line)
{
    QChar quote;
    bool escape = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if ((c == QLatin1Char('\'') || c == QLatin1Char('"')) && !escape) {
            if (quote.isNull())
                quote = c;
            else if (quote == c)
                quote = QChar();
        }
        if (quote.isNull() && c == QLatin1Char('#'))
            return line.left(i);
        escape = !quote.isNull() && c == QLatin1Char('\\') && !escape;
    }
    return line;
}

// A value without its quotes and with the client's escapes (\n \t \r \b \s
// \\ \" \'; any other backslash stays).
QString unescaped(QString value)
{
    if (value.size() >= 2
        && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            || (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
        value = value.mid(1, value.size() - 2);
    QString result;
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            result += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 'n':
            result += QLatin1Char('\n');
            break;
        case 't':
            result += QLatin1Char('\t');
            break;
        case 'r':
            result += QLatin1Char('\r');
            break;
        case 'b':
            result += QLatin1Char('\b');
            break;
        case 's':
            result += QLatin1Char(' ');
            break;
        case '\\':
        case '"':
        case '\'':
            result += next;
            break;
        default:
            result += QLatin1Char('\\');
            result += next;
        }
    }
    return result;
}
}

bool OptionFile::read(const QString& path, QMap<QString, QString>* values, QString* why,
    const QString& ownGroup, QString* warning)
{
#ifndef Q_OS_WIN
    // Where anyone else may write the file, anyone may set the password and
    // server it is used for; the server's own client ignores such a file.
    // (On Windows the file's rights are ACLs that these bits do not show.)
    const QFileDevice::Permissions mode = QFileInfo(path).permissions();
    if (mode & (QFileDevice::WriteGroup | QFileDevice::WriteOther)) {
        *why = QStringLiteral("the option file %1 is writable by others than its owner: refused "
                              "(chmod 600 %1)")
                   .arg(path);
        return false;
    }
    if (warning && (mode & (QFileDevice::ReadGroup | QFileDevice::ReadOther)))
        *warning = QStringLiteral("the option file %1 is readable by others than its owner (chmod 600 %1)")
                       .arg(path);
#else
    Q_UNUSED(warning)
#endif
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("the option file %1 cannot be read: %2").arg(path, file.errorString());
        return false;
    }
    values->clear();
    QMap<QString, QString> client;
    QMap<QString, QString> own;
    QMap<QString, QString>* group = nullptr;
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        line = withoutComment(line).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            group = name == QLatin1String("client") ? &client : name == ownGroup ? &own : nullptr;
            continue;
        }
        if (!group || line.isEmpty())
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        QString key
            = (equals < 0 ? line : line.left(equals)).trimmed().replace(QLatin1Char('_'), QLatin1Char('-'));
        const QString value = equals < 0 ? QString() : unescaped(line.mid(equals + 1).trimmed());
        group->insert(key, value);
    }
    for (const QMap<QString, QString>* source : { &client, &own })
        for (auto it = source->cbegin(); it != source->cend(); ++it)
            values->insert(it.key(), it.value());
    return true;
}
