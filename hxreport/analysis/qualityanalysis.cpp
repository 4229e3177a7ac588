#include "qualityanalysis.h"

#include "databasesql.h"
#include "measuredvalue.h"
#include "ngmodel.h"
#include "rangequery.h"
#include "sqlitehandle.h"
#include "stationfile.h"

#include <sqlite3.h>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
const char* const kAll = "SELECT time, model, correlate, detecttime, diameter, hight FROM %1"
                         " WHERE time > ?1 AND time < ?2";
const char* const kOne = "SELECT time, model, correlate, detecttime, diameter, hight FROM %1"
                         " WHERE time > ?1 AND time < ?2 AND model = ?3";

// Where the statements' column order puts each measure.
const int kValueOf[QualityAnalysis::MeasureCount] = { 2, 3, 0, 1 };

// A text of the server: its binary-collated columns arrive as bytes.
QByteArray utf8(const QVariant& value)
{
    return value.userType() == QMetaType::QByteArray ? value.toByteArray() : value.toString().toUtf8();
}

void addValues(QualityResult* result, sqlite3_value* const* values)
{
    for (int m = 0; m < QualityAnalysis::MeasureCount; ++m) {
        double number = 0;
        if (MeasuredValue::read(values[kValueOf[m]], &number))
            result->measures[m].add(number);
        else
            result->measures[m].addMissing();
    }
}
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

QualityAnalysis::QualityAnalysis(const DataBaseSql* plant, const QString& station)
    : m_pPlant(plant)
    , m_Station(station)
{
}

bool QualityAnalysis::runOnPlant(const QString& time1, const QString& time2, QualityResult* result,
    const TrendBuckets& buckets, const std::atomic<bool>* stop)
{
    const QString& model = result->request.model;
    const RangeQuery range = (model.isEmpty() ? RangeQuery::allModels(time1, time2)
                                              : RangeQuery::production(time1, time2, model))
                                 .atStation(m_Station)
                                 .inDialect(SqlDialect::Plant);
    const QStringList columns { QStringLiteral("time"), QStringLiteral("model"), QStringLiteral("correlate"),
        QStringLiteral("detecttime"), QStringLiteral("diameter"), QStringLiteral("hight") };
    const bool ok
        = m_pPlant->forEachRowValues(range.allRows(columns), columns, [&](const QVector<QVariant>& row) {
              const QByteArray time = utf8(row.at(0));
              TrendRow& period = result->trend[buckets.indexOf(time.constData(), time.size())];
              ++period.hubs;
              ++result->total;
              if (NgModel::matches(utf8(row.at(1))))
                  ++period.ng;
              if (result->measured) {
                  for (int m = 0; m < MeasureCount; ++m) {
                      double number = 0;
                      if (MeasuredValue::read(row.at(2 + kValueOf[m]), &number))
                          result->measures[m].add(number);
                      else
                          result->measures[m].addMissing();
                  }
              }
              return !(stop && stop->load());
          });
    if (stop && stop->load()) {
        m_Error = QStringLiteral("stopped");
        return false;
    }
    if (!ok) {
        m_Error = m_pPlant->lastError().text();
        return false;
    }
    for (MeasureStats& m : result->measures)
        m.finish();
    return true;
}

bool QualityAnalysis::run(const QualityRequest& request, QualityResult* result, const std::atomic<bool>* stop)
{
    m_Error.clear();
    const TrendBuckets buckets(request.size, request.start, request.end, request.shifts);
    const auto reset = [&] {
        *result = QualityResult();
        result->request = request;
        result->size = buckets.size();
        result->measured = !request.model.isEmpty();
        for (const TrendBuckets::Period& p : buckets.periods())
            result->trend.append({ p, 0, 0 });
    };
    const auto finish = [&] {
        for (MeasureStats& m : result->measures)
            m.finish();
        return true;
    };
    reset();
    const QString time1 = request.start.toString(kTimeFormat);
    const QString time2 = request.end.toString(kTimeFormat);
    const QString* model = request.model.isEmpty() ? nullptr : &request.model;

    if (m_pPlant)
        return runOnPlant(time1, time2, result, buckets, stop);

    if (m_pIndex) {
        // Two snapshots: records the station adds in between may count in
        // the trend and not in the measurements, as with two queries.
        // Whole hours come counted; only an hour a shift changes in is
        // asked for by second.
        IndexAnswer<bool> trend = m_pIndex->countByHour(
            time1, time2, model, [&](qint64 hour) { return buckets.splitsHour(hour); },
            [&](qint64 key, const QString& value, qint64 count) {
                TrendRow& row = result->trend[key < 0 ? buckets.otherIndex() : buckets.indexOfPacked(key)];
                row.hubs += count;
                if (NgModel::matches(value))
                    row.ng += count;
                result->total += count;
            });
        QString reason = trend.reason;
        if (trend.available && result->measured) {
            const IndexAnswer<qint64> values
                = m_pIndex->forEachValues(time1, time2, model, [&](sqlite3_value* const* v) {
                      addValues(result, v);
                      return !(stop && stop->load());
                  });
            trend.available = values.available;
            reason = values.reason;
        }
        if (trend.available) {
            result->fromIndex = true;
            return finish();
        }
        if (stop && stop->load()) {
            m_Error = QStringLiteral("stopped");
            return false;
        }
        reset();
        result->indexReason = reason;
    }

    SqliteConnection db;
    if (!db.open(m_StationPath, SqliteConnection::Mode::ReadOnly, stop)) {
        m_Error = db.errorString();
        return false;
    }
    SqliteStatement records(db, StationFile::onRecords(model ? kOne : kAll).constData());
    records.bind(1, time1.toUtf8()).bind(2, time2.toUtf8());
    if (model)
        records.bind(3, model->toUtf8());
    sqlite3_value* values[4];
    while (records.step()) {
        // The range holds text times only: numbers sort before texts and
        // blobs after them.
        sqlite3_value* time = records.value(0);
        sqlite3_value* value = records.value(1);
        TrendRow& row = result->trend[buckets.indexOf(
            reinterpret_cast<const char*>(sqlite3_value_text(time)), sqlite3_value_bytes(time))];
        ++row.hubs;
        ++result->total;
        if (sqlite3_value_type(value) == SQLITE_TEXT
            && NgModel::matches(
                reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value)))
            ++row.ng;
        if (result->measured) {
            for (int i = 0; i < 4; ++i)
                values[i] = records.value(2 + i);
            addValues(result, values);
        }
    }
    if (records.failed() || !records.isValid()) {
        m_Error = db.errorString();
        if (stop && stop->load())
            m_Error = QStringLiteral("stopped");
        return false;
    }
    return finish();
}
