#ifndef STATIONSYNC_H
#define STATIONSYNC_H

#include "filechange.h"
#include "plantserver.h"
#include "stationfile.h"
#include "syncsettings.h"
#include "syncwitnesses.h"

#include <QObject>
#include <QSet>

#include <atomic>
#include <memory>

// Copies one station's file to the plant archive: the records and log
// records after the last uid the server holds for the station, in short read
// transactions on the station file (StationFile: the station waits at most
// one read chunk, never fails a write), then its shifts and model names.
//
// A file replaced by another one (its uids start again, or the row under the
// last copied uid is a different one, or records older than the last copied
// one are back) is never merged into the old one's rows: the sync begins the
// station's next epoch, the old rows stay under theirs (see compare()).
//
// Threads: one object in one thread; stop may be set from anywhere (a signal
// handler) and ends the run between batches, interrupting a station read.
class StationSync : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        CaughtUp, // everything the station had is on the server
        Transient, // server or station file unavailable for now: try again
        Settings, // the settings are wrong (access, database, schema)
        Failed, // anything else
        Stopped
    };

    struct Totals
    {
        qint64 records = 0;
        qint64 logs = 0;
        qint64 adjusted = 0; // values that did not fit their column
        int epochs = 0; // epochs begun
        int changed = 0; // last copied rows deleted or edited on the station since
        qint64 pictures = 0; // pictures left out, too large for the server
    };

    // As FileChange judges it, the rule the index shares.
    using FileState = FileChange::State;

    StationSync(
        const SyncSettings& settings, std::shared_ptr<std::atomic<bool>> stop, QObject* parent = nullptr);
    ~StationSync() override;

    // One pass: connects when needed and copies everything new.
    Outcome pass();
    // Passes until stopped or, with settings.once, until caught up; retries
    // what is transient (with settings.once for retrySeconds). The program's
    // exit code: 0 done or stopped, 1 failed, 2 bad settings.
    int run();

    const Totals& totals() const { return m_Totals; }
    QString errorString() const { return m_Error; }
    PlantServer& server() { return m_Server; }

    // Whether the station's table is still the one whose row lastUid
    // (identified by lastMark, a digest of the probed row's values) was
    // copied last, with that row deleted or edited since, or another file.
    // lastTime (records only; null otherwise): the copied row's time text,
    // for telling retention from replacement. probe.others: the file's rows
    // at the witnesses' uids. *why says what was found.
    static FileState compare(const StationFile::TableProbe& probe, qint64 lastUid, const QByteArray& lastMark,
        const QByteArray& lastTime, const SyncWitnesses& witnesses, QString* why);

signals:
    void message(const QString& text);

private:
    Outcome serverFailure();
    Outcome stationFailure(const StationFile& file);
    // lastUid: the table's largest uid when the pass began, for the progress lines.
    Outcome copyRows(StationFile& file, const SyncTable& table, PlantServer::Position* position,
        qint64 lastUid, qint64* copied);
    Outcome copyLists(StationFile& file, const PlantServer::Position& position);
    bool stopped() const { return m_pStop->load(); }
    bool pause(int seconds);
    // The reason for a new epoch, empty when the table is the same file's.
    QString checkTable(const QString& name, FileState state, const QString& why, quint32 epoch, qint64 uid);

    SyncSettings m_Settings;
    std::shared_ptr<std::atomic<bool>> m_pStop;
    PlantServer m_Server;
    Totals m_Totals;
    QString m_Error;
    QByteArray m_ShiftDigest; // of the shifts last written in this run
    QByteArray m_ModelDigest;
    QSet<QString> m_Reported; // deleted or edited last rows already told in this run
};

#endif // STATIONSYNC_H
