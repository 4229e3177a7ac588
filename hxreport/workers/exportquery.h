#ifndef EXPORTQUERY_H
#define EXPORTQUERY_H

#include <QString>

// The rows of a record export, read in bounded chunks.
//
// One statement over every record of a long range would hold SQLite's read
// lock for as long as the export runs, and in the station's rollback-journal
// mode the station cannot commit meanwhile. Each chunk continues after the
// (time, uid) of the last row read: the time index orders equal times by row
// id, so the rows and their order are those of the single statement, and a row
// can neither repeat nor be skipped. Rows the station adds while the export
// runs may or may not be included.
//
// Only the columns the file needs are read, so thumbnails are not copied.
class ExportQuery
{
public:
    // Production records with time1 < time < time2, of one model unless model
    // is empty; oldest first.
    static ExportQuery production(const QString& time1, const QString& time2, const QString& model);
    // Log records of one class with time1 < time < time2; newest first.
    static ExportQuery log(const QString& time1, const QString& time2, int logClass);

    bool isValid() const { return !m_Table.isEmpty(); }
    // The first chunk, or the chunk after the row (lastTime, lastUid).
    QString firstChunk(int limit) const;
    QString nextChunk(const QString& lastTime, qint64 lastUid, int limit) const;

private:
    QString m_Table;
    QString m_Columns;
    QString m_Time1;
    QString m_Time2;
    QString m_Condition; // extra condition, already quoted, without "and"
    bool m_NewestFirst = false;
};

#endif // EXPORTQUERY_H
