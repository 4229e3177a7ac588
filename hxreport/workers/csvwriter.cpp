#include "csvwriter.h"

#include "stationschema.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QVariant>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
// Entries kept per cache before it starts again; bounds the memory of an
// export over values that never repeat.
const int kCacheLimit = 1 << 16;

const QString& cached(QHash<quint64, QString>& cache, double value, QString (*format)(double))
{
    quint64 key;
    std::memcpy(&key, &value, sizeof key);
    auto it = cache.find(key);
    if (it == cache.end()) {
        if (cache.size() >= kCacheLimit)
            cache.clear();
        it = cache.insert(key, format(value));
    }
    return it.value();
}

// The statistics file's words go through the interface translation; the
// record files' words are written as they stand.
QString trWindow(const char* text)
{
    return QCoreApplication::translate("hxReport", text);
}
}

CsvWriter::CsvWriter(QIODevice* device)
    : m_pDevice(device)
    , m_Stream(device)
{
}

QString CsvWriter::field(const QString& text)
{
    const auto special = [](QChar c) {
        return c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\n')
            || c == QLatin1Char('\r');
    };
    if (std::none_of(text.cbegin(), text.cend(), special))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvWriter::textField(const QString& text)
{
    if (text.isEmpty())
        return text;
    const QChar first = text.at(0);
    const bool formula = first == QLatin1Char('=') || first == QLatin1Char('+') || first == QLatin1Char('-')
        || first == QLatin1Char('@') || first == QLatin1Char('\t') || first == QLatin1Char('\r');
    const bool separator = text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('\t'));
    if (!formula && !separator)
        return field(text);
    QString quoted = formula ? QLatin1Char('\'') + text : text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvWriter::fixed3(double value)
{
    return QString::number(value, 'f', 3);
}

QString CsvWriter::percent(double correlate)
{
    if (correlate >= std::numeric_limits<double>::max())
        correlate = 0;
    return fixed3(correlate * 100) + QLatin1Char('%');
}

template <typename Map>
void CsvWriter::writeMapped(std::initializer_list<QString> fields, bool trailingComma, Map map)
{
    m_Line.resize(0); // keeps the capacity, unlike clear()
    bool first = true;
    for (const QString& text : fields) {
        if (!first)
            m_Line += QLatin1Char(',');
        m_Line += map(text);
        first = false;
    }
    if (trailingComma)
        m_Line += QLatin1Char(',');
    m_Line += QLatin1Char('\n');
    m_Stream << m_Line;
}

void CsvWriter::writeLine(std::initializer_list<QString> fields, bool trailingComma)
{
    writeMapped(fields, trailingComma, &CsvWriter::field);
}

void CsvWriter::writeFields(std::initializer_list<QString> fields, bool trailingComma)
{
    writeMapped(fields, trailingComma, [](const QString& made) -> const QString& { return made; });
}

void CsvWriter::writeText(const QString& line)
{
    m_Stream << line << '\n';
}

bool CsvWriter::ok()
{
    m_Stream.flush();
    return m_Stream.status() == QTextStream::Ok;
}

QString CsvWriter::errorString() const
{
    return m_pDevice ? m_pDevice->errorString() : QString();
}

void CsvWriter::writeProductionHeader(const QString& title)
{
    writeText(title);
    writeLine({ QStringLiteral("序号"), QStringLiteral("时间"), QStringLiteral("匹配型号"),
        QStringLiteral("相似度"), QStringLiteral("消耗时间"), QStringLiteral("直径"),
        QStringLiteral("厚度") });
}

const QStringList& CsvWriter::productionColumns()
{
    return StationSchema::productionExportColumns();
}

const QStringList& CsvWriter::logColumns()
{
    return StationSchema::logExportColumns();
}

const QString& CsvWriter::cachedFixed3(double value)
{
    return cached(m_Fixed3, value, &CsvWriter::fixed3);
}

const QString& CsvWriter::cachedPercent(double correlate)
{
    return cached(m_Percent, correlate, &CsvWriter::percent);
}

void CsvWriter::writeProductionRow(int number, const QVector<QVariant>& values)
{
    writeFields(
        { QString::number(number), textField(values.at(0).toString()), textField(values.at(1).toString()),
            cachedPercent(values.at(2).toDouble()), cachedFixed3(values.at(3).toDouble()),
            cachedFixed3(values.at(4).toDouble()), cachedFixed3(values.at(5).toDouble()) });
}

void CsvWriter::writeProductionFooter(int total, const QString& user, const QDateTime& now)
{
    writeLine({ QStringLiteral("总数"), QString::number(total) });
    writeLine({ QStringLiteral("时间:"), now.toString(QStringLiteral("yyyy-MM-dd")),
        now.toString(QStringLiteral("hh:mm:ss")) });
    writeLine({ QStringLiteral("用户:"), user }, true);
}

void CsvWriter::writeLogHeader(const QString& title)
{
    writeText(title);
    writeLine({ QStringLiteral("序号"), QStringLiteral("时间"), QStringLiteral("信息") });
}

void CsvWriter::writeLogRow(int number, const QVector<QVariant>& values)
{
    writeFields(
        { QString::number(number), textField(values.at(0).toString()), textField(values.at(1).toString()) },
        true);
}

void CsvWriter::writeLogFooter(int total, const QString& user, const QDateTime& now)
{
    writeLine({ QStringLiteral("总数"), QString::number(total) });
    writeLine({ QStringLiteral("保存时间:"), now.toString(QStringLiteral("yyyy-MM-dd")),
        now.toString(QStringLiteral("hh:mm:ss")) });
    writeLine({ QStringLiteral("用户:"), user }, true);
}

void CsvWriter::writeCounts(
    const QDateTime& start, const QDateTime& end, const QMap<QString, int>& counts, const QDateTime& now)
{
    const QString rangeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    writeText(trWindow(QT_TRANSLATE_NOOP("hxReport", "从%1到%2统计的数据如下"))
                  .arg(start.toString(rangeFormat), end.toString(rangeFormat)));
    writeLine({ trWindow(QT_TRANSLATE_NOOP("hxReport", "序号")),
        trWindow(QT_TRANSLATE_NOOP("hxReport", "型号")), trWindow(QT_TRANSLATE_NOOP("hxReport", "数量")) });
    int number = 0;
    int sum = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        writeFields({ QString::number(++number), textField(it.key()), QString::number(it.value()) }, true);
        sum += it.value();
    }
    if (!counts.contains(QStringLiteral("NG")))
        writeLine({ QString::number(++number), QStringLiteral("NG"), QStringLiteral("0") });
    writeLine(
        { QString::number(++number), trWindow(QT_TRANSLATE_NOOP("hxReport", "总数")), QString::number(sum) });
    writeLine({ trWindow(QT_TRANSLATE_NOOP("hxReport", "时间:")), now.toString(QStringLiteral("yyyy-MM-dd")),
        now.toString(QStringLiteral("hh:mm:ss")) });
    writeLine({ trWindow(QT_TRANSLATE_NOOP("hxReport", "用户:")), QStringLiteral("username") }, true);
}
