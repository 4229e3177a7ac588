#ifndef RANGEQUERY_H
#define RANGEQUERY_H

#include "boundstatement.h"
#include "sqldialect.h"
#include "stationschema.h"

#include <QMetaType>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

// The records of one table in a time range, of one model or all models (the
// production records) or of one class (the log records), and the statements
// over them: the count, a page, the per-model grouping and the chunks of an
// export. Every value is bound, none is written into the statement text.
//
// The pages describe what they show; the worker that runs the statements
// sets the dialect of its database, so that no page knows which engine
// answers. A station condition applies on the plant server only.
//
// A query also carries the page a page shows of it (limit rows from offset),
// so that one value goes from the page to whichever engine answers it.
//
// The range excludes its upper end; its lower end is excluded too, except in
// the slices TimeSlicer makes after the first, which start at a time that
// belongs to them.
// What a range holds.
enum class RecordKind
{
    Production, // detection records, of one model or all
    Log, // log records of one class
};

class RangeQuery
{
public:
    RangeQuery() = default; // invalid: no table

    // Production records with time1 < time < time2 of one model.
    static RangeQuery production(const QString& time1, const QString& time2, const QString& model);
    // Production records with time1 < time < time2 of every model.
    static RangeQuery allModels(const QString& time1, const QString& time2);
    // Log records of one class with time1 < time < time2; newest first. The
    // window asks for LogClass::None when no class is chosen.
    static RangeQuery log(const QString& time1, const QString& time2, LogClass logClass);

    // The records of one station only; empty for every station.
    RangeQuery atStation(const QString& station) const;
    // Only the records whose key is at most lastKey: those present when an
    // export began, whatever the station adds meanwhile.
    RangeQuery upToKey(qint64 lastKey) const;
    // One row: the largest key of the table, NULL when it is empty.
    BoundStatement lastKeyStatement() const;
    // The same records in the statements of that engine.
    RangeQuery inDialect(SqlDialect dialect) const;
    // The same records with the page shown of them: limit rows from offset.
    RangeQuery page(int limit, int offset) const;

    bool isValid() const { return !m_Table.isEmpty(); }
    RecordKind kind() const { return m_IsLog ? RecordKind::Log : RecordKind::Production; }
    int limit() const { return m_Limit; }
    int offset() const { return m_Offset; }
    bool hasLastKey() const { return m_LastKey >= 0; }
    SqlDialect dialect() const { return m_Dialect; }
    QString station() const { return m_Station; }
    QString table() const;
    // The column that orders equal times and continues export chunks.
    QString keyColumn() const;
    QString lower() const { return m_Lower; }
    bool lowerIncluded() const { return m_LowerIncluded; }
    QString upper() const { return m_Upper; }
    bool isAllModels() const { return m_AllModels; }
    QString model() const { return m_Model; }
    bool isLog() const { return m_IsLog; }
    LogClass logClass() const { return m_LogClass; }
    // Log records come newest first, production records oldest first.
    bool isNewestFirst() const { return m_IsLog; }
    // Whether time is the only condition, so that the time index alone counts
    // the range, quickly for any length: not worth slicing.
    bool isTimeOnly() const { return !m_IsLog && m_AllModels; }

    // The same records over another part of the time range.
    RangeQuery slice(const QString& lower, bool lowerIncluded, const QString& upper) const;

    BoundStatement countStatement() const;
    // Whole rows, limit rows from offset on, in the order the table gives
    // (on the plant server the same order stated: time, then id).
    BoundStatement pageStatement(int limit, int offset) const;
    // The same for the range's own page.
    BoundStatement pageStatement() const { return pageStatement(m_Limit, m_Offset); }
    // Whole rows of the records with these keys that lie in the range, in no
    // particular order: a page whose keys the viewer's record index gave.
    // The key lookups are the plan; the range is checked on each row found.
    BoundStatement keyedRows(const QVector<qint64>& keys) const;
    // The picture of the record with this key (keyColumn()).
    BoundStatement pictureStatement(qint64 key) const;
    // Rows of (model, count of that model).
    BoundStatement groupingStatement() const;
    // An export's rows in bounded chunks, in (time, key) order (reversed for
    // newest first): the first chunk, and the chunk after the row (lastTime,
    // lastKey). Each row brings the given columns.
    BoundStatement firstChunk(const QStringList& columns, int limit) const;
    BoundStatement nextChunk(
        const QStringList& columns, const QString& lastTime, qint64 lastKey, int limit) const;
    // Counts per model over whole days from the plant server's record_counts:
    // the parts of the range before the first and from the last whole day
    // (edges, read from records), and over the whole days between them the
    // statements of the total and of (model, count) rows. False when there
    // is no whole day or the range is of another kind (log records, a
    // station file, a lower bound that is not a full time, the model "").
    bool dayParts(QVector<RangeQuery>* edges, BoundStatement* dayTotal, BoundStatement* dayGrouping) const;
    // Where a deep page starts on the plant server, without the rows before
    // it: the count of the part before the first whole day, and the
    // (day, count) rows of the whole days in day order from record_counts.
    // False where dayParts() is.
    bool dayOffsetParts(BoundStatement* headCount, BoundStatement* dayCounts) const;
    // The range from the day the offset lands in, with the offset into it:
    // the part before the first whole day and the whole days before that day
    // are skipped by their counts (headCount, days as those statements
    // answered). The same rows in the same order as the page at offset; the
    // range itself where the offset lands before the first whole day.
    RangeQuery fromOffsetDay(
        qint64 headCount, const QVector<QPair<QString, qint64>>& days, int offset, int* dayOffset) const;
    // All of an export's rows in one statement, in the chunks' order: for a
    // server whose reads hold no lock against the writer.
    BoundStatement allRows(const QStringList& columns) const;
    // The production records' statement with the values written into its text
    // (time1 < time < time2, the model unless all): the window's filter
    // statement, which callers outside the viewer read. Quotes are doubled.
    QString filterText() const;

private:
    // " where <range> [and <condition>]" with its values appended to values.
    QString where(QVariantList* values) const;
    QString condition(QVariantList* values) const;
    QString ownCondition(QVariantList* values) const;
    // " order by time,key" (both descending for newest first), the columns
    // after alias ("r.") when given.
    QString chunkOrder(const QString& alias = QString()) const;

    QString m_Table;
    SqlDialect m_Dialect = SqlDialect::Station;
    QString m_Station;
    QString m_Lower;
    bool m_LowerIncluded = false;
    QString m_Upper;
    bool m_AllModels = true;
    QString m_Model;
    bool m_IsLog = false;
    LogClass m_LogClass = LogClass::None;
    qint64 m_LastKey = -1; // none
    int m_Limit = 0;
    int m_Offset = 0;
};

Q_DECLARE_METATYPE(RangeQuery)

#endif // RANGEQUERY_H
