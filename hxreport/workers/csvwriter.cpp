#include "csvwriter.h"

#include "numbertext.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QVariant>

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
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

QString CsvWriter::fixed3(double value)
{
    char text[NumberText::Fixed3Capacity];
    return QString::fromLatin1(text, NumberText::fixed3(value, text));
}

QString CsvWriter::percent(double correlate)
{
    if (correlate >= std::numeric_limits<double>::max())
        correlate = 0;
    return fixed3(correlate * 100) + QLatin1Char('%');
}

void CsvWriter::writeLine(std::initializer_list<QString> fields, bool trailingComma)
{
    m_Line.resize(0); // keeps the capacity, unlike clear()
    bool first = true;
    for (const QString& text : fields) {
        if (!first)
            m_Line += QLatin1Char(',');
        m_Line += field(text);
        first = false;
    }
    if (trailingComma)
        m_Line += QLatin1Char(',');
    m_Line += QLatin1Char('\n');
    m_Stream << m_Line;
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
    static const QStringList columns
        = { QStringLiteral("time"), QStringLiteral("model"), QStringLiteral("correlate"),
              QStringLiteral("detecttime"), QStringLiteral("diameter"), QStringLiteral("hight") };
    return columns;
}

const QStringList& CsvWriter::logColumns()
{
    static const QStringList columns = { QStringLiteral("time"), QStringLiteral("message") };
    return columns;
}

void CsvWriter::appendField(const QString& text)
{
    const auto special = [](QChar c) {
        return c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\n')
            || c == QLatin1Char('\r');
    };
    if (std::none_of(text.cbegin(), text.cend(), special))
        m_Line += text;
    else
        m_Line += field(text);
}

void CsvWriter::appendFixed3(double value)
{
    char text[NumberText::Fixed3Capacity];
    m_Line += QLatin1String(text, NumberText::fixed3(value, text));
}

void CsvWriter::writeProductionRow(int number, const QVector<QVariant>& values)
{
    // The line writeLine() makes of the same fields, built in place: the
    // number texts are written straight into the line (NumberText gives
    // QString::number's texts) instead of through a QString each.
    m_Line.resize(0);
    char text[NumberText::Fixed3Capacity];
    m_Line += QLatin1String(text, NumberText::integer(number, text));
    m_Line += QLatin1Char(',');
    appendField(values.at(0).toString());
    m_Line += QLatin1Char(',');
    appendField(values.at(1).toString());
    m_Line += QLatin1Char(',');
    double correlate = values.at(2).toDouble();
    if (correlate >= std::numeric_limits<double>::max())
        correlate = 0;
    appendFixed3(correlate * 100);
    m_Line += QLatin1Char('%');
    for (int i = 3; i < 6; ++i) {
        m_Line += QLatin1Char(',');
        appendFixed3(values.at(i).toDouble());
    }
    m_Line += QLatin1Char('\n');
    m_Stream << m_Line;
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
    writeLine({ QString::number(number), values.at(0).toString(), values.at(1).toString() }, true);
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
        writeLine({ QString::number(++number), it.key(), QString::number(it.value()) }, true);
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
