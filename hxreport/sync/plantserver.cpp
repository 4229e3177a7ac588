#include "plantserver.h"

#include "optionfile.h"
#include "syncvalues.h"
#include "syncwitnesses.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QSqlError>

namespace {
// Rows per INSERT statement: one prepared statement serves every full batch.
const int StatementRows = 500;
// A statement's rows stop here when pictures make them large (the server's
// max_allowed_packet is 16 MB by default).
const int StatementBytes = 4 * 1024 * 1024;

const char* const LockSql = "SELECT GET_LOCK(CONCAT('hxsync:', SHA1(?)), 0)";
const char* const SchemaCheckSql = "SELECT station, epoch, record_uid, log_uid FROM stations LIMIT 0";
const char* const PositionSql = "SELECT epoch, record_uid, record_mark, record_time, log_uid, log_mark,"
                                " record_witnesses, log_witnesses FROM stations WHERE station = ?";
const char* const FirstEpochSql
    = "INSERT INTO stations (station, epoch, record_uid, record_mark, record_time, log_uid, log_mark,"
      " synced_at) VALUES (?, 1, 0, '', NULL, 0, '', ?)";
const char* const NextEpochSql = "UPDATE stations SET epoch = ?, record_uid = 0, record_mark = '',"
                                 " record_time = NULL, log_uid = 0, log_mark = '', record_witnesses = '',"
                                 " log_witnesses = '', synced_at = ?"
                                 " WHERE station = ? AND epoch = ?";
const char* const FileSql
    = "INSERT INTO station_files (station, epoch, file_path, file_id, reason, started_at)"
      " VALUES (?, ?, ?, ?, ?, ?)";
const char* const RecordPositionSql = "UPDATE stations SET record_uid = ?, record_mark = ?, record_time = ?,"
                                      " record_witnesses = ?, synced_at = ? WHERE station = ? AND epoch = ?";
const char* const LogPositionSql = "UPDATE stations SET log_uid = ?, log_mark = ?, log_witnesses = ?,"
                                   " synced_at = ? WHERE station = ? AND epoch = ?";
// Adds a batch's records per day and model (%1: the rows' placeholders).
const char* const CountsSql = "INSERT INTO record_counts (station, day, model, records) VALUES %1"
                              " ON DUPLICATE KEY UPDATE records = records + VALUES(records)";
const char* const ModelSql = "INSERT INTO models (station, model, last_seen) VALUES (?, ?, ?)"
                             " ON DUPLICATE KEY UPDATE last_seen = VALUES(last_seen)";

QString now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

PlantServer::Failure classify(const QSqlError& error)
{
    const int code = error.nativeErrorCode().toInt();
    switch (code) {
    case 1040: // too many connections
    case 1053: // server shutting down
    case 1205: // lock wait timeout
    case 1213: // deadlock
    case 1317: // query interrupted
    case 1927: // connection killed
    case 4031: // disconnected for inactivity
        return PlantServer::Failure::Transient;
    case 1044: // access denied to the database
    case 1045: // access denied
    case 1049: // unknown database
    case 1142: // command denied
    case 1143: // column command denied
    case 1146: // no such table
    case 1054: // no such column
    case 1698:
        return PlantServer::Failure::Settings;
    default:
        // The connector's own errors: cannot connect, server gone, lost connection.
        if (code >= 2000 && code < 3000)
            return PlantServer::Failure::Transient;
        return error.type() == QSqlError::ConnectionError ? PlantServer::Failure::Transient
                                                          : PlantServer::Failure::Other;
    }
}
}

PlantServer::PlantServer(const SyncSettings& settings)
    : m_Settings(settings)
{
    static QAtomicInt counter;
    m_Connection = QStringLiteral("hxsync-%1").arg(counter.fetchAndAddRelaxed(1));
}

PlantServer::~PlantServer()
{
    close();
}

bool PlantServer::fail(const QSqlError& error, const QString& what)
{
    m_Failure = classify(error);
    const QString text = error.text().trimmed();
    m_Error = what + QStringLiteral(": ") + (text.isEmpty() ? QStringLiteral("unknown error") : text);
    return false;
}

bool PlantServer::open()
{
    close();
    m_Failure = Failure::None;
    QString host = m_Settings.host;
    QString user = m_Settings.user;
    QString socket = m_Settings.socket;
    QString database = m_Settings.database;
    int port = m_Settings.port;
    QString password = qEnvironmentVariable("MYSQL_PWD");
    if (!m_Settings.optionFile.isEmpty()) {
        QMap<QString, QString> values;
        if (!OptionFile::read(m_Settings.optionFile, &values, &m_Error)) {
            m_Failure = Failure::Settings;
            return false;
        }
        // The command line wins over the file.
        host = host.isEmpty() ? values.value(QStringLiteral("host")) : host;
        user = user.isEmpty() ? values.value(QStringLiteral("user")) : user;
        socket = socket.isEmpty() ? values.value(QStringLiteral("socket")) : socket;
        port = port == 0 ? values.value(QStringLiteral("port")).toInt() : port;
        if (values.contains(QStringLiteral("password")))
            password = values.value(QStringLiteral("password"));
    }
    if (user.isEmpty()) {
        m_Failure = Failure::Settings;
        m_Error = QStringLiteral("no server user (--user or user= in the option file)");
        return false;
    }
    // Qt's driver splits its options at ';'.
    if (socket.contains(QLatin1Char(';'))) {
        m_Failure = Failure::Settings;
        m_Error = QStringLiteral("the socket path must not hold ';'");
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), m_Connection);
        if (!db.isValid()) {
            QSqlDatabase::removeDatabase(m_Connection);
            m_Failure = Failure::Settings;
            m_Error = QStringLiteral("Qt's MariaDB driver QMYSQL is missing (package libqt5sql5-mysql)");
            return false;
        }
        db.setDatabaseName(database);
        db.setUserName(user);
        db.setPassword(password);
        if (!host.isEmpty())
            db.setHostName(host);
        if (port > 0)
            db.setPort(port);
        QString options = QStringLiteral(
            "MYSQL_OPT_CONNECT_TIMEOUT=10;MYSQL_OPT_READ_TIMEOUT=120;MYSQL_OPT_WRITE_TIMEOUT=120");
        if (!socket.isEmpty())
            options += QStringLiteral(";UNIX_SOCKET=") + socket;
        db.setConnectOptions(options);
        if (!db.open())
            return fail(db.lastError(), QStringLiteral("cannot connect to the server"));
    }
    m_bOpen = true;
    // Strict: a value the column cannot hold is an error, never silently cut.
    if (!run(QStringLiteral("SET NAMES utf8mb4"), {}, QStringLiteral("cannot set up the session"))
        || !run(QStringLiteral("SET SESSION sql_mode = 'STRICT_ALL_TABLES,NO_ENGINE_SUBSTITUTION'"), {},
            QStringLiteral("cannot set up the session")))
        return false;
    if (!run(QLatin1String(SchemaCheckSql), {},
            QStringLiteral("the database holds no plant archive (load server/schema.sql)")))
        return false;
    QSqlQuery lock(QSqlDatabase::database(m_Connection, false));
    lock.prepare(QLatin1String(LockSql));
    lock.addBindValue(m_Settings.station);
    if (!exec(lock, QStringLiteral("cannot take the station's lock")))
        return false;
    if (!lock.next() || lock.value(0).toInt() != 1) {
        // Held by another session: another sync of this station (or one whose
        // connection the server has not yet seen gone).
        m_Failure = Failure::Transient;
        m_Error = QStringLiteral("another sync of station \"%1\" is running").arg(m_Settings.station);
        close();
        return false;
    }
    return true;
}

void PlantServer::close()
{
    m_Statements.clear();
    m_CountStatements.clear();
    if (QSqlDatabase::contains(m_Connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_Connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_Connection);
    }
    m_bOpen = false;
}

bool PlantServer::exec(QSqlQuery& query, const QString& what)
{
    if (query.exec())
        return true;
    return fail(query.lastError(), what);
}

bool PlantServer::run(const QString& sql, const QVariantList& values, const QString& what)
{
    QSqlQuery query(QSqlDatabase::database(m_Connection, false));
    if (values.isEmpty()) {
        if (query.exec(sql))
            return true;
        return fail(query.lastError(), what);
    }
    if (!query.prepare(sql))
        return fail(query.lastError(), what);
    for (const QVariant& value : values)
        query.addBindValue(value);
    return exec(query, what);
}

bool PlantServer::commit(const QString& what)
{
    QSqlDatabase db = QSqlDatabase::database(m_Connection, false);
    if (db.commit())
        return true;
    fail(db.lastError(), what);
    rollBack();
    return false;
}

void PlantServer::rollBack()
{
    QSqlDatabase db = QSqlDatabase::database(m_Connection, false);
    db.rollback();
}

bool PlantServer::readPosition(Position* position)
{
    *position = Position();
    QSqlQuery query(QSqlDatabase::database(m_Connection, false));
    query.prepare(QLatin1String(PositionSql));
    query.addBindValue(m_Settings.station);
    if (!exec(query, QStringLiteral("cannot read the station's position")))
        return false;
    if (query.next()) {
        position->exists = true;
        position->epoch = query.value(0).toUInt();
        position->recordUid = query.value(1).toLongLong();
        position->recordMark = query.value(2).toByteArray();
        position->hasRecordTime = !query.value(3).isNull();
        position->recordTime = query.value(3).toString();
        position->logUid = query.value(4).toLongLong();
        position->logMark = query.value(5).toByteArray();
        position->recordWitnesses = query.value(6).toByteArray();
        position->logWitnesses = query.value(7).toByteArray();
    }
    return true;
}

bool PlantServer::beginEpoch(
    Position* position, const QString& filePath, const QByteArray& fileId, const QString& reason)
{
    QSqlDatabase db = QSqlDatabase::database(m_Connection, false);
    if (!db.transaction())
        return fail(db.lastError(), QStringLiteral("cannot begin a transaction"));
    const QString stamp = now();
    const quint32 epoch = position->exists ? position->epoch + 1 : 1;
    const bool ok = (position->exists ? run(QLatin1String(NextEpochSql),
                         { epoch, stamp, m_Settings.station, position->epoch },
                         QStringLiteral("cannot begin the station's next epoch"))
                                      : run(QLatin1String(FirstEpochSql), { m_Settings.station, stamp },
                                          QStringLiteral("cannot register the station")))
        && run(QLatin1String(FileSql),
            { m_Settings.station, epoch, filePath.left(1024), QString::fromLatin1(fileId.left(64)),
                reason.left(255), stamp },
            QStringLiteral("cannot record the station file"));
    if (!ok) {
        rollBack();
        return false;
    }
    if (!commit(QStringLiteral("cannot begin the station's epoch")))
        return false;
    *position = Position();
    position->exists = true;
    position->epoch = epoch;
    return true;
}

QSqlQuery* PlantServer::insertStatement(const SyncTable& table, int rows)
{
    const QString row = QStringLiteral("(?") + QStringLiteral(",?").repeated(3 + table.columns.size() - 1)
        + QLatin1Char(')');
    QStringList values;
    values.reserve(rows);
    for (int i = 0; i < rows; ++i)
        values << row;
    const QString sql = QStringLiteral("INSERT IGNORE INTO ") + table.serverTable
        + QStringLiteral(" (station,epoch,uid,") + table.names().join(QLatin1Char(','))
        + QStringLiteral(") VALUES ") + values.join(QLatin1Char(','));
    auto it = m_Statements.find(sql);
    if (it == m_Statements.end()) {
        QSqlQuery query(QSqlDatabase::database(m_Connection, false));
        if (!query.prepare(sql)) {
            fail(query.lastError(), QStringLiteral("cannot prepare the insert"));
            return nullptr;
        }
        // The full statements of each table recur; the odd sizes of a
        // batch's last statement are dropped now and then.
        if (m_Statements.size() > 8)
            m_Statements.clear();
        it = m_Statements.emplace(sql, query).first;
    }
    return &it->second;
}

PlantServer::Inserted PlantServer::insertRows(const SyncTable& table, const QVariant& epoch,
    const QVector<StationFile::TableRow>& rows, bool rowByRow, DayCounts* counts, int* adjusted)
{
    const QString what = QStringLiteral("cannot insert into ") + table.serverTable;
    const QVariant station(m_Settings.station);
    const int columns = table.columns.size();
    const QStringList names = table.names();
    const int time = names.indexOf(QStringLiteral("time"));
    const int model = names.indexOf(QStringLiteral("model"));
    const int limit = rowByRow ? 1 : StatementRows;
    int start = 0;
    while (start < rows.size()) {
        // The rows of this statement: up to limit, fewer when large.
        int count = 0;
        qint64 bytes = 0;
        while (start + count < rows.size() && count < limit && (count == 0 || bytes < StatementBytes)) {
            for (const SqliteValue& value : rows.at(start + count).values)
                bytes += SyncValues::size(value);
            ++count;
        }
        QSqlQuery* query = insertStatement(table, count);
        if (!query)
            return Inserted::Failed;
        int place = 0;
        for (int r = start; r < start + count; ++r) {
            const StationFile::TableRow& row = rows.at(r);
            query->bindValue(place++, station);
            query->bindValue(place++, epoch);
            query->bindValue(place++, row.uid);
            for (int c = 0; c < columns; ++c) {
                bool changed = false;
                query->bindValue(
                    place++, SyncValues::toServer(row.values.at(c), table.columns.at(c), &changed));
                *adjusted += changed ? 1 : 0;
            }
        }
        if (!exec(*query, what))
            return Inserted::Failed;
        if (counts) {
            // All new, or all there before (nothing to count); anything
            // between leaves the rows that were new unknown.
            const int taken = query->numRowsAffected();
            if (taken < 0 || taken > count) {
                // Never a guess: counts that disagree with the rows stay wrong.
                m_Failure = Failure::Other;
                m_Error = what + QStringLiteral(": the server did not say how many rows it took");
                return Inserted::Failed;
            }
            if (taken > 0 && taken < count)
                return Inserted::Mixed;
            for (int r = 0; taken == count && r < count; ++r) {
                const int first = r * (3 + columns) + 3;
                counts->add(query->boundValue(first + time), query->boundValue(first + model));
            }
        }
        start += count;
    }
    return Inserted::Done;
}

bool PlantServer::addCounts(const DayCounts& counts)
{
    const QVector<DayCounts::Row> rows = counts.rows();
    const QVariant station(m_Settings.station);
    for (int start = 0; start < rows.size(); start += StatementRows) {
        const int count = qMin(StatementRows, rows.size() - start);
        auto it = m_CountStatements.find(count);
        if (it == m_CountStatements.end()) {
            QStringList values;
            for (int i = 0; i < count; ++i)
                values << QStringLiteral("(?,?,?,?)");
            QSqlQuery query(QSqlDatabase::database(m_Connection, false));
            if (!query.prepare(QLatin1String(CountsSql).arg(values.join(QLatin1Char(',')))))
                return fail(query.lastError(), QStringLiteral("cannot prepare the day counts"));
            // A batch has a few days and models; their numbers vary little.
            if (m_CountStatements.size() > 16)
                m_CountStatements.clear();
            it = m_CountStatements.emplace(count, query).first;
        }
        QSqlQuery& query = it->second;
        int place = 0;
        for (int r = start; r < start + count; ++r) {
            query.bindValue(place++, station);
            query.bindValue(place++, rows.at(r).day);
            query.bindValue(place++, rows.at(r).model);
            query.bindValue(place++, rows.at(r).records);
        }
        if (!exec(query, QStringLiteral("cannot add the day counts")))
            return false;
    }
    return true;
}

bool PlantServer::writeRows(
    const SyncTable& table, Position* position, const QVector<StationFile::TableRow>& rows, int* adjusted)
{
    if (rows.isEmpty())
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_Connection, false);
    if (!db.transaction())
        return fail(db.lastError(), QStringLiteral("cannot begin a transaction"));
    const QVariant station(m_Settings.station);
    const QVariant epoch(position->epoch);
    const bool records = table.serverTable == QLatin1String("records");
    DayCounts counts;
    int batchAdjusted = 0;
    Inserted inserted = insertRows(table, epoch, rows, false, records ? &counts : nullptr, &batchAdjusted);
    if (inserted == Inserted::Mixed) {
        // Some of the batch was there already (the station's position was
        // moved back, say). Once more, one row per statement: each row's
        // affected count says whether it is new.
        rollBack();
        if (!db.transaction())
            return fail(db.lastError(), QStringLiteral("cannot begin a transaction"));
        counts.clear();
        batchAdjusted = 0;
        inserted = insertRows(table, epoch, rows, true, &counts, &batchAdjusted);
    }
    bool ok = inserted == Inserted::Done && (counts.isEmpty() || addCounts(counts));
    const StationFile::TableRow& last = rows.constLast();
    const QByteArray mark = SyncValues::mark(last.values, table.identity);
    SyncWitnesses witnesses
        = SyncWitnesses::fromText(records ? position->recordWitnesses : position->logWitnesses);
    witnesses.add(rows.constFirst().uid, SyncValues::mark(rows.constFirst().values, table.identity));
    witnesses.add(last.uid, mark);
    const QByteArray witnessText = witnesses.toText();
    if (ok) {
        const QString stamp = now();
        if (records) {
            bool changed = false;
            const QVariant time = SyncValues::toServer(last.values.at(0), table.columns.at(0), &changed);
            ok = run(QLatin1String(RecordPositionSql),
                { last.uid, QString::fromLatin1(mark), time, QString::fromLatin1(witnessText), stamp, station,
                    epoch },
                QStringLiteral("cannot move the station's position"));
        } else {
            ok = run(QLatin1String(LogPositionSql),
                { last.uid, QString::fromLatin1(mark), QString::fromLatin1(witnessText), stamp, station,
                    epoch },
                QStringLiteral("cannot move the station's position"));
        }
    }
    if (ok && m_BeforeCommit)
        m_BeforeCommit();
    if (!ok) {
        rollBack();
        return false;
    }
    if (!commit(QStringLiteral("cannot commit the batch")))
        return false;
    *adjusted += batchAdjusted;
    if (records) {
        position->recordUid = last.uid;
        position->recordMark = mark;
        position->hasRecordTime = SyncValues::isText(last.values.at(0));
        position->recordTime = QString::fromUtf8(SyncValues::text(last.values.at(0)));
        position->recordWitnesses = witnessText;
    } else {
        position->logUid = last.uid;
        position->logMark = mark;
        position->logWitnesses = witnessText;
    }
    return true;
}

bool PlantServer::writeShifts(const Position& position, const QVector<StationFile::TableRow>& rows)
{
    if (rows.isEmpty())
        return true;
    const SyncTable table = SyncTable::shifts();
    QSqlDatabase db = QSqlDatabase::database(m_Connection, false);
    if (!db.transaction())
        return fail(db.lastError(), QStringLiteral("cannot begin a transaction"));
    const QString sql = QStringLiteral("INSERT INTO shifts (station,epoch,uid,")
        + table.names().join(QLatin1Char(',')) + QStringLiteral(",last_seen) VALUES (?,?,?")
        + QStringLiteral(",?").repeated(table.columns.size() + 1)
        + QStringLiteral(") ON DUPLICATE KEY UPDATE last_seen = VALUES(last_seen)");
    const QString stamp = now();
    QSqlQuery query(db);
    bool ok = query.prepare(sql);
    for (int r = 0; ok && r < rows.size(); ++r) {
        const StationFile::TableRow& row = rows.at(r);
        int place = 0;
        query.bindValue(place++, m_Settings.station);
        query.bindValue(place++, position.epoch);
        query.bindValue(place++, row.uid);
        for (int c = 0; c < table.columns.size(); ++c) {
            bool changed = false;
            query.bindValue(place++, SyncValues::toServer(row.values.at(c), table.columns.at(c), &changed));
        }
        query.bindValue(place++, stamp);
        ok = query.exec();
    }
    if (!ok) {
        fail(query.lastError(), QStringLiteral("cannot write the shifts"));
        rollBack();
        return false;
    }
    return commit(QStringLiteral("cannot write the shifts"));
}

bool PlantServer::writeModels(const QStringList& models)
{
    if (models.isEmpty())
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_Connection, false);
    if (!db.transaction())
        return fail(db.lastError(), QStringLiteral("cannot begin a transaction"));
    const QString stamp = now();
    QSqlQuery query(db);
    bool ok = query.prepare(QLatin1String(ModelSql));
    for (int i = 0; ok && i < models.size(); ++i) {
        query.bindValue(0, m_Settings.station);
        query.bindValue(1, models.at(i).left(255));
        query.bindValue(2, stamp);
        ok = query.exec();
    }
    if (!ok) {
        fail(query.lastError(), QStringLiteral("cannot write the models"));
        rollBack();
        return false;
    }
    return commit(QStringLiteral("cannot write the models"));
}
