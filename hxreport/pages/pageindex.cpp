#include "pageindex.h"

#include "apppaths.h"
#include "cancelflag.h"
#include "detectdatadb.h"
#include "memoryresult.h"
#include "rangequery.h"
#include "recordindex.h"
#include "stationschema.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QHash>
#include <QLabel>
#include <QSqlRecord>
#include <QStatusBar>
#include <QTimer>

PageIndex::PageIndex(DetectDataDB* db, QStatusBar* bar, QObject* parent)
    : QObject(parent)
    , m_pDB(db)
    , m_pIndex(new RecordIndex(db ? db->databasePath() : QString(), AppPaths::indexFolder(), this))
    , m_Reader(m_pIndex->reader())
{
    m_pIndex->setObjectName(QStringLiteral("recordIndex"));
    connect(m_pIndex, &RecordIndex::progress, this, &PageIndex::onProgress);
    connect(m_pIndex, &RecordIndex::passFinished, this, [this](bool inStep) { onPassFinished(inStep); });
    // Queued from the workers' threads to the status bar's.
    connect(this, &PageIndex::answeredDirectly, this, &PageIndex::showNote, Qt::QueuedConnection);
    setStatusBar(bar);
    // Not before the event loop runs: start-up never waits for the index.
    QTimer::singleShot(0, this, &PageIndex::start);
}

void PageIndex::setStatusBar(QStatusBar* bar)
{
    if (m_pProgress)
        delete m_pProgress;
    m_pBar = bar;
    if (m_pBar) {
        m_pProgress = new QLabel(m_pBar);
        m_pProgress->setObjectName(QStringLiteral("label_IndexProgress"));
        m_pBar->addPermanentWidget(m_pProgress);
        m_pProgress->hide();
    }
}

PageIndex::~PageIndex()
{
    stop();
}

void PageIndex::start()
{
    if (!m_bStopped && m_pDB)
        m_pIndex->start();
}

void PageIndex::stop()
{
    m_bStopped = true;
    {
        QMutexLocker lock(&m_PassMutex);
        m_PassDone.wakeAll();
    }
    m_pIndex->stop();
    if (m_pProgress)
        m_pProgress->hide();
}

template <class T> bool PageIndex::ask(const std::function<IndexAnswer<T>()>& query, T* value)
{
    IndexAnswer<T> answer = query();
    if (!answer.available && m_bInStep && !m_bStopped) {
        // Most often the station wrote into the range since the last pass.
        qint64 before = 0;
        {
            QMutexLocker lock(&m_PassMutex);
            before = m_nPasses;
        }
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_bStopped)
                    m_pIndex->requestSync();
            },
            Qt::QueuedConnection);
        if (waitForPass(before))
            answer = query();
    }
    if (!answer.available) {
        direct(answer.reason);
        return false;
    }
    *value = answer.value;
    return true;
}

bool PageIndex::waitForPass(qint64 passesBefore)
{
    const QDeadlineTimer deadline(SyncWaitMs);
    QMutexLocker lock(&m_PassMutex);
    // In short steps, so that a Cancel or the window's close ends the wait.
    while (
        m_nPasses == passesBefore && !m_bStopped && !CancelFlag::currentCancelled() && !deadline.hasExpired())
        m_PassDone.wait(&m_PassMutex, 50);
    return m_nPasses != passesBefore && !m_bStopped && !CancelFlag::currentCancelled();
}

void PageIndex::direct(const QString& reason)
{
    qDebug().noquote() << QStringLiteral("record index: answered directly (%1)").arg(reason);
    emit answeredDirectly(reason);
}

bool PageIndex::countByModel(const RangeQuery& range, int* total, QMap<QString, int>* counts)
{
    if (!holds(range, true))
        return false;
    const QString time1 = range.lower();
    const QString time2 = range.upper();
    ModelCounts found;
    if (!ask<ModelCounts>([&] { return m_Reader.countByModel(time1, time2); }, &found))
        return false;
    *total = int(found.total);
    *counts = found.counts;
    return true;
}

bool PageIndex::holds(const RangeQuery& range, bool allModels)
{
    return range.isValid() && range.dialect() == SqlDialect::Station && range.kind() == RecordKind::Production
        && range.isAllModels() == allModels && !range.lowerIncluded() && !range.hasLastKey();
}

bool PageIndex::countOf(const RangeQuery& range, int* count)
{
    if (!holds(range))
        return false;
    const QString time1 = range.lower();
    const QString time2 = range.upper();
    const QString model = range.model();
    qint64 found = 0;
    if (!ask<qint64>([&] { return m_Reader.countOfModel(time1, time2, model); }, &found))
        return false;
    *count = int(found);
    return true;
}

bool PageIndex::pageOf(const RangeQuery& range, QSqlQuery* rows)
{
    if (!holds(range))
        return false;
    const QString time1 = range.lower();
    const QString time2 = range.upper();
    const QString model = range.model();
    const int offset = range.offset();
    const int limit = range.limit();
    QVector<qint64> uids;
    if (!ask<QVector<qint64>>([&] { return m_Reader.pageUids(time1, time2, model, offset, limit); }, &uids))
        return false;
    // Those records from the station file, checked against the range and the
    // model again: a record removed or replaced since the index was read
    // makes the page direct rather than short or wrong.
    const BoundStatement statement = range.keyedRows(uids);
    QSqlQuery found;
    if (!m_pDB->runDetached(statement, found)) {
        direct(QStringLiteral("station rows unreadable: ") + found.lastError().text());
        return false;
    }
    const QSqlRecord record = found.record();
    const int key = record.indexOf(StationSchema::keyColumn());
    QHash<qint64, QVector<QVariant>> byUid;
    while (key >= 0 && found.next()) {
        QVector<QVariant> row(record.count());
        for (int i = 0; i < row.size(); ++i)
            row[i] = found.value(i);
        byUid.insert(found.value(key).toLongLong(), row);
    }
    QVector<QVector<QVariant>> ordered;
    ordered.reserve(uids.size());
    for (const qint64 uid : qAsConst(uids)) {
        const auto it = byUid.constFind(uid);
        if (it == byUid.cend()) {
            direct(QStringLiteral("records changed since the index was read"));
            return false;
        }
        ordered << it.value();
    }
    *rows = MemoryResult::detachedQuery(statement.text, true, record, ordered, -1, QVariant());
    return true;
}

void PageIndex::onProgress(qint64 done, qint64 total)
{
    if (!m_pProgress || total < ProgressMin || m_bStopped)
        return;
    const int percent = int(qBound<qint64>(0, done * 100 / total, 100));
    m_pProgress->setText(QCoreApplication::translate("hxReport", "正在建立记录索引 %1%").arg(percent));
    m_pProgress->show();
}

void PageIndex::onPassFinished(bool inStep)
{
    m_bInStep = inStep;
    {
        QMutexLocker lock(&m_PassMutex);
        ++m_nPasses;
        m_PassDone.wakeAll();
    }
    if (m_pProgress)
        m_pProgress->hide();
}

void PageIndex::showNote()
{
    if (m_pBar && !m_bStopped)
        m_pBar->showMessage(QCoreApplication::translate("hxReport", "记录索引暂不可用，已直接查询"));
}
