#ifndef CSVWRITER_H
#define CSVWRITER_H

#include <QDateTime>
#include <QMap>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QTextStream>

class QIODevice;

// Writes the lines of the three export files to a device, so that tests can
// check the exact bytes in memory and force write failures.
//
// Text goes through a QTextStream with its default (local) codec; a device
// opened in text mode turns "\n" into the platform's line end. A field that
// holds a comma, a double quote or a line break is quoted the RFC 4180 way;
// every other field is written as it stands.
class CsvWriter
{
public:
    explicit CsvWriter(QIODevice* device);

    // fields joined by ","; trailingComma adds one more "," at the end.
    void writeLine(const QStringList& fields, bool trailingComma = false);
    // A line written verbatim (the title lines).
    void writeText(const QString& line);
    // False once the stream or the device reported a write error.
    bool ok();
    QString errorString() const;

    // Record files: the header lines and one data line per row, numbered from 1.
    void writeProductionHeader(const QString& title);
    void writeProductionRow(int number, const QSqlRecord& row);
    void writeProductionFooter(int total, const QString& user, const QDateTime& now);
    void writeLogHeader(const QString& title);
    void writeLogRow(int number, const QSqlRecord& row);
    void writeLogFooter(int total, const QString& user, const QDateTime& now);

    // The statistics block; start and end are the range's own date-times.
    void writeCounts(const QDateTime& start, const QDateTime& end, const QMap<QString, int>& counts,
                     const QDateTime& now);

    static QString field(const QString& text);
    static QString fixed3(double value);
    // Similarity as a percentage; infinity counts as 0.
    static QString percent(double correlate);

private:
    QIODevice* m_pDevice;
    QTextStream m_Stream;
};

#endif // CSVWRITER_H
