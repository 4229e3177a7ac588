#include "appcontext.h"

#include "apppaths.h"
#include "detectdatadb.h"
#include "pageindex.h"

#include <QDebug>

namespace {
// The plant server the next context reads instead of the station file.
struct PlantServerChoice
{
    bool used = false;
    ServerSettings settings;
    QString password;
};

PlantServerChoice& plantServer()
{
    static PlantServerChoice choice;
    return choice;
}
}

AppContext::AppContext(QObject* parent)
    : QObject(parent)
    , m_bOnServer(isOnPlantServer())
{
    if (m_bOnServer) {
        // Nothing is asked of the server here: the workers connect on their
        // own threads.
        m_pDB = new DetectDataDB(QStringLiteral("hxreport-plant-server"), QStringLiteral("QMYSQL"));
    } else {
        m_pDB = new DetectDataDB(AppPaths::detectionDatabase(), QStringLiteral("QSQLITE"));
        if (!m_pDB->openDatabase())
            m_OpenError = m_pDB->lastError().text();
    }
    m_pPageIndex = new PageIndex(m_pDB, nullptr, this);
    // The record index is a station file's: the server answers every page itself.
    if (m_bOnServer)
        m_pPageIndex->stop();
}

AppContext::~AppContext()
{
    stop();
    delete m_pPageIndex;
    m_pPageIndex = nullptr;
    // Nothing uses the database any more: every thread that could has ended.
    delete m_pDB;
}

void AppContext::usePlantServer(const ServerSettings& settings, const QString& password)
{
    plantServer() = PlantServerChoice { true, settings, password };
}

void AppContext::useStationFile()
{
    plantServer() = PlantServerChoice();
}

bool AppContext::isOnPlantServer()
{
    return plantServer().used;
}

const ServerSettings& AppContext::serverSettings()
{
    return plantServer().settings;
}

QString AppContext::serverPassword()
{
    return plantServer().password;
}

QuickAnswers* AppContext::quickAnswers() const
{
    return m_bOnServer ? nullptr : m_pPageIndex;
}

void AppContext::startThread(QThread& thread, const char* name)
{
    thread.start(QThread::InheritPriority);
    qDebug().noquote() << QStringLiteral("start thread %1").arg(QLatin1String(name));
}

void AppContext::stop()
{
    // Closing never waits for an index build: it resumes at the next start.
    if (m_pPageIndex)
        m_pPageIndex->stop();
    // A worker busy in a long statement is stopped rather than waited out;
    // idle ones are unaffected.
    if (m_pDB)
        m_pDB->setInterrupted(true);
    stopThread(m_Workthread, "m_Workthread");
    stopThread(m_WorkThreadCount, "m_WorkThreadCount");
    stopThread(m_WorkThreadCheckHistory, "m_WorkThreadCheckHistory");
}

void AppContext::stopThread(QThread& thread, const char* name)
{
    if (!thread.isRunning())
        return;
    qDebug().noquote() << QStringLiteral("delete %1").arg(QLatin1String(name));
    thread.quit();
    // Idle workers end well within 50 ms; a busy one was interrupted and must
    // still not be destroyed while its thread runs.
    if (!thread.wait(50))
        thread.wait();
    qDebug().noquote() << QStringLiteral("delete %1 end").arg(QLatin1String(name));
}
