#include "qualityanalysis.h"

#include "measuredvalue.h"
#include "sqlitehandle.h"

#include <sqlite3.h>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
const char* const kAll = "SELECT time, model, correlate, detecttime, diameter, hight FROM wftable"
                         " WHERE time > ?1 AND time < ?2";
const char* const kOne = "SELECT time, model, correlate, detecttime, diameter, hight FROM wftable"
                         " WHERE time > ?1 AND time < ?2 AND model = ?3";

// Where the statements' column order puts each measure.
const int kValueOf[QualityAnalysis::MeasureCount] = { 2, 3, 0, 1 };

// Adds one record to the figures.
class Tally
{
public:
    Tally(const TrendBuckets& buckets, QualityResult* result)
        : m_Buckets(buckets)
        , m_pResult(result)
    {
    }
    void add(const char* time, int length, bool ng, sqlite3_value* const* values)
    {
        TrendRow& row = m_pResult->trend[m_Buckets.indexOf(time, length)];
        ++row.hubs;
        if (ng)
            ++row.ng;
        ++m_pResult->total;
        for (int m = 0; m < QualityAnalysis::MeasureCount; ++m) {
            double number = 0;
            if (MeasuredValue::read(values[kValueOf[m]], &number))
                m_pResult->measures[m].add(number);
            else
                m_pResult->measures[m].addMissing();
        }
    }

private:
    const TrendBuckets& m_Buckets;
    QualityResult* m_pResult;
};
}

const char* QualityAnalysis::column(Measure measure)
{
    static const char* const names[MeasureCount] = { "diameter", "hight", "correlate", "detecttime" };
    return measure >= 0 && measure < MeasureCount ? names[measure] : "";
}

QualityAnalysis::QualityAnalysis(const QString& stationPath, const IndexReader* index)
    : m_StationPath(stationPath)
    , m_pIndex(index)
{
}

bool QualityAnalysis::run(const QualityRequest& request, QualityResult* result, const std::atomic<bool>* stop)
{
    m_Error.clear();
    const TrendBuckets buckets(request.size, request.start, request.end, request.shifts);
    const auto reset = [&] {
        *result = QualityResult();
        result->request = request;
        result->size = buckets.size();
        for (const TrendBuckets::Period& p : buckets.periods())
            result->trend.append({ p, 0, 0 });
    };
    reset();
    const QString time1 = request.start.toString(kTimeFormat);
    const QString time2 = request.end.toString(kTimeFormat);
    const QString ng = QStringLiteral("NG");
    Tally tally(buckets, result);

    if (m_pIndex) {
        const IndexAnswer<qint64> answer
            = m_pIndex->forEachRecord(time1, time2, request.model.isEmpty() ? nullptr : &request.model,
                [&](const QByteArray& time, const QString& model, sqlite3_value* const* values) {
                    tally.add(time.constData(), time.size(), model == ng, values);
                    return !(stop && stop->load());
                });
        if (answer.available) {
            result->fromIndex = true;
            for (MeasureStats& m : result->measures)
                m.finish();
            return true;
        }
        if (stop && stop->load()) {
            m_Error = QStringLiteral("stopped");
            return false;
        }
        reset();
        result->indexReason = answer.reason;
    }

    SqliteConnection db;
    if (!db.open(m_StationPath, SqliteConnection::Mode::ReadOnly, stop)) {
        m_Error = db.errorString();
        return false;
    }
    SqliteStatement records(db, request.model.isEmpty() ? kAll : kOne);
    records.bind(1, time1.toUtf8()).bind(2, time2.toUtf8());
    if (!request.model.isEmpty())
        records.bind(3, request.model.toUtf8());
    sqlite3_value* values[4];
    while (records.step()) {
        // The range holds text times only: numbers sort before texts and
        // blobs after them.
        const QByteArray time = records.text(0);
        sqlite3_value* model = records.value(1);
        const bool isNg = sqlite3_value_type(model) == SQLITE_TEXT && sqlite3_value_bytes(model) == 2
            && qstrncmp(reinterpret_cast<const char*>(sqlite3_value_text(model)), "NG", 2) == 0;
        for (int i = 0; i < 4; ++i)
            values[i] = records.value(2 + i);
        tally.add(time.constData(), time.size(), isNg, values);
    }
    if (records.failed() || !records.isValid()) {
        m_Error = db.errorString();
        if (stop && stop->load())
            m_Error = QStringLiteral("stopped");
        return false;
    }
    for (MeasureStats& m : result->measures)
        m.finish();
    return true;
}
