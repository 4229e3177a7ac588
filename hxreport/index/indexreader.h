#ifndef INDEXREADER_H
#define INDEXREADER_H

#include <QMap>
#include <QString>
#include <QVector>

#include <functional>

struct sqlite3_value;

// The answer of an index query: the value when available; otherwise a
// one-line reason, and the caller answers with the direct statement.
template <class T> struct IndexAnswer
{
    bool available = false;
    QString reason;
    T value {};
};

// Per-model counts as the statistics page computes them (CountData): total is
// the range's count(*); counts maps each model value's text (a NULL model
// reads as "") to the sum of count(model) over the values with that text, so
// a NULL model adds 0 and an empty model its records.
struct ModelCounts
{
    qint64 total = 0;
    QMap<QString, int> counts;
};

// Answers from the index file what the direct statements on the station file
// answer, for ranges time1 < time < time2 (both bounds exclusive, compared as
// texts, as the query builder's statements do), or says it cannot.
//
// Each call opens its own connections (to the index, and read-only to the
// station for the coverage check) and closes them before it returns, so any
// thread may call any function at any time, concurrently with the sync.
// Everything a call answers comes from one snapshot of the index, read after
// the station was seen to hold no other record in the range: records the
// station writes meanwhile may or may not be counted, never half of them.
class IndexReader
{
public:
    IndexReader() = default;
    IndexReader(const QString& stationPath, const QString& indexPath);

    QString stationPath() const { return m_StationPath; }
    QString indexPath() const { return m_IndexPath; }

    // Whether the index is in step with the station for the range now; the
    // query functions check the same first.
    IndexAnswer<bool> covers(const QString& time1, const QString& time2) const;

    // The statistics: statement "select model,count(model) from (select model
    // from wftable where time >'t1' and time < 't2') GROUP BY model" and the
    // count of the range.
    IndexAnswer<ModelCounts> countByModel(const QString& time1, const QString& time2) const;
    // The production count of one model: "select count(*) from wftable where
    // time >'t1' and time < 't2' and model='name'".
    IndexAnswer<qint64> countOfModel(const QString& time1, const QString& time2, const QString& model) const;
    // The uids of one page of one model, in the order of "select * from
    // wftable where time >'t1' and time <'t2' and model = 'name' LIMIT limit
    // OFFSET offset" (time, then uid, as the time index yields them).
    IndexAnswer<QVector<qint64>> pageUids(
        const QString& time1, const QString& time2, const QString& model, qint64 offset, qint64 limit) const;

    // A count per group: group(key, model, count) with the model's text; a
    // model stored as no text (NULL, a number, bytes) reads as "", so that
    // bytes spelling "NG" are not taken for the NG text.
    using GroupRow = std::function<void(qint64 key, const QString& model, qint64 count)>;
    // For trends: the records of the range of all models (or those equal to
    // *model), as group(key, model, count) with key the packed time of one
    // second (TimeKey::pack) that stands for all of them, or -1 for records
    // off their hour's clock (TimeKey::offClock). Each whole hour inside the
    // range comes from the hour counts, its records standing at the hour's
    // start, unless split(hour) (packed time / 10000) asks for its seconds;
    // the partial hours at both ends come by second.
    using SplitHour = std::function<bool(qint64 hour)>;
    IndexAnswer<bool> countByHour(const QString& time1, const QString& time2, const QString* model,
        const SplitHour& split, const GroupRow& group) const;
    // For analyses: the measured values correlate, detecttime, diameter,
    // hight of each record of the range (of all models, or those equal to
    // *model), as stored; row() returns false to stop (the answer is then not
    // available). The value is the number of records passed.
    using ValueRow = std::function<bool(sqlite3_value* const* values)>;
    IndexAnswer<qint64> forEachValues(
        const QString& time1, const QString& time2, const QString* model, const ValueRow& row) const;

    // How far the station may be ahead of the index (records) for a range to
    // count as covered when none of those records falls into it.
    static const int MaxBehind = 5000;

private:
    struct Session;
    // Opens the index snapshot and checks coverage of the range; false with
    // a reason when the index cannot answer.
    bool begin(Session& session, const QString& time1, const QString& time2, QString* reason) const;

    QString m_StationPath;
    QString m_IndexPath;
};

#endif // INDEXREADER_H
