#include "reportbuilder.h"

#include "checkthread.h"
#include "countdata.h"
#include "detectdatadb.h"
#include "qualityanalysis.h"
#include "rangequery.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlQuery>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
}

ReportBuilder::ReportBuilder(DetectDataDB* db, QuickAnswers* quick, const IndexReader* index)
    : m_pDB(db)
    , m_pQuick(quick)
{
    if (index) {
        m_Index = *index;
        m_bWithIndex = true;
    }
}

bool ReportBuilder::build(const ReportRequest& request, ShiftReport* report)
{
    m_Error.clear();
    *report = ShiftReport();
    const bool onPlant = m_pDB->dialect() != SqlDialect::Station;
    report->station = !onPlant      ? QDir::toNativeSeparators(m_pDB->databasePath())
        : request.station.isEmpty() ? QCoreApplication::translate("ShiftReport", "全厂")
                                    : request.station;
    report->start = request.start;
    report->end = request.end;
    report->shift = request.shift;
    report->made = QDateTime::currentDateTime();
    report->version = QStringLiteral(HX_VERSION);
    if (!count(request, report) || !analyse(request, QString(), &report->trend)
        || !readAlarms(request, report))
        return false;
    for (auto it = report->counts.constBegin(); it != report->counts.constEnd(); ++it) {
        // NG records carry the model "NG"; a record without a model has no measurements of its own.
        if (it.key() == QLatin1String("NG") || it.key().isEmpty())
            continue;
        QualityResult result;
        if (!analyse(request, it.key(), &result))
            return false;
        ShiftReport::ModelMeasures measures;
        measures.model = it.key();
        for (int m = 0; m < QualityAnalysis::MeasureCount; ++m)
            measures.measures[m] = result.measures[m];
        if (!m_SettingsFile.isEmpty())
            MeasureLimitStore::read(m_SettingsFile, it.key(), measures.limits);
        report->models << measures;
    }
    return true;
}

bool ReportBuilder::count(const ReportRequest& request, ShiftReport* report)
{
    // The statistics page's request: the same range value to the same worker.
    const RangeQuery range
        = RangeQuery::allModels(request.start.toString(kTimeFormat), request.end.toString(kTimeFormat))
              .atStation(request.station);
    // The worker runs here, on this thread: its signals arrive at once.
    CountData worker;
    worker.setDataBase(m_pDB);
    worker.setQuickAnswers(m_pQuick);
    bool failed = false;
    QObject::connect(&worker, &CountData::resultReady, [report](QString total, const QMap<QString, int>* p) {
        if (p)
            report->counts = *p;
        report->total = total.toInt();
        delete p;
    });
    QObject::connect(&worker, &CountData::sgError, [this, &failed](QString message) {
        failed = true;
        m_Error = message;
    });
    worker.countRange(range);
    return !failed;
}

bool ReportBuilder::analyse(const ReportRequest& request, const QString& model, QualityResult* result)
{
    QualityRequest q;
    q.start = request.start;
    q.end = request.end;
    q.model = model;
    q.shifts = request.shifts;
    const bool onPlant = m_pDB->dialect() != SqlDialect::Station;
    QualityAnalysis analysis = onPlant
        ? QualityAnalysis(m_pDB, request.station)
        : QualityAnalysis(m_pDB->databasePath(), m_bWithIndex ? &m_Index : nullptr);
    if (!analysis.run(q, result)) {
        m_Error = analysis.errorString();
        return false;
    }
    return true;
}

bool ReportBuilder::readAlarms(const ReportRequest& request, ShiftReport* report)
{
    // The log page's range for its alarm choice: the count, then its first page.
    const RangeQuery range = RangeQuery::log(
        request.start.toString(kTimeFormat), request.end.toString(kTimeFormat), LogClass::Alarm)
                                 .atStation(request.station);

    for (const bool counting : { true, false }) {
        CheckThread thread;
        thread.setQuery(m_pDB, QString()); // the range is the statement
        thread.setMode(counting ? CheckMode::Count : CheckMode::Rows);
        thread.setRange(range.page(counting ? 0 : AlarmLines, 0));
        QString failure;
        QObject::connect(
            &thread, &CheckThread::failed, &thread, [&failure](const QString& reason) { failure = reason; },
            Qt::DirectConnection);
        QObject::connect(
            &thread, &CheckThread::resultCount, &thread,
            [report, counting](int n) {
                if (counting)
                    report->alarmTotal = n;
            },
            Qt::DirectConnection);
        QObject::connect(
            &thread, &CheckThread::resultReady, &thread,
            [report, counting](QSqlQuery rows) {
                while (!counting && rows.next())
                    report->alarms << ShiftReport::Alarm { rows.value(QStringLiteral("time")).toString(),
                        rows.value(QStringLiteral("message")).toString() };
            },
            Qt::DirectConnection);
        thread.start();
        thread.wait();
        if (!failure.isEmpty()) {
            m_Error = failure;
            return false;
        }
    }
    return true;
}
