#ifndef CSVWRITER_H
#define CSVWRITER_H

#include "rowview.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVariant>
#include <QVector>

#include <initializer_list>

class QIODevice;
class QTextCodec;

// Writes the lines of the three export files to a device, so that tests can
// check the exact bytes in memory and force write failures.
//
// Text goes through a QTextStream with its default (local) codec; a device
// opened in text mode turns "\n" into the platform's line end. A character
// the local code page cannot hold is written as "<U+XXXX>" and counted. A field that
// holds a comma, a double quote or a line break is quoted the RFC 4180 way;
// every other field is written as it stands. Texts that come from the station
// (times, model names, log messages) go through textField() instead, so that
// a spreadsheet never takes them for a formula or splits them at a ';' or tab.
class CsvWriter
{
public:
    explicit CsvWriter(QIODevice* device);
    ~CsvWriter();
    Q_DISABLE_COPY(CsvWriter)

    // fields joined by ","; trailingComma adds one more "," at the end.
    void writeLine(std::initializer_list<QString> fields, bool trailingComma = false);
    // fields joined by ","; the first stationTexts of them are texts from
    // the station (as textField() writes them), the others field()s.
    void writeRow(const QStringList& fields, int stationTexts);
    // A line written verbatim (the title lines).
    void writeText(const QString& line);
    // False once the stream or the device reported a write error.
    bool ok();
    QString errorString() const;
    // Characters the device's code page cannot hold, written as "<U+XXXX>".
    int replacedCharacters() const { return m_Replaced; }

    // Record files: the header lines and one data line per row, numbered from
    // 1. A row's values come in the order of productionColumns() or
    // logColumns(), the columns of the table they are read from.
    static const QStringList& productionColumns();
    static const QStringList& logColumns();
    // How every line ends: CR LF on Windows, LF elsewhere. A line feed inside
    // a quoted field stays as it was.
    static QLatin1String lineEnd();
    void writeProductionHeader(const QString& title);
    // With a last column "工位"; the rows then bring the station as a seventh value.
    void writeProductionHeaderWithStation(const QString& title);
    void writeProductionRow(int number, const QVector<QVariant>& values);
    // The same line from a row read in place (values in productionColumns()
    // order), built as UTF-8 bytes without Qt strings where the stream's
    // codec is UTF-8 (writesBytes()); the bytes are those of the line above.
    void writeProductionRow(int number, const RowView& row);
    bool writesBytes() const { return m_bUtf8; }
    void writeProductionFooter(int total, const QString& user, const QDateTime& now);
    void writeLogHeader(const QString& title);
    void writeLogRow(int number, const QVector<QVariant>& values);
    void writeLogFooter(int total, const QString& user, const QDateTime& now);

    // The statistics block; start and end are the range's own date-times. A
    // station (one station of the plant server) is named in its title line.
    void writeCounts(const QDateTime& start, const QDateTime& end, const QMap<QString, int>& counts,
        const QDateTime& now, const QString& station = QString());

    // "工位: NAME" in the window's language: how the outputs name the one
    // station of the plant server they show.
    static QString stationLabel(const QString& station);
    static QString field(const QString& text);
    // A text stored by the station: one that begins with a tab or a CR, or
    // whose first character other than a blank is '=', '+', '-' or '@', gets
    // a leading "'" and is quoted, so that a spreadsheet
    // shows it as text instead of evaluating it; one holding a ';' or a tab is
    // quoted as well (a spreadsheet may split on them). Everything else is
    // field(text).
    static QString textField(const QString& text);
    // QString::number(value, 'f', 3), through NumberText (same bytes).
    static QString fixed3(double value);
    // Similarity as a percentage; infinity counts as 0.
    static QString percent(double correlate);

private:
    // fields joined by ",", each through make (as they are when null).
    void writeFields(
        std::initializer_list<QString> fields, bool trailingComma, QString (*make)(const QString&));
    // Append to the line being built: a station text as textField() writes it, a
    // number as fixed3() writes it.
    void appendField(const QString& text);
    void appendFixed3(double value);
    // The byte line's counterparts.
    void appendFieldBytes(const RowView& row, int i);
    void appendFixed3Bytes(double value);
    static double toDouble(const RowView& row, int i);
    // A line through the stream, with the characters its codec cannot hold
    // replaced by their code points.
    void streamLine(const QString& line);
    // Writes the byte lines collected so far to the device, after what the
    // stream holds, so that both kinds of lines keep their order.
    void flushBytes();

    QIODevice* m_pDevice;
    QTextStream m_Stream;
    QString m_Line; // reused, so a line costs no allocation of its own
    QTextCodec* m_pCodec;
    bool m_bUtf8;
    QByteArray m_Bytes; // byte lines not yet written
    bool m_bBytesFailed = false;
    int m_Replaced = 0;
};

#endif // CSVWRITER_H
