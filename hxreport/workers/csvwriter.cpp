#include "csvwriter.h"

#include "numbertext.h"
#include "stationschema.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QTextCodec>
#include <QVariant>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace {

// Lines end as the platform's text files do (CR LF on Windows). Written here
// rather than by the device's text mode, which would also turn a line feed
// inside a quoted field into CR LF, and so change the value a reader gets.
#ifdef Q_OS_WIN
const char LineEnd[] = "\r\n";
#else
const char LineEnd[] = "\n";
#endif
const int BytesBlock = 1 << 16;
const int UtfEightMib = 106;

bool isAscii(const QByteArray& bytes)
{
    return std::all_of(
        bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isAscii(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

// "-?digits(.digits)?": a text that every correctly rounding reader turns into
// the same double, so std::from_chars gives QString::toDouble's value.
bool isPlainDecimal(const QByteArray& text)
{
    const char* p = text.constBegin();
    const char* end = text.constEnd();
    if (text.size() > 40)
        return false;
    if (p != end && *p == '-')
        ++p;
    const char* digits = p;
    while (p != end && *p >= '0' && *p <= '9')
        ++p;
    if (p == digits)
        return false;
    if (p == end)
        return true;
    if (*p++ != '.')
        return false;
    const char* decimals = p;
    while (p != end && *p >= '0' && *p <= '9')
        ++p;
    return p == end && p != decimals;
}

// A text a spreadsheet would take for a formula (see CsvWriter::textField):
// one that starts with a tab or CR, or whose first character other than a
// blank starts a formula. A spreadsheet that trims blanks on import would
// otherwise evaluate " =1+1".
bool formulaCharacter(ushort c)
{
    return c == '=' || c == '+' || c == '-' || c == '@';
}

bool startsFormula(const QString& text)
{
    if (text.isEmpty())
        return false;
    if (text.at(0) == QLatin1Char('\t') || text.at(0) == QLatin1Char('\r'))
        return true;
    for (const QChar c : text) {
        if (!c.isSpace())
            return formulaCharacter(c.unicode());
    }
    return false;
}

// The same for ASCII bytes.
bool startsFormula(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return false;
    if (bytes.at(0) == '\t' || bytes.at(0) == '\r')
        return true;
    for (const char c : bytes) {
        if (!(c == ' ' || (c >= '\t' && c <= '\r')))
            return formulaCharacter(uchar(c));
    }
    return false;
}

// The one guard for texts from the station (see CsvWriter::textField), for
// Qt strings and for the byte lines alike: such a text is quoted when a
// spreadsheet would split it or take it for a formula, a formula's text
// after a leading "'".
bool splits(QChar c)
{
    return c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\n') || c == QLatin1Char('\r')
        || c == QLatin1Char(';') || c == QLatin1Char('\t');
}

bool splits(char c)
{
    return c == ',' || c == '"' || c == '\n' || c == '\r' || c == ';' || c == '\t';
}

template <typename Text> bool needsQuotes(const Text& text, bool formula)
{
    return formula || std::any_of(text.cbegin(), text.cend(), [](auto c) { return splits(c); });
}

bool isQuote(QChar c)
{
    return c == QLatin1Char('"');
}

bool isQuote(char c)
{
    return c == '"';
}

void appendAscii(QString* out, char c)
{
    *out += QLatin1Char(c);
}

void appendAscii(QByteArray* out, char c)
{
    *out += c;
}

template <typename Text, typename Out> void appendGuarded(Out* out, const Text& text, bool formula)
{
    if (!needsQuotes(text, formula)) {
        *out += text;
        return;
    }
    appendAscii(out, '"');
    if (formula)
        appendAscii(out, '\'');
    for (const auto c : text) {
        if (isQuote(c))
            appendAscii(out, '"');
        *out += c;
    }
    appendAscii(out, '"');
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
    , m_pCodec(m_Stream.codec())
    , m_bUtf8(m_pCodec && m_pCodec->mibEnum() == UtfEightMib)
{
    if (m_pDevice)
        m_pDevice->setTextModeEnabled(false);
}

CsvWriter::~CsvWriter()
{
    flushBytes();
}

void CsvWriter::flushBytes()
{
    if (m_Bytes.isEmpty())
        return;
    m_Stream.flush();
    if (!m_pDevice || m_pDevice->write(m_Bytes) != m_Bytes.size())
        m_bBytesFailed = true;
    m_Bytes.resize(0);
}

QString CsvWriter::stationLabel(const QString& station)
{
    return trWindow(QT_TRANSLATE_NOOP("hxReport", "工位: %1")).arg(station);
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
    const bool formula = startsFormula(text);
    if (!needsQuotes(text, formula))
        return text;
    QString quoted;
    quoted.reserve(text.size() + 3);
    appendGuarded(&quoted, text, formula);
    return quoted;
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
    writeFields(fields, trailingComma, &CsvWriter::field);
}

void CsvWriter::writeRow(const QStringList& fields, int stationTexts)
{
    m_Line.resize(0);
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            m_Line += QLatin1Char(',');
        if (i < stationTexts)
            appendField(fields.at(i));
        else
            m_Line += field(fields.at(i));
    }
    m_Line += QLatin1String(LineEnd);
    flushBytes();
    streamLine(m_Line);
}

void CsvWriter::writeFields(
    std::initializer_list<QString> fields, bool trailingComma, QString (*make)(const QString&))
{
    m_Line.resize(0); // keeps the capacity, unlike clear()
    bool first = true;
    for (const QString& text : fields) {
        if (!first)
            m_Line += QLatin1Char(',');
        m_Line += make ? make(text) : text;
        first = false;
    }
    if (trailingComma)
        m_Line += QLatin1Char(',');
    m_Line += QLatin1String(LineEnd);
    flushBytes();
    streamLine(m_Line);
}

void CsvWriter::writeText(const QString& line)
{
    flushBytes();
    streamLine(line + QLatin1String(LineEnd));
}

void CsvWriter::streamLine(const QString& line)
{
    // A system code page (Windows' ANSI code page) cannot hold every
    // character a station may store; its converter would put a '?' or a
    // look-alike in their place without a word. Such a character is written
    // as "<U+XXXX>" instead, and counted, so nothing is lost unseen.
    if (m_bUtf8 || !m_pCodec || isAscii(line)) {
        m_Stream << line;
        return;
    }
    if (m_pCodec->toUnicode(m_pCodec->fromUnicode(line)) == line) {
        m_Stream << line;
        return;
    }
    QString kept;
    kept.reserve(line.size() + 16);
    for (int i = 0; i < line.size(); ++i) {
        const int length
            = line.at(i).isHighSurrogate() && i + 1 < line.size() && line.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QString character = line.mid(i, length);
        if (character.at(0).unicode() < 0x80
            || m_pCodec->toUnicode(m_pCodec->fromUnicode(character)) == character) {
            kept += character;
        } else {
            kept += QStringLiteral("<U+%1>")
                        .arg(character.toUcs4().value(0), 4, 16, QLatin1Char('0'))
                        .toUpper();
            ++m_Replaced;
        }
        i += length - 1;
    }
    m_Stream << kept;
}

bool CsvWriter::ok()
{
    flushBytes();
    m_Stream.flush();
    return m_Stream.status() == QTextStream::Ok && !m_bBytesFailed;
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

void CsvWriter::writeProductionHeaderWithStation(const QString& title)
{
    writeText(title);
    writeLine({ QStringLiteral("序号"), QStringLiteral("时间"), QStringLiteral("匹配型号"),
        QStringLiteral("相似度"), QStringLiteral("消耗时间"), QStringLiteral("直径"), QStringLiteral("厚度"),
        QStringLiteral("工位") });
}

QLatin1String CsvWriter::lineEnd()
{
    return QLatin1String(LineEnd);
}

const QStringList& CsvWriter::productionColumns()
{
    return StationSchema::productionExportColumns();
}

const QStringList& CsvWriter::logColumns()
{
    return StationSchema::logExportColumns();
}

void CsvWriter::appendField(const QString& text)
{
    appendGuarded(&m_Line, text, startsFormula(text));
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
    if (values.size() > 6) {
        m_Line += QLatin1Char(',');
        appendField(values.at(6).toString());
    }
    m_Line += QLatin1String(LineEnd);
    flushBytes();
    streamLine(m_Line);
}

void CsvWriter::appendFieldBytes(const RowView& row, int i)
{
    QByteArray bytes;
    bool formula = false;
    if (row.type(i) == RowView::Type::Text && isAscii(row.bytes(i))) {
        bytes = row.bytes(i);
        formula = startsFormula(bytes);
    } else {
        // Other than ASCII, through Qt's conversions as the stream would.
        const QString text = row.variant(i).toString();
        bytes = m_pCodec->fromUnicode(text);
        formula = startsFormula(text);
    }
    appendGuarded(&m_Bytes, bytes, formula);
}

void CsvWriter::appendFixed3Bytes(double value)
{
    char text[NumberText::Fixed3Capacity];
    m_Bytes.append(text, NumberText::fixed3(value, text));
}

double CsvWriter::toDouble(const RowView& row, int i)
{
    switch (row.type(i)) {
    case RowView::Type::Integer:
        return double(row.integer(i));
    case RowView::Type::Real:
        return row.real(i);
    case RowView::Type::Null:
    case RowView::Type::Missing:
        return 0;
    case RowView::Type::Text: {
        const QByteArray text = row.bytes(i);
        double value = 0;
        if (isPlainDecimal(text)
            && std::from_chars(text.constBegin(), text.constEnd(), value).ec == std::errc())
            return value;
        return row.variant(i).toDouble();
    }
    default:
        return row.variant(i).toDouble();
    }
}

void CsvWriter::writeProductionRow(int number, const RowView& row)
{
    if (!m_bUtf8) {
        QVector<QVariant> values(6);
        for (int i = 0; i < 6; ++i)
            values[i] = row.variant(i);
        writeProductionRow(number, values);
        return;
    }
    char text[NumberText::Fixed3Capacity];
    m_Bytes.append(text, NumberText::integer(number, text));
    m_Bytes += ',';
    appendFieldBytes(row, 0);
    m_Bytes += ',';
    appendFieldBytes(row, 1);
    m_Bytes += ',';
    double correlate = toDouble(row, 2);
    if (correlate >= std::numeric_limits<double>::max())
        correlate = 0;
    appendFixed3Bytes(correlate * 100);
    m_Bytes += '%';
    for (int i = 3; i < 6; ++i) {
        m_Bytes += ',';
        appendFixed3Bytes(toDouble(row, i));
    }
    m_Bytes += LineEnd;
    if (m_Bytes.size() >= BytesBlock)
        flushBytes();
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
        true, nullptr);
}

void CsvWriter::writeLogFooter(int total, const QString& user, const QDateTime& now)
{
    writeLine({ QStringLiteral("总数"), QString::number(total) });
    writeLine({ QStringLiteral("保存时间:"), now.toString(QStringLiteral("yyyy-MM-dd")),
        now.toString(QStringLiteral("hh:mm:ss")) });
    writeLine({ QStringLiteral("用户:"), user }, true);
}

void CsvWriter::writeCounts(const QDateTime& start, const QDateTime& end, const QMap<QString, int>& counts,
    const QDateTime& now, const QString& station)
{
    const QString rangeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    const QString title = trWindow(QT_TRANSLATE_NOOP("hxReport", "从%1到%2统计的数据如下"))
                              .arg(start.toString(rangeFormat), end.toString(rangeFormat));
    // The station's name is the archive's text: quoted as a field would be.
    if (station.isEmpty())
        writeText(title);
    else
        writeText(field(title + QLatin1Char(' ') + stationLabel(station)));
    writeLine({ trWindow(QT_TRANSLATE_NOOP("hxReport", "序号")),
        trWindow(QT_TRANSLATE_NOOP("hxReport", "型号")), trWindow(QT_TRANSLATE_NOOP("hxReport", "数量")) });
    int number = 0;
    int sum = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        writeFields(
            { QString::number(++number), textField(it.key()), QString::number(it.value()) }, true, nullptr);
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
