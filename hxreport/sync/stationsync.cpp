#include "stationsync.h"

#include "stationschema.h"
#include "syncvalues.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

namespace {
const QStringList& recordIdentity()
{
    static const QStringList names
        = SyncTable::records(false).names().mid(0, SyncTable::records(false).identity);
    return names;
}

const QStringList& logIdentity()
{
    static const QStringList names = SyncTable::logs().names().mid(0, SyncTable::logs().identity);
    return names;
}
}

StationSync::StationSync(
    const SyncSettings& settings, std::shared_ptr<std::atomic<bool>> stop, QObject* parent)
    : QObject(parent)
    , m_Settings(settings)
    , m_pStop(std::move(stop))
    , m_Server(settings)
{
}

StationSync::~StationSync() = default;

// The facts FileChange judges by: the last copied row by its mark, the
// earlier copied rows still there (the witnesses) by theirs, and, without a
// witness, whether a row older than the last copied one is there.
StationSync::FileState StationSync::compare(const StationFile::TableProbe& probe, qint64 lastUid,
    const QByteArray& lastMark, const QByteArray& lastTime, const SyncWitnesses& witnesses, QString* why)
{
    FileChange::Seen seen;
    seen.lastUid = lastUid;
    seen.hasSequence = probe.hasSequence;
    seen.sequence = probe.sequence;
    if (probe.hasRow)
        seen.row = SyncValues::mark(probe.row, probe.row.size()) == lastMark ? FileChange::Row::Same
                                                                             : FileChange::Row::Changed;
    QStringList other;
    for (const StationFile::TableRow& row : probe.others) {
        for (const SyncWitnesses::Witness& witness : witnesses.list()) {
            if (witness.uid != row.uid || row.uid >= lastUid)
                continue;
            if (SyncValues::mark(row.values, row.values.size()) == witness.mark)
                ++seen.sameWitnesses;
            else
                other << QString::number(row.uid);
        }
    }
    seen.otherWitnesses = other.join(QStringLiteral(", "));
    seen.olderRows = !lastTime.isNull() && probe.hasFirstTime && SyncValues::isText(probe.firstTime)
        && SyncValues::text(probe.firstTime) < lastTime;
    return FileChange::judge(seen, why);
}

QString StationSync::checkTable(
    const QString& name, FileState state, const QString& why, quint32 epoch, qint64 uid)
{
    switch (state) {
    case FileState::Same:
        return QString();
    case FileState::Replaced:
        return QStringLiteral("file replaced: %1: %2").arg(name, why);
    case FileState::LastRowDeleted:
    case FileState::LastRowEdited: {
        // Told once per run; the position stays, the next row follows it.
        const QString key = QStringLiteral("%1/%2/%3/%4").arg(name).arg(epoch).arg(uid).arg(int(state));
        if (!m_Reported.contains(key)) {
            m_Reported.insert(key);
            ++m_Totals.changed;
            emit message(
                QStringLiteral("%1: %2 on the station; the archive keeps the row as copied").arg(name, why));
        }
        return QString();
    }
    }
    return QString();
}

StationSync::Outcome StationSync::serverFailure()
{
    m_Error = m_Server.errorString();
    switch (m_Server.failure()) {
    case PlantServer::Failure::Transient:
        m_Server.close();
        return Outcome::Transient;
    case PlantServer::Failure::Settings:
        return Outcome::Settings;
    default:
        return Outcome::Failed;
    }
}

StationSync::Outcome StationSync::stationFailure(const StationFile& file)
{
    if (stopped())
        return Outcome::Stopped;
    m_Error = QStringLiteral("station file %1: %2").arg(m_Settings.detectionPath(), file.errorString());
    // Locked too long, being replaced, briefly missing: the next pass sees.
    return Outcome::Transient;
}

StationSync::Outcome StationSync::copyRows(StationFile& file, const SyncTable& table,
    PlantServer::Position* position, qint64 lastUid, qint64* copied)
{
    const bool records = table.serverTable == QLatin1String("records");
    QVector<StationFile::TableRow> rows;
    // A first pass over a large station takes minutes: the journal shows it moving.
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    for (;;) {
        if (stopped())
            return Outcome::Stopped;
        bool caughtUp = false;
        const qint64 after = records ? position->recordUid : position->logUid;
        if (!file.readTableAfter(table.stationTable, table.names(), after, m_Settings.batchRows,
                m_Settings.readMs, &rows, &caughtUp))
            return stationFailure(file);
        int adjusted = 0;
        if (!m_Server.writeRows(table, position, rows, &adjusted))
            return serverFailure();
        m_Totals.adjusted += adjusted;
        m_Totals.pictures += m_Server.takeDroppedPictures();
        *copied += rows.size();
        if (caughtUp)
            return Outcome::CaughtUp;
        if (sinceProgress.elapsed() >= qint64(m_Settings.progressSeconds) * 1000) {
            sinceProgress.restart();
            emit message(QStringLiteral("copying %1: %2 so far in this pass, up to uid %3 of %4")
                             .arg(records ? QStringLiteral("records") : QStringLiteral("log records"))
                             .arg(*copied)
                             .arg(records ? position->recordUid : position->logUid)
                             .arg(lastUid));
        }
    }
}

StationSync::Outcome StationSync::copyLists(StationFile& file, const PlantServer::Position& position)
{
    const SyncTable shifts = SyncTable::shifts();
    if (file.hasTable(shifts.stationTable)) {
        QVector<StationFile::TableRow> rows;
        bool caughtUp = false;
        if (!file.readTableAfter(shifts.stationTable, shifts.names(), 0, 10000, 1000, &rows, &caughtUp))
            return stationFailure(file);
        QCryptographicHash digest(QCryptographicHash::Sha1);
        digest.addData(QByteArray::number(position.epoch));
        for (const StationFile::TableRow& row : qAsConst(rows))
            digest.addData(QByteArray::number(row.uid) + SyncValues::mark(row.values, row.values.size()));
        if (digest.result() != m_ShiftDigest) {
            if (!m_Server.writeShifts(position, rows))
                return serverFailure();
            m_ShiftDigest = digest.result();
        }
    }
    const QString modelPath = m_Settings.modelPath();
    if (QFileInfo::exists(modelPath)) {
        StationFile models(modelPath, m_pStop.get());
        QStringList names;
        if (models.open() && models.hasTable(QStringLiteral("modelTable"))) {
            SqliteStatement select(
                models.connection(), "SELECT model FROM modelTable WHERE model IS NOT NULL");
            while (select.step())
                names << QString::fromUtf8(select.text(0));
        }
        QCryptographicHash digest(QCryptographicHash::Sha1);
        for (const QString& name : qAsConst(names))
            digest.addData(name.toUtf8() + '\n');
        if (!names.isEmpty() && digest.result() != m_ModelDigest) {
            if (!m_Server.writeModels(names))
                return serverFailure();
            m_ModelDigest = digest.result();
        }
    }
    return Outcome::CaughtUp;
}

StationSync::Outcome StationSync::pass()
{
    if (stopped())
        return Outcome::Stopped;
    if (!m_Server.isOpen()) {
        const bool opened = m_Server.open();
        const QString warning = m_Server.takeWarning();
        if (!warning.isEmpty())
            emit message(warning);
        if (!opened)
            return serverFailure();
    }
    PlantServer::Position position;
    if (!m_Server.readPosition(&position))
        return serverFailure();

    // Opened anew each pass: a replaced file is seen as the new one.
    const QString path = m_Settings.detectionPath();
    StationFile file(path, m_pStop.get());
    if (!file.open())
        return stationFailure(file);
    const QString recordTable = StationSchema::detectionTable();
    const QString logTable = StationSchema::logTable();
    if (!file.hasTable(recordTable)) {
        if (file.errorString().isEmpty())
            m_Error = QStringLiteral("station file %1 has no table %2").arg(path, recordTable);
        else
            m_Error = QStringLiteral("station file %1: %2").arg(path, file.errorString());
        return Outcome::Transient;
    }
    const bool logs = file.hasTable(logTable);
    StationFile::TableProbe records;
    StationFile::TableProbe logProbe;
    const SyncWitnesses recordWitnesses = SyncWitnesses::fromText(position.recordWitnesses);
    const SyncWitnesses logWitnesses = SyncWitnesses::fromText(position.logWitnesses);
    if (!file.probeTable(recordTable, recordIdentity(), position.recordUid, true, &records,
            recordWitnesses.uidsBelow(position.recordUid))
        || (logs
            && !file.probeTable(logTable, logIdentity(), position.logUid, false, &logProbe,
                logWitnesses.uidsBelow(position.logUid))))
        return stationFailure(file);

    QString reason;
    QString why;
    const int changedBefore = m_Totals.changed;
    if (!position.exists) {
        reason = QStringLiteral("first sync of the station");
    } else {
        reason = checkTable(QStringLiteral("records"),
            compare(records, position.recordUid, position.recordMark,
                position.hasRecordTime ? position.recordTime.toUtf8() : QByteArray(), recordWitnesses, &why),
            why, position.epoch, position.recordUid);
        if (reason.isEmpty() && logs)
            reason = checkTable(QStringLiteral("log records"),
                compare(logProbe, position.logUid, position.logMark, QByteArray(), logWitnesses, &why), why,
                position.epoch, position.logUid);
    }
    if (!reason.isEmpty()) {
        const quint32 old = position.epoch;
        if (!m_Server.beginEpoch(
                &position, QFileInfo(path).absoluteFilePath(), StationFile::fileId(path), reason))
            return serverFailure();
        ++m_Totals.epochs;
        m_ShiftDigest.clear();
        if (old > 0)
            emit message(QStringLiteral("station file %1 was %2; epoch %3 begins, the rows of epoch %4 stay")
                             .arg(path, reason.mid(QStringLiteral("file ").size()))
                             .arg(position.epoch)
                             .arg(old));
    }

    qint64 copiedRecords = 0;
    qint64 copiedLogs = 0;
    Outcome outcome = copyRows(
        file, SyncTable::records(m_Settings.thumbnails), &position, records.maxUid, &copiedRecords);
    if (outcome == Outcome::CaughtUp && logs)
        outcome = copyRows(file, SyncTable::logs(), &position, logProbe.maxUid, &copiedLogs);
    if (outcome == Outcome::CaughtUp)
        outcome = copyLists(file, position);
    m_Totals.records += copiedRecords;
    m_Totals.logs += copiedLogs;
    const int changed = m_Totals.changed - changedBefore;
    if (copiedRecords + copiedLogs + changed > 0)
        emit message(
            QStringLiteral("copied %1 records and %2 log records (epoch %3, record uid %4, log uid %5)%6")
                .arg(copiedRecords)
                .arg(copiedLogs)
                .arg(position.epoch)
                .arg(position.recordUid)
                .arg(position.logUid)
                .arg(changed > 0 ? QStringLiteral("; %1 copied rows deleted or edited on the station since, "
                                                  "kept as copied")
                                       .arg(changed)
                                 : QString()));
    return outcome;
}

bool StationSync::pause(int seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < qint64(seconds) * 1000) {
        if (stopped())
            return false;
        QThread::msleep(50);
    }
    return !stopped();
}

int StationSync::run()
{
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    int backoff = 1;
    for (;;) {
        const qint64 before = m_Totals.records + m_Totals.logs;
        const Outcome outcome = pass();
        // --once gives up only after retrySeconds without any progress.
        if (m_Totals.records + m_Totals.logs > before)
            sinceProgress.restart();
        switch (outcome) {
        case Outcome::CaughtUp:
            if (m_Totals.adjusted > 0) {
                emit message(
                    QStringLiteral("%1 values did not fit their server column and were cut or left empty")
                        .arg(m_Totals.adjusted));
                m_Totals.adjusted = 0;
            }
            if (m_Totals.pictures > 0) {
                emit message(
                    QStringLiteral("%1 pictures were larger than the server takes (max_allowed_packet) "
                                   "and were left out; their records were copied without them")
                        .arg(m_Totals.pictures));
                m_Totals.pictures = 0;
            }
            if (m_Settings.once)
                return 0;
            backoff = 1;
            sinceProgress.restart();
            if (!pause(m_Settings.intervalSeconds))
                return 0;
            break;
        case Outcome::Stopped:
            return 0;
        case Outcome::Settings:
            emit message(m_Error);
            return 2;
        case Outcome::Failed:
            emit message(m_Error);
            return 1;
        case Outcome::Transient:
            if (m_Settings.once && sinceProgress.elapsed() >= qint64(m_Settings.retrySeconds) * 1000) {
                emit message(m_Error + QStringLiteral("; giving up"));
                return 1;
            }
            emit message(m_Error + QStringLiteral("; trying again in %1 s").arg(backoff));
            if (!pause(backoff))
                return 0;
            backoff = qMin(backoff * 2, 30);
            break;
        }
    }
}
