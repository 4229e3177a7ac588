#include "optionfile.h"

#include <QFile>

bool OptionFile::read(const QString& path, QMap<QString, QString>* values, QString* why,
    const QString& ownGroup, QString* warning)
{
    Q_UNUSED(warning)
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
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            group = name == QLatin1String("client") ? &client : name == ownGroup ? &own : nullptr;
            continue;
        }
        if (!group)
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        QString key
            = (equals < 0 ? line : line.left(equals)).trimmed().replace(QLatin1Char('_'), QLatin1Char('-'));
        QString value = equals < 0 ? QString() : line.mid(equals + 1).trimmed();
        if (value.size() >= 2
            && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                || (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
            value = value.mid(1, value.size() - 2);
        group->insert(key, value);
    }
    for (const QMap<QString, QString>* source : { &client, &own })
        for (auto it = source->cbegin(); it != source->cend(); ++it)
            values->insert(it.key(), it.value());
    return true;
}
