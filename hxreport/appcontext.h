#ifndef APPCONTEXT_H
#define APPCONTEXT_H

#include "serversettings.h"

#include <QObject>
#include <QString>
#include <QThread>

class DetectDataDB;
class PageIndex;
class QuickAnswers;

// What a window reads and where its work runs: the station file or the plant
// server chosen before the window opens, the record index of a station file,
// and the three long-lived worker threads. main builds one and hands it to
// the window; a window made without one builds its own. GUI thread only.
class AppContext : public QObject
{
    Q_OBJECT
public:
    // Opens the database chosen (usePlantServer() or the station file); the
    // record index starts with the event loop, on a station file only.
    explicit AppContext(QObject* parent = nullptr);
    // stop(), then the database goes.
    ~AppContext() override;

    // The choice for the next context: the plant server (password kept for
    // the program's run only) or the station file.
    static void usePlantServer(const ServerSettings& settings, const QString& password);
    static void useStationFile();
    static bool isOnPlantServer();
    static const ServerSettings& serverSettings();
    static QString serverPassword();

    bool onPlantServer() const { return m_bOnServer; }
    DetectDataDB* database() const { return m_pDB; }
    // Why the station file did not open; empty when it did (or on the server).
    QString openError() const { return m_OpenError; }
    PageIndex* pageIndex() const { return m_pPageIndex; }
    // The record index where it answers (a station file); null on the server.
    QuickAnswers* quickAnswers() const;

    QThread& workThread() { return m_Workthread; }
    QThread& countThread() { return m_WorkThreadCount; }
    QThread& checkThread() { return m_WorkThreadCheckHistory; }

    // Moves a new worker to thread, gives it the database, lets wire()
    // connect it, and starts the thread. The worker is deleted when its
    // thread finishes.
    template <class Worker, class Wire> Worker* startWorker(QThread& thread, const char* name, Wire wire)
    {
        auto* worker = new Worker;
        worker->moveToThread(&thread);
        worker->setDataBase(m_pDB);
        QObject::connect(&thread, &QThread::finished, worker, &QObject::deleteLater);
        wire(worker);
        startThread(thread, name);
        return worker;
    }

    // Stops the index and every worker thread; a busy statement is
    // interrupted rather than waited out. Idempotent.
    void stop();

private:
    void startThread(QThread& thread, const char* name);
    void stopThread(QThread& thread, const char* name);

    bool m_bOnServer = false;
    DetectDataDB* m_pDB = nullptr;
    QString m_OpenError;
    PageIndex* m_pPageIndex = nullptr; // child
    QThread m_Workthread;
    QThread m_WorkThreadCount;
    QThread m_WorkThreadCheckHistory;
};

#endif // APPCONTEXT_H
