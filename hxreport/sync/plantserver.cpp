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
// The pictures' column (MEDIUMBLOB), and room in a packet for the rest of a
// one-row statement.
const qint64 MediumBlobBytes = 16 * 1024 * 1024 - 1;
const qint64 PacketReserve = 64 * 1024;

// The archive's procedures (server/schema.sql) check the caller and write;
// the session's rows in the batch tables sync_batch_* go before each call.
const char* const OpenSql = "CALL sync_open(?)";
const char* const SchemaCheckSql
    = "SELECT station, epoch, record_uid, log_uid, record_witnesses FROM sync_positions"
      " LIMIT 0";
const char* const PositionSql = "SELECT epoch, record_uid, record_mark, record_time, log_uid, log_mark,"
                                " record_witnesses, log_witnesses FROM sync_positions WHERE station = ?";
const char* const EpochSql = "CALL sync_begin_epoch(?, ?, ?, ?, ?)";
const char* const AddRecordsSql = "CALL sync_add_records(?, ?, ?, ?)";
const char* const AddLogsSql = "CALL sync_add_logs(?, ?, ?, ?)";
const char* const AddShiftsSql = "CALL sync_add_shifts(?, ?)";
const char* const AddModelsSql = "CALL sync_add_models(?)";
const char* const ModelSql = "INSERT IGNORE INTO sync_batch_models (model) VALUES (?)";

}

PlantServer::Failure PlantServer::classify(const QSqlError& error)
{
    const int code = error.nativeErrorCode().toInt();
    switch (code) {
    case 1040: // too many connections
    case 1053: // server shutting down
    case 1205: // lock wait timeout
    case 1213: // deadlock
    // The AUTO-INC lock of an INSERT … SELECT not granted (a deadlock or lock
    // wait among stations starting their first copy together).
    case 1467:
    case 1317: // query interrupted
    case 1927: // connection killed
    case 4031: // disconnected for inactivity
    case 1114: // table full: the server's disk or tablespace
    case 1021: // disk full
        return Failure::Transient;
    case 1044: // access denied to the database
    case 1045: // access denied
    case 1049: // unknown database
    case 1142: // command denied
    case 1143: // column command denied
    case 1146: // no such table
    case 1054: // no such column
    case 1698:
    case 1370: // no EXECUTE on a procedure
    case 50001: // the account may not write the station (server/schema.sql)
        return Failure::Settings;
    case 50002: // another session holds the station
        return Failure::Transient;
    default:
        // The connector's own errors: cannot connect, server gone, lost connection.
        if (code >= 2000 && code < 3000)
            return Failure::Transient;
        return error.type() == QSqlError::ConnectionError ? Failure::Transient : Failure::Other;
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
    const int code = error.nativeErrorCode().toInt();
    if (m_Failure == Failure::Transient && code != 1205 && code != 1213 && code != 1467 && code != 50002) {
        // The connection is gone or going: closed now, before the failed
        // statement and the prepared ones are freed, they are freed without
        // asking the server (and without the driver's warnings).
        QSqlDatabase db = QSqlDatabase::database(m_Connection, false);
        db.close();
        m_bOpen = false;
    }
    if (code == 1114 || code == 1021)
        m_Error += QStringLiteral(" (the server is out of space; nothing of the batch was kept)");
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
        if (!OptionFile::read(m_Settings.optionFile, &values, &m_Error, QStringLiteral("stationsync"),
                m_bWarned ? nullptr : &m_Warning)) {
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
    if (!run({ QStringLiteral("SET NAMES utf8mb4"), {} }, QStringLiteral("cannot set up the session"))
        || !run({ QStringLiteral("SET SESSION sql_mode = 'STRICT_ALL_TABLES,NO_ENGINE_SUBSTITUTION'"), {} },
            QStringLiteral("cannot set up the session")))
        return false;
    // A picture over the packet limit would end the connection ("server has
    // gone away") at every try: such a picture is left out.
    {
        QSqlQuery packet(QSqlDatabase::database(m_Connection, false));
        if (!packet.exec(QStringLiteral("SELECT @@max_allowed_packet")) || !packet.next())
            return fail(packet.lastError(), QStringLiteral("cannot set up the session"));
        m_PictureLimit = qMin<qint64>(MediumBlobBytes, packet.value(0).toLongLong() - PacketReserve);
    }
    if (!run({ QLatin1String(SchemaCheckSql), {} },
            QStringLiteral("the database holds no plant archive, or one from an older server/schema.sql "
                           "(load server/schema.sql)")))
        return false;
    // The station's lock and the session's batch tables; refused when the
    // account is not the station's.
    if (!run({ QLatin1String(OpenSql), { m_Settings.station } },
            QStringLiteral("cannot open station \"%1\"").arg(m_Settings.station))) {
        if (m_Failure == Failure::Transient)
            close();
        return false;
    }
    return true;
}

void PlantServer::close()
{
    // The connection first: prepared statements of a closed connection are
    // freed without a word to the server, which may be gone.
    if (QSqlDatabase::contains(m_Connection)) {
        QSqlDatabase db = QSqlDatabase::database(m_Connection, false);
        db.close();
    }
    m_Statements.clear();
    if (QSqlDatabase::contains(m_Connection))
        QSqlDatabase::removeDatabase(m_Connection);
    m_bOpen = false;
}

bool PlantServer::exec(QSqlQuery& query, const QString& what)
{
    if (query.exec())
        return true;
    return fail(query.lastError(), what);
}

bool PlantServer::run(const BoundStatement& statement, const QString& what)
{
    QSqlQuery query(QSqlDatabase::database(m_Connection, false));
    if (statement.values.isEmpty()) {
        if (query.exec(statement.text))
            return true;
        return fail(query.lastError(), what);
    }
    if (!query.prepare(statement.text))
        return fail(query.lastError(), what);
    for (const QVariant& value : statement.values)
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
    if (db.isOpen())
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
    const quint32 epoch = position->exists ? position->epoch + 1 : 1;
    if (!run({ QLatin1String(EpochSql),
                 { m_Settings.station, epoch - 1, filePath.left(1024), QString::fromLatin1(fileId.left(64)),
                     reason.left(255) } },
            QStringLiteral("cannot begin the station's epoch"))) {
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
    const QString row
        = QStringLiteral("(?") + QStringLiteral(",?").repeated(table.columns.size()) + QLatin1Char(')');
    QStringList values;
    values.reserve(rows);
    for (int i = 0; i < rows; ++i)
        values << row;
    const QString sql = QStringLiteral("INSERT INTO sync_batch_") + table.serverTable
        + QStringLiteral(" (uid,") + table.names().join(QLatin1Char(',')) + QStringLiteral(") VALUES ")
        + values.join(QLatin1Char(','));
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

bool PlantServer::insertRows(
    const SyncTable& table, const QVector<StationFile::TableRow>& rows, int* adjusted)
{
    const QString what = QStringLiteral("cannot insert into ") + table.serverTable;
    const int columns = table.columns.size();
    int start = 0;
    while (start < rows.size()) {
        // The rows of this statement: up to StatementRows, fewer when large.
        int count = 0;
        qint64 bytes = 0;
        while (
            start + count < rows.size() && count < StatementRows && (count == 0 || bytes < StatementBytes)) {
            for (const SqliteValue& value : rows.at(start + count).values)
                bytes += SyncValues::size(value);
            ++count;
        }
        QSqlQuery* query = insertStatement(table, count);
        if (!query)
            return false;
        int place = 0;
        for (int r = start; r < start + count; ++r) {
            const StationFile::TableRow& row = rows.at(r);
            query->bindValue(place++, row.uid);
            for (int c = 0; c < columns; ++c) {
                bool changed = false;
                if (table.columns.at(c).kind == SyncTable::Kind::Bytes
                    && SyncValues::size(row.values.at(c)) > m_PictureLimit) {
                    query->bindValue(place++, QVariant(QVariant::ByteArray));
                    ++m_BatchPictures;
                    continue;
                }
                query->bindValue(
                    place++, SyncValues::toServer(row.values.at(c), table.columns.at(c), &changed));
                *adjusted += changed ? 1 : 0;
            }
        }
        if (!exec(*query, what))
            return false;
        start += count;
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
    const bool records = table.serverTable == QLatin1String("records");
    int batchAdjusted = 0;
    m_BatchPictures = 0;
    const StationFile::TableRow& last = rows.constLast();
    const QByteArray mark = SyncValues::mark(last.values, table.identity);
    SyncWitnesses witnesses
        = SyncWitnesses::fromText(records ? position->recordWitnesses : position->logWitnesses);
    witnesses.add(rows.constFirst().uid, SyncValues::mark(rows.constFirst().values, table.identity));
    witnesses.add(last.uid, mark);
    const QByteArray witnessText = witnesses.toText();
    // The server adds the rows it has not got yet, their day counts and the
    // position in this transaction.
    bool ok = insertRows(table, rows, &batchAdjusted)
        && run({ QLatin1String(records ? AddRecordsSql : AddLogsSql),
                   { m_Settings.station, position->epoch, QString::fromLatin1(mark),
                       QString::fromLatin1(witnessText) } },
            QStringLiteral("cannot add the batch of ") + table.serverTable);
    if (ok && m_BeforeCommit)
        m_BeforeCommit();
    if (!ok) {
        rollBack();
        return false;
    }
    if (!commit(QStringLiteral("cannot commit the batch")))
        return false;
    *adjusted += batchAdjusted;
    m_DroppedPictures += m_BatchPictures;
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

QString PlantServer::takeWarning()
{
    m_bWarned = m_bWarned || !m_Warning.isEmpty();
    const QString warning = m_Warning;
    m_Warning.clear();
    return warning;
}

int PlantServer::takeDroppedPictures()
{
    const int dropped = m_DroppedPictures;
    m_DroppedPictures = 0;
    return dropped;
}

bool PlantServer::writeShifts(const Position& position, const QVector<StationFile::TableRow>& rows)
{
    if (rows.isEmpty())
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_Connection, false);
    if (!db.transaction())
        return fail(db.lastError(), QStringLiteral("cannot begin a transaction"));
    int adjusted = 0;
    if (!insertRows(SyncTable::shifts(), rows, &adjusted)
        || !run({ QLatin1String(AddShiftsSql), { m_Settings.station, position.epoch } },
            QStringLiteral("cannot write the shifts"))) {
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
    QSqlQuery query(db);
    bool ok = query.prepare(QLatin1String(ModelSql));
    for (int i = 0; ok && i < models.size(); ++i) {
        query.bindValue(0, models.at(i).left(255));
        ok = query.exec();
    }
    if (!ok)
        fail(query.lastError(), QStringLiteral("cannot write the models"));
    if (!ok
        || !run({ QLatin1String(AddModelsSql), { m_Settings.station } },
            QStringLiteral("cannot write the models"))) {
        rollBack();
        return false;
    }
    return commit(QStringLiteral("cannot write the models"));
}
