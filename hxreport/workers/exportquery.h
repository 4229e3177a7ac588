#ifndef EXPORTQUERY_H
#define EXPORTQUERY_H

#include "boundstatement.h"
#include "rangequery.h"

#include <QString>
#include <QStringList>

// The rows of a record export, read in bounded chunks.
//
// One statement over every record of a long range would hold SQLite's read
// lock for as long as the export runs, and in the station's rollback-journal
// mode the station cannot commit meanwhile. Each chunk continues after the
// (time, uid) of the last row read: the time index orders equal times by row
// id, so the rows and their order are those of the single statement, and a row
// can neither repeat nor be skipped. QSaveCSVThread bounds the rows by the
// last key present when it starts, so rows the station adds meanwhile are
// left out.
//
// Only the columns the file needs are read, so thumbnails are not copied.
class ExportQuery
{
public:
    ExportQuery() = default; // invalid: the export runs its one statement

    // Production records with time1 < time < time2, of one model unless model
    // is empty; oldest first.
    static ExportQuery production(const QString& time1, const QString& time2, const QString& model);
    // Log records of one class with time1 < time < time2; newest first.
    static ExportQuery log(const QString& time1, const QString& time2, LogClass logClass);

    // The records of one station only (on the plant server); empty for all.
    ExportQuery atStation(const QString& station) const;
    // The station the rows are of; empty for every station.
    QString station() const { return m_Range.station(); }
    // The same rows with one more column read.
    ExportQuery withColumn(const QString& column) const;
    // The same rows in the statements of that engine.
    ExportQuery inDialect(SqlDialect dialect) const;
    // The rows whose key is at most lastKey (RangeQuery::upToKey).
    ExportQuery upToKey(qint64 lastKey) const;
    BoundStatement lastKeyStatement() const { return m_Range.lastKeyStatement(); }
    BoundStatement countStatement() const { return m_Range.countStatement(); }
    // Every row in one statement, in the chunks' order.
    BoundStatement allRowsStatement() const { return m_Range.allRows(m_Columns); }

    bool isValid() const { return m_Range.isValid(); }
    // Log records come newest first.
    bool isNewestFirst() const { return m_Range.isNewestFirst(); }
    // The column that continues the chunks.
    QString keyColumn() const { return m_Range.keyColumn(); }
    // The columns each chunk's rows bring: the key, the time, then the file's.
    const QStringList& columns() const { return m_Columns; }
    // The first chunk, or the chunk after the row (lastTime, lastUid).
    BoundStatement firstStatement(int limit) const;
    BoundStatement nextStatement(const QString& lastTime, qint64 lastUid, int limit) const;
    // The same as text with the values written in (query plans, messages).
    QString firstChunk(int limit) const { return firstStatement(limit).inlined(); }
    QString nextChunk(const QString& lastTime, qint64 lastUid, int limit) const
    {
        return nextStatement(lastTime, lastUid, limit).inlined();
    }

private:
    RangeQuery m_Range;
    QStringList m_Columns;
};

#endif // EXPORTQUERY_H
