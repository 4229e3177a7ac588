#include "detectdatadb.h"
#include "mariadbserver.h"
#include "optionfile.h"
#include "plantserver.h"
#include "sqlitehandle.h"
#include "stationsync.h"
#include "syncsettings.h"
#include "synctable.h"
#include "syncvalues.h"
#include "testappdir.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include <QMutex>
#include <QProcess>

#include <thread>

namespace {
const QString SyncUser = QStringLiteral("hxsync");
const QString SyncPassword = QStringLiteral("sync'pw\\");
const QString ViewerUser = QStringLiteral("hxviewer");
const QString ViewerPassword = QStringLiteral("viewer-pw");

// A value as text for comparing both sides: numbers by value, bytes in hex.
QString normal(const QVariant& value, SyncTable::Kind kind)
{
    if (value.isNull())
        return QStringLiteral("<null>");
    switch (kind) {
    case SyncTable::Kind::Integer:
    case SyncTable::Kind::Real:
        return QString::number(value.toDouble(), 'g', 17);
    case SyncTable::Kind::Bytes:
        return QString::fromLatin1(value.toByteArray().toHex());
    default:
        return value.toString();
    }
}

// Every row of a station table, uid first, in uid order.
QStringList stationRows(const QString& file, const SyncTable& table)
{
    QStringList rows;
    TestAppDir::withConnection(file, true, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT uid,%1 FROM %2 ORDER BY uid")
                            .arg(table.names().join(QLatin1Char(',')), table.stationTable)))
            return false;
        while (query.next()) {
            QStringList row { query.value(0).toString() };
            for (int i = 0; i < table.columns.size(); ++i)
                row << normal(query.value(i + 1), table.columns.at(i).kind);
            rows << row.join(QLatin1Char('|'));
        }
        return true;
    });
    return rows;
}

// The server's rows of one station and epoch, in the same form.
QStringList serverRows(const QSqlDatabase& db, const SyncTable& table, const QString& station, int epoch)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT uid,%1 FROM %2 WHERE station = ? AND epoch = ? ORDER BY uid")
                      .arg(table.names().join(QLatin1Char(',')), table.serverTable));
    query.addBindValue(station);
    query.addBindValue(epoch);
    QStringList rows;
    if (!query.exec()) {
        rows << query.lastError().text();
        return rows;
    }
    while (query.next()) {
        QStringList row { query.value(0).toString() };
        for (int i = 0; i < table.columns.size(); ++i)
            row << normal(query.value(i + 1), table.columns.at(i).kind);
        rows << row.join(QLatin1Char('|'));
    }
    return rows;
}

// One value made by SQLite itself (text, integer, real), for probes.
SqliteValue sqliteValue(const QByteArray& expression)
{
    SqliteConnection db;
    db.open(QStringLiteral(":memory:"), SqliteConnection::Mode::Create);
    const QByteArray sql = "SELECT " + expression;
    SqliteStatement select(db, sql.constData());
    return select.step() ? SqliteValue(select.value(0)) : SqliteValue();
}

// Whether record_counts holds, row by row, what a grouping of records gives;
// *why lists both when not.
bool countsMatch(const QSqlDatabase& db, QString* why)
{
    const auto rows = [&db](const QString& sql) {
        QStringList result;
        QSqlQuery query(sql, db);
        while (query.next())
            result << QStringList { query.value(0).toString(), query.value(1).toString(),
                query.value(2).toString(), query.value(3).toString() }
                          .join(QLatin1Char('|'));
        if (query.lastError().isValid())
            result << query.lastError().text();
        return result;
    };
    const QStringList counted = rows(QStringLiteral(
        "SELECT station, day, model, records FROM record_counts ORDER BY station, day, model"));
    const QStringList recounted = rows(
        QStringLiteral("SELECT station, LEFT(time, 10) d, COALESCE(model, '') m, count(*) FROM records "
                       "WHERE time IS NOT NULL GROUP BY station, d, m ORDER BY station, d, m"));
    *why = QStringLiteral("record_counts:\n%1\nrecords:\n%2")
               .arg(counted.join(QLatin1Char('\n')), recounted.join(QLatin1Char('\n')));
    return !counted.isEmpty() && counted == recounted;
}
}

class TestStationSync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void settings_data();
    void settings();
    void replaced_data();
    void replaced();
    void optionFile_data();
    void optionFile();
    void errorKinds_data();
    void errorKinds();

    void copiesEveryRowOnce();
    void serverKilledInBatch();
    void recordsSentAgain_data();
    void recordsSentAgain();
    void followsUntilStopped();
    void fileReplaced_data();
    void fileReplaced();
    void rowDeletedOrEdited_data();
    void rowDeletedOrEdited();
    void hostileStationName_data();
    void hostileStationName();
    void badServerSettings_data();
    void badServerSettings();
    void rolesLimitTheUsers();
    void accountWritesOnlyItsStation();
    void readerCannotHoldTheStation();
    void serverDiskFull();
    void pictureOverPacketLimit();
    void textsNotUtf8();
    void programStopsAndReconnectsQuietly();
    void faultsLoseNothing_data();
    void faultsLoseNothing();

private:
    // A fresh database with the schema loaded and granted to the two users.
    QString freshDatabase();
    // Also lets SyncUser write the station.
    SyncSettings settingsFor(const QString& dir, const QString& database, const QString& station);
    QSqlDatabase admin(const QString& database);

    MariaDbServer m_Server;
    QString m_Skip;
    QString m_OptionFile;
    int m_Databases = 0;
};

void TestStationSync::initTestCase()
{
    m_Skip = MariaDbServer::missing();
    if (!m_Skip.isEmpty())
        return;
    QString why;
    QVERIFY2(m_Server.start(&why), qPrintable(why));
    QVERIFY2(m_Server.exec(
                 { QStringLiteral("CREATE USER '%1'@'localhost' IDENTIFIED BY 'sync''pw\\\\'").arg(SyncUser),
                     QStringLiteral("CREATE USER '%1'@'localhost' IDENTIFIED BY '%2'")
                         .arg(ViewerUser, ViewerPassword) },
                 &why),
        qPrintable(why));
    // The sync reads its password from an option file, as a service does.
    m_OptionFile = m_Server.dir() + QStringLiteral("/sync.cnf");
    QFile file(m_OptionFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[client]\nuser = nobody\n[stationsync]\nuser = " + SyncUser.toUtf8() + "\npassword = \""
        + SyncPassword.toUtf8() + "\"\n");
    // Private, as a service's file is (a readable one adds a warning line).
    QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
}

void TestStationSync::cleanupTestCase()
{
    m_Server.kill(); // its data go with the temporary directory
}

QString TestStationSync::freshDatabase()
{
    const QString name = QStringLiteral("plant%1").arg(++m_Databases);
    QString why;
    if (!m_Server.exec({ QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4").arg(name) }, &why)
        || !m_Server.runFile(name, QStringLiteral(HX_SCHEMA_FILE), &why)
        || !m_Server.exec(
            { QStringLiteral("GRANT hxreport_sync TO '%1'@'localhost'").arg(SyncUser),
                QStringLiteral("SET DEFAULT ROLE hxreport_sync FOR '%1'@'localhost'").arg(SyncUser),
                QStringLiteral("GRANT hxreport_viewer TO '%1'@'localhost'").arg(ViewerUser),
                QStringLiteral("SET DEFAULT ROLE hxreport_viewer FOR '%1'@'localhost'").arg(ViewerUser) },
            &why)) {
        qWarning("%s", qPrintable(why));
        return QString();
    }
    return name;
}

SyncSettings TestStationSync::settingsFor(const QString& dir, const QString& database, const QString& station)
{
    QString why;
    if (!m_Server.allowStation(database, SyncUser, station, &why))
        qWarning("%s", qPrintable(why));
    SyncSettings settings;
    settings.station = station;
    settings.stationDir = dir;
    settings.socket = m_Server.socket();
    settings.database = database;
    settings.optionFile = m_OptionFile;
    settings.once = true;
    settings.retrySeconds = 30;
    settings.batchRows = 400; // several batches from small files
    return settings;
}

QSqlDatabase TestStationSync::admin(const QString& database)
{
    const QString name = QStringLiteral("admin-") + database;
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name);
    return m_Server.connect(name, QStringLiteral("root"), QString(), database);
}

void TestStationSync::settings_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error"); // empty: accepted

    const QString dir = QStringLiteral("@DIR@");
    const QStringList base { QStringLiteral("--dir"), dir, QStringLiteral("--database"),
        QStringLiteral("plant") };
    QTest::newRow("valid") << (base + QStringList { QStringLiteral("--station"), QStringLiteral("Line 1") })
                           << QString();
    QTest::newRow("64 characters beyond the BMP") << (base
        + QStringList { QStringLiteral("--station"), QString::fromUtf8("\xF0\x9F\x9A\x97").repeated(64) })
                                                  << QString();
    QTest::newRow("no station") << base << QStringLiteral("empty");
    QTest::newRow("65 characters") << (base
        + QStringList { QStringLiteral("--station"), QStringLiteral("x").repeated(65) })
                                   << QStringLiteral("longer than 64");
    QTest::newRow("trailing blank") << (base
        + QStringList { QStringLiteral("--station"), QStringLiteral("L1 ") })
                                    << QStringLiteral("blank");
    QTest::newRow("line break") << (base
        + QStringList { QStringLiteral("--station"), QStringLiteral("L\n1") })
                                << QStringLiteral("control");
    QTest::newRow("not UTF-8") << (base
        + QStringList { QStringLiteral("--station"),
            QString::fromUtf8("L\xff"
                              "1") })
                               << QStringLiteral("UTF-8");
    QTest::newRow("no database") << QStringList { QStringLiteral("--dir"), dir, QStringLiteral("--station"),
        QStringLiteral("L1") } << QStringLiteral("--database");
    QTest::newRow("folder without station file") << QStringList { QStringLiteral("--dir"),
        QStringLiteral("/nonexistent"), QStringLiteral("--database"), QStringLiteral("p"),
        QStringLiteral("--station"), QStringLiteral("L1") }
                                                 << QStringLiteral("no station file");
    QTest::newRow("port text") << (base
        + QStringList { QStringLiteral("--station"), QStringLiteral("L1"), QStringLiteral("--port"),
            QStringLiteral("x") })
                               << QStringLiteral("--port takes a number");
    QTest::newRow("port out of range") << (base
        + QStringList { QStringLiteral("--station"), QStringLiteral("L1"), QStringLiteral("--port"),
            QStringLiteral("70000") }) << QStringLiteral("1..65535");
    QTest::newRow("unknown option") << (base
        + QStringList { QStringLiteral("--password"), QStringLiteral("x") })
                                    << QStringLiteral("password");
    QTest::newRow("missing option file") << (base
        + QStringList { QStringLiteral("--station"), QStringLiteral("L1"), QStringLiteral("--defaults-file"),
            QStringLiteral("/nonexistent.cnf") })
                                         << QStringLiteral("cannot be read");
}

void TestStationSync::settings()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    TestAppDir dir;
    QVERIFY(dir.generate(1));
    arguments.replaceInStrings(QStringLiteral("@DIR@"), dir.path());
    SyncSettings settings;
    QString why;
    bool help = true;
    const bool ok = SyncSettings::parse(
        QStringList { QStringLiteral("stationsync") } + arguments, &settings, &why, &help);
    QVERIFY(!help);
    QCOMPARE(ok, error.isEmpty());
    if (!ok)
        QVERIFY2(why.contains(error), qPrintable(why));
    else
        QCOMPARE(settings.station, arguments.at(arguments.indexOf(QStringLiteral("--station")) + 1));
}

void TestStationSync::replaced_data()
{
    QTest::addColumn<bool>("hasSequence");
    QTest::addColumn<qint64>("sequence");
    QTest::addColumn<QByteArray>("row"); // time of row 100 in the file; empty: gone
    QTest::addColumn<QByteArray>("firstTime"); // oldest time in the file; empty: none
    QTest::addColumn<QByteArray>("witness"); // time of row 50 in the file; empty: gone
    QTest::addColumn<int>("state"); // StationSync::FileState

    // Row 100 was copied with time '2024-06-01 10:00:00', row 50 (a witness)
    // with '2024-05-20 00:00:00'.
    const QByteArray copied = "2024-06-01 10:00:00";
    const QByteArray witness = "2024-05-20 00:00:00";
    const QByteArray old = "2024-05-01 00:00:00";
    const int same = int(StationSync::FileState::Same);
    const int replaced = int(StationSync::FileState::Replaced);
    QTest::newRow("same row, more after it") << true << qint64(150) << copied << old << witness << same;
    QTest::newRow("uids start again") << true << qint64(20) << QByteArray() << old << witness << replaced;
    QTest::newRow("another row, witness another one")
        << true << qint64(150) << QByteArray("2024-06-01 10:00:01") << old
        << QByteArray("2024-07-01 00:00:00") << replaced;
    QTest::newRow("another row, no witness")
        << true << qint64(150) << QByteArray("2024-06-01 10:00:01") << old << QByteArray() << replaced;
    QTest::newRow("row edited, witness the same")
        << true << qint64(150) << QByteArray("2024-06-01 10:00:01") << old << witness
        << int(StationSync::FileState::LastRowEdited);
    QTest::newRow("row deleted, witness the same") << true << qint64(100) << QByteArray() << old << witness
                                                   << int(StationSync::FileState::LastRowDeleted);
    QTest::newRow("row gone by retention")
        << true << qint64(150) << QByteArray() << QByteArray("2024-06-02 00:00:00") << QByteArray() << same;
    QTest::newRow("all rows deleted")
        << true << qint64(150) << QByteArray() << QByteArray() << QByteArray() << same;
    QTest::newRow("row gone, older rows there, no witness")
        << true << qint64(150) << QByteArray() << old << QByteArray() << replaced;
    QTest::newRow("row gone, no sequence, no witness")
        << false << qint64(0) << QByteArray() << QByteArray() << QByteArray() << replaced;
    QTest::newRow("row gone, no sequence, witness the same")
        << false << qint64(0) << QByteArray() << QByteArray() << witness
        << int(StationSync::FileState::LastRowDeleted);
}

void TestStationSync::replaced()
{
    QFETCH(bool, hasSequence);
    QFETCH(qint64, sequence);
    QFETCH(QByteArray, row);
    QFETCH(QByteArray, firstTime);
    QFETCH(QByteArray, witness);
    QFETCH(int, state);
    const QByteArray copiedTime = "2024-06-01 10:00:00";
    const QVector<SqliteValue> copied { sqliteValue("'" + copiedTime + "'"), sqliteValue("'A1'") };
    SyncWitnesses witnesses;
    witnesses.add(50, SyncValues::mark({ sqliteValue("'2024-05-20 00:00:00'"), sqliteValue("'A1'") }, 2));
    witnesses.add(100, SyncValues::mark(copied, 2));
    witnesses = SyncWitnesses::fromText(witnesses.toText());

    StationFile::TableProbe probe;
    probe.hasSequence = hasSequence;
    probe.sequence = sequence;
    probe.maxUid = sequence;
    if (!row.isEmpty()) {
        probe.hasRow = true;
        probe.row = { sqliteValue("'" + row + "'"), sqliteValue("'A1'") };
    }
    if (!firstTime.isEmpty()) {
        probe.hasFirstTime = true;
        probe.firstTime = sqliteValue("'" + firstTime + "'");
    }
    if (!witness.isEmpty())
        probe.others.append({ 50, { sqliteValue("'" + witness + "'"), sqliteValue("'A1'") } });
    QString why;
    QCOMPARE(int(StationSync::compare(probe, 100, SyncValues::mark(copied, 2), copiedTime, witnesses, &why)),
        state);
    QCOMPARE(why.isEmpty(), state == int(StationSync::FileState::Same));
}

void TestStationSync::optionFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("permissions"); // octal mode
    QTest::addColumn<QString>("password"); // expected; empty: refused
    QTest::addColumn<QString>("message"); // in the refusal or the warning; empty: none

    const QByteArray head = "[client]\nuser = u\n";
    QTest::newRow("plain, owner only") << head + "password = secret\n"
                                       << 0600 << QStringLiteral("secret") << QString();
    QTest::newRow("inline comment") << head + "password = secret # the night shift's\n"
                                    << 0600 << QStringLiteral("secret") << QString();
    QTest::newRow("hash quoted") << head + "password = \"se#cret\" # note\n"
                                 << 0600 << QStringLiteral("se#cret") << QString();
    QTest::newRow("escapes") << head + "password = a\\tb\\\\c\\s\\q\n"
                             << 0600 << QStringLiteral("a\tb\\c \\q") << QString();
    QTest::newRow("quoted, backslash at the end") << head + "password = \"it's\\\"\n"
                                                  << 0600 << QStringLiteral("it's\\") << QString();
    QTest::newRow("readable by others")
        << head + "password = secret\n"
        << 0644 << QStringLiteral("secret") << QStringLiteral("readable by others");
    QTest::newRow("group-writable") << head + "password = secret\n"
                                    << 0660 << QString() << QStringLiteral("writable by others");
    QTest::newRow("world-writable") << head + "password = secret\n"
                                    << 0602 << QString() << QStringLiteral("writable by others");
}

void TestStationSync::optionFile()
{
    QFETCH(QByteArray, text);
    QFETCH(int, permissions);
    QFETCH(QString, password);
    QFETCH(QString, message);
#ifdef Q_OS_WIN
    if (permissions != 0600)
        QSKIP("a Windows file's rights are ACLs that the permission bits do not show");
#endif
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("my.cnf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    QFileDevice::Permissions mode;
    const QFileDevice::Permission bits[] = { QFileDevice::ExeOther, QFileDevice::WriteOther,
        QFileDevice::ReadOther, QFileDevice::ExeGroup, QFileDevice::WriteGroup, QFileDevice::ReadGroup,
        QFileDevice::ExeOwner, QFileDevice::WriteOwner, QFileDevice::ReadOwner };
    for (int i = 0; i < 9; ++i)
        if (permissions & (1 << i))
            mode |= bits[i];
    QVERIFY(QFile::setPermissions(
        path, mode | (mode & QFileDevice::ReadOwner ? QFileDevice::ReadUser : QFileDevice::Permissions())));
    QMap<QString, QString> values;
    QString why;
    QString warning;
    const bool ok = OptionFile::read(path, &values, &why, QStringLiteral("stationsync"), &warning);
    QCOMPARE(ok, !password.isEmpty());
    if (ok)
        QCOMPARE(values.value(QStringLiteral("password")), password);
    const QString said = ok ? warning : why;
    if (message.isEmpty())
        QVERIFY2(said.isEmpty(), qPrintable(said));
    else
        QVERIFY2(said.contains(message), qPrintable(said));
}

// What a server error means for the sync: a temporary one is retried with
// the back-off, a setting is reported with status 2, anything else ends it.
void TestStationSync::errorKinds_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("kind");
    const int statement = QSqlError::StatementError;
    QTest::newRow("deadlock") << "1213" << statement << int(PlantServer::Failure::Transient);
    QTest::newRow("lock wait timeout") << "1205" << statement << int(PlantServer::Failure::Transient);
    // Twenty stations starting their first copy together met this one.
    QTest::newRow("auto-increment lock") << "1467" << statement << int(PlantServer::Failure::Transient);
    QTest::newRow("disk full") << "1114" << statement << int(PlantServer::Failure::Transient);
    QTest::newRow("server gone") << "2006" << statement << int(PlantServer::Failure::Transient);
    QTest::newRow("access denied") << "1045" << int(QSqlError::ConnectionError)
                                   << int(PlantServer::Failure::Settings);
    QTest::newRow("not this station's account")
        << "50001" << statement << int(PlantServer::Failure::Settings);
    QTest::newRow("syntax") << "1064" << statement << int(PlantServer::Failure::Other);
}

void TestStationSync::errorKinds()
{
    QFETCH(QString, code);
    QFETCH(int, type);
    QFETCH(int, kind);
    const QSqlError error(
        QStringLiteral("driver"), QStringLiteral("database"), QSqlError::ErrorType(type), code);
    QCOMPARE(int(PlantServer::classify(error)), kind);
}

void TestStationSync::copiesEveryRowOnce()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(1000, 200));
    const QString file = dir.detectionDatabase();
    const SyncTable records = SyncTable::records(true);
    const QStringList before = stationRows(file, records);
    QCOMPARE(before.size(), 1000);

    QStringList messages;
    auto sync = [&](bool thumbnails) {
        SyncSettings settings = settingsFor(dir.path(), database, QStringLiteral("L1"));
        settings.thumbnails = thumbnails;
        settings.progressSeconds = 0; // a line after every batch
        settings.readMs = 60000; // whole batches of 400 even on a loaded machine
        StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
        connect(&sync, &StationSync::message, [&](const QString& text) { messages << text; });
        const int code = sync.run();
        return code == 0 ? sync.totals().records : -1;
    };
    QCOMPARE(sync(true), qint64(1000));
    // 1000 records in batches of 400: two lines before the pass is done.
    QVERIFY2(
        messages.filter(QStringLiteral("copying records: ")).size() == 2, qPrintable(messages.join('\n')));
    QVERIFY2(messages.join('\n').contains(QStringLiteral("up to uid 800 of 1000")),
        qPrintable(messages.join('\n')));
    QSqlDatabase db = admin(database);
    QCOMPARE(serverRows(db, records, QStringLiteral("L1"), 1), before);
    QCOMPARE(
        serverRows(db, SyncTable::logs(), QStringLiteral("L1"), 1), stationRows(file, SyncTable::logs()));
    QCOMPARE(
        serverRows(db, SyncTable::shifts(), QStringLiteral("L1"), 1), stationRows(file, SyncTable::shifts()));
    QSqlQuery models(QStringLiteral("SELECT model FROM models WHERE station = 'L1' ORDER BY model"), db);
    QStringList names;
    while (models.next())
        names << models.value(0).toString();
    QStringList expectedNames;
    for (const QVariant& name : TestAppDir::firstColumn(
             dir.modelDatabase(), QStringLiteral("SELECT model FROM modelTable ORDER BY model")))
        expectedNames << name.toString();
    QVERIFY(!expectedNames.isEmpty());
    QCOMPARE(names, expectedNames);

    // Again: nothing new. Then the station deletes its older records and
    // writes new ones, and the server keeps both (without pictures now).
    QCOMPARE(sync(true), qint64(0));
    QVERIFY(dir.station().addDetection(QStringLiteral("2030-01-01 00:00:00"), QStringLiteral("B2"), 0.5,
        QStringLiteral("1.5"), 400, 200, QByteArray("pic"), 2));
    QVERIFY(dir.station().database()->deleteBefore(QStringLiteral("2024-06-15 00:00:00")));
    QVERIFY(dir.station().database()->trimLogClass(1, 3));
    dir.closeStation();
    const QStringList after = stationRows(file, records);
    QVERIFY(after.size() < before.size());
    QCOMPARE(sync(false), qint64(1));
    QStringList expected = before;
    QString added = after.constLast();
    added = added.left(added.lastIndexOf(QLatin1Char('|')) + 1) + QStringLiteral("<null>");
    expected << added;
    QCOMPARE(serverRows(db, records, QStringLiteral("L1"), 1), expected);
    QSqlQuery epochs(QStringLiteral("SELECT count(*) FROM station_files"), db);
    QVERIFY(epochs.next());
    QCOMPARE(epochs.value(0).toInt(), 1);
    QString why;
    QVERIFY2(countsMatch(db, &why), qPrintable(why));
}

void TestStationSync::serverKilledInBatch()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(1600, 400));
    StationSync sync(
        settingsFor(dir.path(), database, QStringLiteral("L1")), std::make_shared<std::atomic<bool>>(false));
    // In the third batch, between its inserts and its commit, the server dies
    // (SIGKILL) and comes back; the batch is lost with the connection.
    int batches = 0;
    QString restart;
    sync.server().setBeforeCommit([&] {
        if (++batches != 3)
            return;
        m_Server.kill();
        if (!m_Server.start(&restart))
            qWarning("%s", qPrintable(restart));
    });
    QStringList messages;
    connect(&sync, &StationSync::message, [&](const QString& text) { messages << text; });
    QCOMPARE(sync.run(), 0);
    QVERIFY(batches > 3);
    QVERIFY2(messages.join(QLatin1Char('\n')).contains(QStringLiteral("trying again")),
        qPrintable(messages.join('\n')));
    QSqlDatabase::removeDatabase(QStringLiteral("admin-") + database); // gone with the old server
    QSqlDatabase db = admin(database);
    QCOMPARE(serverRows(db, SyncTable::records(false), QStringLiteral("L1"), 1),
        stationRows(dir.detectionDatabase(), SyncTable::records(false)));
    QCOMPARE(serverRows(db, SyncTable::logs(), QStringLiteral("L1"), 1),
        stationRows(dir.detectionDatabase(), SyncTable::logs()));
    QString why;
    QVERIFY2(countsMatch(db, &why), qPrintable(why));
}

void TestStationSync::recordsSentAgain_data()
{
    QTest::addColumn<int>("added"); // records the station writes before they are sent again

    QTest::newRow("every batch again") << 0;
    QTest::newRow("last batch partly new") << 150;
}

void TestStationSync::recordsSentAgain()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(int, added);
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(1000, 20));
    // Times and models whose day and model the server and the sync must
    // read alike: none, empty, a character beyond the BMP in the first ten,
    // a number, a trailing blank.
    QVERIFY(TestAppDir::exec(dir.detectionDatabase(),
        QString::fromUtf8(
            "INSERT INTO wftable (time, model) VALUES (NULL, 'A1'), ('2024-06-01 08:00:00', NULL),"
            " ('2024-06-01 09:00:00', ''), ('\xF0\x9F\x9A\x97"
            "2024-06-01 x', 'A1'),"
            " (20240601, 'A1'),"
            " ('2024-06-01 10:00:00', 'A1 ')")));
    const SyncSettings settings = settingsFor(dir.path(), database, QStringLiteral("L1"));
    {
        StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
        QCOMPARE(sync.run(), 0);
    }
    for (int i = 0; i < added; ++i)
        QVERIFY(dir.station().addDetection(
            QStringLiteral("2030-01-01 00:%1:00").arg(i % 60, 2, 10, QLatin1Char('0')),
            i % 2 ? QStringLiteral("A1") : QStringLiteral("B2"), 0.9, QStringLiteral("1.0"), 500, 200));
    dir.closeStation();
    // The position moved back (an older copy of stations restored, say):
    // everything goes again, the new rows in the last batch.
    QSqlDatabase db = admin(database);
    QSqlQuery reset(db);
    QVERIFY(reset.exec(
        QStringLiteral("UPDATE stations SET record_uid = 0, record_mark = '', record_time = NULL")));
    StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
    QCOMPARE(sync.run(), 0);
    QCOMPARE(sync.totals().records, qint64(1006 + added));
    QCOMPARE(serverRows(db, SyncTable::records(false), QStringLiteral("L1"), 1),
        stationRows(dir.detectionDatabase(), SyncTable::records(false)));
    QString why;
    QVERIFY2(countsMatch(db, &why), qPrintable(why));
}

void TestStationSync::followsUntilStopped()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(100, 10));
    SyncSettings settings = settingsFor(dir.path(), database, QStringLiteral("L1"));
    settings.once = false;
    settings.intervalSeconds = 1;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    std::atomic<int> code { -1 };
    std::thread worker([&] {
        StationSync sync(settings, stop);
        code = sync.run();
    });
    // A failed check returns early: the sync is stopped and joined then too,
    // or the thread's destructor ends the whole test program.
    struct Joiner
    {
        std::thread& thread;
        std::atomic<bool>& stop;
        ~Joiner()
        {
            stop = true;
            if (thread.joinable())
                thread.join();
        }
    } joiner { worker, *stop };
    // The station goes on writing; each new record reaches the server.
    QSqlDatabase db = admin(database);
    auto onServer = [&] {
        QSqlQuery count(QStringLiteral("SELECT count(*) FROM records"), db);
        return count.next() ? count.value(0).toInt() : -1;
    };
    QTRY_COMPARE_WITH_TIMEOUT(onServer(), 100, 30000);
    for (int i = 0; i < 3; ++i)
        QVERIFY(dir.station().addDetection(QStringLiteral("2030-01-01 00:00:0%1").arg(i),
            QStringLiteral("A1"), 0.9, QStringLiteral("1.0"), 500, 200));
    dir.closeStation();
    QTRY_COMPARE_WITH_TIMEOUT(onServer(), 103, 30000);
    stop->store(true);
    worker.join();
    QCOMPARE(code.load(), 0);
    QCOMPARE(serverRows(db, SyncTable::records(false), QStringLiteral("L1"), 1),
        stationRows(dir.detectionDatabase(), SyncTable::records(false)));
}

void TestStationSync::fileReplaced_data()
{
    QTest::addColumn<int>("records"); // of the new file
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QString>("sql"); // instead of a new file: on the station's file

    QTest::newRow("uids start again") << 200 << 7u << QString();
    QTest::newRow("as many rows, other ones") << 600 << 8u << QString();
    QTest::newRow("more rows, other ones") << 900 << 9u << QString();
    // The records as they were, the log table made anew.
    QTest::newRow("log table replaced")
        << 0 << 0u
        << QStringLiteral(
               "delete from warningtable; delete from sqlite_sequence where name = 'warningtable';"
               "insert into warningtable(time, class, message) values ('2030-01-01 00:00:00', 1, 'x')");
}

void TestStationSync::fileReplaced()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(int, records);
    QFETCH(quint32, seed);
    QFETCH(QString, sql);
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(600, 50));
    const SyncTable table = SyncTable::records(false);
    const QStringList first = stationRows(dir.detectionDatabase(), table);
    const SyncSettings settings = settingsFor(dir.path(), database, QStringLiteral("L1"));
    {
        StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
        QCOMPARE(sync.run(), 0);
    }
    if (sql.isEmpty()) {
        StationSimulator::Options options = dir.options(records, 50);
        options.seed = seed;
        options.endTime = options.endTime.addDays(3);
        QVERIFY(dir.generate(options));
    } else {
        QVERIFY(TestAppDir::exec(dir.detectionDatabase(), sql));
    }
    const QStringList second = stationRows(dir.detectionDatabase(), table);
    QStringList messages;
    StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
    connect(&sync, &StationSync::message, [&](const QString& text) { messages << text; });
    QCOMPARE(sync.run(), 0);
    QCOMPARE(sync.totals().epochs, 1);
    QVERIFY2(messages.join('\n').contains(QStringLiteral("epoch 2 begins")), qPrintable(messages.join('\n')));

    QSqlDatabase db = admin(database);
    QCOMPARE(serverRows(db, table, QStringLiteral("L1"), 1), first);
    QCOMPARE(serverRows(db, table, QStringLiteral("L1"), 2), second);
    QCOMPARE(serverRows(db, SyncTable::logs(), QStringLiteral("L1"), 2),
        stationRows(dir.detectionDatabase(), SyncTable::logs()));
    QSqlQuery files(QStringLiteral("SELECT epoch, reason FROM station_files ORDER BY epoch"), db);
    QVERIFY(files.next());
    QVERIFY(files.next());
    QCOMPARE(files.value(0).toInt(), 2);
    QVERIFY2(files.value(1).toString().startsWith(QStringLiteral("file replaced")),
        qPrintable(files.value(1).toString()));
    QString why;
    QVERIFY2(countsMatch(db, &why), qPrintable(why));
}

void TestStationSync::rowDeletedOrEdited_data()
{
    QTest::addColumn<QString>("sql"); // on the station file after the first sync
    QTest::addColumn<bool>("lastRow"); // the statement touches the last copied record

    const QString last = QStringLiteral("(SELECT max(uid) FROM wftable)");
    const QString first = QStringLiteral("(SELECT min(uid) FROM wftable)");
    const QString middle = QStringLiteral("300");
    const QString del = QStringLiteral("DELETE FROM wftable WHERE uid = %1");
    const QString edit = QStringLiteral("UPDATE wftable SET model = 'X9' WHERE uid = %1");
    QTest::newRow("last deleted") << del.arg(last) << true;
    QTest::newRow("last edited") << edit.arg(last) << true;
    QTest::newRow("last's time edited")
        << QStringLiteral("UPDATE wftable SET time = '2001-01-01 00:00:00' WHERE uid = %1").arg(last) << true;
    QTest::newRow("middle deleted") << del.arg(middle) << false;
    QTest::newRow("middle edited") << edit.arg(middle) << false;
    QTest::newRow("first deleted") << del.arg(first) << false;
    QTest::newRow("first edited") << edit.arg(first) << false;
    QTest::newRow("first and last deleted")
        << QStringLiteral("DELETE FROM wftable WHERE uid IN (%1, %2)").arg(first, last) << true;
    QTest::newRow("last ten deleted")
        << QStringLiteral("DELETE FROM wftable WHERE uid > %1 - 10").arg(last) << true;
}

void TestStationSync::rowDeletedOrEdited()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(QString, sql);
    QFETCH(bool, lastRow);
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(600, 50));
    const SyncTable table = SyncTable::records(false);
    const QStringList copied = stationRows(dir.detectionDatabase(), table);
    const SyncSettings settings = settingsFor(dir.path(), database, QStringLiteral("L1"));
    {
        StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
        QCOMPARE(sync.run(), 0);
    }
    QVERIFY(TestAppDir::exec(dir.detectionDatabase(), sql));
    QStringList messages;
    {
        StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
        connect(&sync, &StationSync::message, [&](const QString& text) { messages << text; });
        QCOMPARE(sync.run(), 0);
        QCOMPARE(sync.totals().epochs, 0);
        QCOMPARE(sync.totals().records, qint64(0));
    }
    // The station goes on; its next record follows the copied ones.
    QVERIFY(dir.station().addDetection(
        QStringLiteral("2030-01-01 00:00:00"), QStringLiteral("B2"), 0.5, QStringLiteral("1.5"), 400, 200));
    dir.closeStation();
    {
        StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
        connect(&sync, &StationSync::message, [&](const QString& text) { messages << text; });
        QCOMPARE(sync.run(), 0);
        QCOMPARE(sync.totals().epochs, 0);
        QCOMPARE(sync.totals().records, qint64(1));
    }
    const QString log = messages.join(QLatin1Char('\n'));
    QVERIFY2(
        !log.contains(QStringLiteral("epoch")) || !log.contains(QStringLiteral("begins")), qPrintable(log));
    if (lastRow)
        QVERIFY2(log.contains(QStringLiteral("kept as copied")), qPrintable(log));

    // The archive keeps what it copied, the edited rows as they were.
    QSqlDatabase db = admin(database);
    QStringList expected = copied;
    expected << stationRows(dir.detectionDatabase(), table).constLast();
    QCOMPARE(serverRows(db, table, QStringLiteral("L1"), 1), expected);
    QSqlQuery files(QStringLiteral("SELECT count(*) FROM station_files"), db);
    QVERIFY(files.next());
    QCOMPARE(files.value(0).toInt(), 1);
    QString why;
    QVERIFY2(countsMatch(db, &why), qPrintable(why));
}

void TestStationSync::hostileStationName_data()
{
    QTest::addColumn<QString>("station");
    QTest::newRow("quotes and backslashes") << QStringLiteral("L1' OR '1'='1\\\" --");
    QTest::newRow("statement") << QStringLiteral("x'); DROP TABLE records; --");
    QTest::newRow("64 characters, four bytes each") << QString::fromUtf8("\xF0\x9F\x9A\x97").repeated(64);
    QTest::newRow("Chinese") << QString::fromUtf8("二号线 检测站");
    QTest::newRow("percent and underscore") << QStringLiteral("%_%");
}

void TestStationSync::hostileStationName()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(QString, station);
    static QString database = freshDatabase(); // shared: names must not meet either
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(50, 10));
    StationSync sync(settingsFor(dir.path(), database, station), std::make_shared<std::atomic<bool>>(false));
    QCOMPARE(sync.run(), 0);
    QSqlDatabase db = admin(database);
    QCOMPARE(serverRows(db, SyncTable::records(false), station, 1),
        stationRows(dir.detectionDatabase(), SyncTable::records(false)));
    QSqlQuery names(QStringLiteral("SELECT station FROM stations"), db);
    QStringList all;
    while (names.next())
        all << names.value(0).toString();
    QVERIFY2(all.contains(station), qPrintable(all.join(QLatin1Char(','))));
    QSqlQuery tables(QStringLiteral("SELECT count(*) FROM records"), db);
    QVERIFY(tables.next());
    QCOMPARE(tables.value(0).toInt(), all.size() * 50);
    QString why;
    QVERIFY2(countsMatch(db, &why), qPrintable(why));
}

void TestStationSync::badServerSettings_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("code");

    QTest::newRow("wrong password") << QStringLiteral("wrong") << QString() << QStringLiteral("Access denied")
                                    << 2;
    QTest::newRow("no such database")
        << QString() << QStringLiteral("nosuchdb") << QStringLiteral("nosuchdb") << 2;
    QTest::newRow("database without schema")
        << QString() << QStringLiteral("mysql") << QStringLiteral("server/schema.sql") << 2;
}

void TestStationSync::badServerSettings()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(QString, password);
    QFETCH(QString, database);
    QFETCH(QString, message);
    QFETCH(int, code);
    static QString plant = freshDatabase();
    TestAppDir dir;
    QVERIFY(dir.generate(5));
    SyncSettings settings = settingsFor(dir.path(), plant, QStringLiteral("L1"));
    if (!database.isEmpty())
        settings.database = database;
    if (!password.isEmpty()) {
        settings.optionFile = dir.path() + QStringLiteral("/wrong.cnf");
        QFile file(settings.optionFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[client]\nuser=" + SyncUser.toUtf8() + "\npassword=" + password.toUtf8() + "\n");
    }
    if (database == QLatin1String("mysql"))
        settings.optionFile.clear(), settings.user = QStringLiteral("root");
    StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
    QStringList messages;
    connect(&sync, &StationSync::message, [&](const QString& text) { messages << text; });
    QCOMPARE(sync.run(), code);
    QVERIFY2(messages.join('\n').contains(message), qPrintable(messages.join('\n')));
}

void TestStationSync::rolesLimitTheUsers()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(10, 5));
    StationSync sync(
        settingsFor(dir.path(), database, QStringLiteral("L1")), std::make_shared<std::atomic<bool>>(false));
    QCOMPARE(sync.run(), 0);
    struct Case
    {
        QString user;
        QString password;
        QString sql;
        bool allowed;
    };
    const QList<Case> cases {
        { SyncUser, SyncPassword, QStringLiteral("SELECT count(*) FROM records"), false },
        { SyncUser, SyncPassword, QStringLiteral("DELETE FROM records"), false },
        { SyncUser, SyncPassword, QStringLiteral("UPDATE records SET model = 'x'"), false },
        { SyncUser, SyncPassword, QStringLiteral("DELETE FROM logs"), false },
        { SyncUser, SyncPassword, QStringLiteral("SELECT record_uid FROM stations"), false },
        { SyncUser, SyncPassword, QStringLiteral("SELECT record_uid FROM sync_positions"), true },
        { SyncUser, SyncPassword, QStringLiteral("SELECT station, records FROM record_counts"), false },
        { ViewerUser, ViewerPassword, QStringLiteral("SELECT count(*) FROM records"), true },
        { ViewerUser, ViewerPassword, QStringLiteral("SELECT count(*) FROM logs"), true },
        { ViewerUser, ViewerPassword, QStringLiteral("INSERT INTO models VALUES ('x', 'y', NOW())"), false },
        { ViewerUser, ViewerPassword, QStringLiteral("UPDATE stations SET record_uid = 0"), false },
    };
    for (const Case& c : cases) {
        bool ran = false;
        {
            QSqlDatabase db = m_Server.connect(QStringLiteral("role-check"), c.user, c.password, database);
            QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()));
            ran = QSqlQuery(db).exec(c.sql);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("role-check"));
        QVERIFY2(ran == c.allowed, qPrintable(c.user + QStringLiteral(": ") + c.sql));
    }
    QSqlQuery count(QStringLiteral("SELECT count(*) FROM records"), admin(database));
    QVERIFY(count.next());
    QCOMPARE(count.value(0).toInt(), 10);
}

// Every row of the tables a sync writes, as the administrator sees them.
QStringList archiveRows(const QSqlDatabase& db)
{
    QStringList rows;
    for (const char* table : { "stations", "station_files", "records", "logs", "record_counts", "shifts",
             "models", "station_accounts" }) {
        QSqlQuery query(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2, 3").arg(QLatin1String(table)), db);
        while (query.next()) {
            QStringList row { QLatin1String(table) };
            for (int i = 0; i < query.record().count(); ++i)
                row << query.value(i).toString();
            rows << row.join(QLatin1Char('|'));
        }
        if (query.lastError().isValid())
            rows << query.lastError().text();
    }
    return rows;
}

void TestStationSync::accountWritesOnlyItsStation()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    // L1 with SyncUser, L2 with an account of its own.
    const QString user2 = QStringLiteral("hxsync2");
    QString why;
    QVERIFY2(m_Server.exec(
                 { QStringLiteral("CREATE USER IF NOT EXISTS %1@localhost IDENTIFIED BY 'pw2'").arg(user2),
                     QStringLiteral("GRANT hxreport_sync TO %1@localhost").arg(user2),
                     QStringLiteral("SET DEFAULT ROLE hxreport_sync FOR %1@localhost").arg(user2) },
                 &why),
        qPrintable(why));
    QVERIFY2(m_Server.allowStation(database, user2, QStringLiteral("L2"), &why), qPrintable(why));
    TestAppDir dir1;
    TestAppDir dir2;
    QVERIFY(dir1.generate(300, 20));
    QVERIFY(dir2.generate(300, 20));
    {
        StationSync sync(settingsFor(dir1.path(), database, QStringLiteral("L1")),
            std::make_shared<std::atomic<bool>>(false));
        QCOMPARE(sync.run(), 0);
    }
    SyncSettings settings2 = settingsFor(dir2.path(), database, QStringLiteral("L2"));
    settings2.optionFile = dir2.path() + QStringLiteral("/sync2.cnf");
    {
        QFile file(settings2.optionFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[stationsync]\nuser=" + user2.toUtf8() + "\npassword=pw2\n");
    }
    // settingsFor lets SyncUser write L2 too: only user2 may.
    QVERIFY(m_Server.exec(
        { QStringLiteral("DELETE FROM %1.station_accounts WHERE station = 'L2' AND account = '%2'")
                .arg(database, SyncUser) },
        &why));
    {
        StationSync sync(settings2, std::make_shared<std::atomic<bool>>(false));
        QCOMPARE(sync.run(), 0);
    }
    QSqlDatabase db = admin(database);
    const QStringList before = archiveRows(db);

    // Each attempt in a session of its own that holds L2; the last statement must be refused.
    const QStringList attempts[] = {
        { "INSERT INTO records (station, epoch, uid, time) VALUES ('L1', 1, 99999, '2030-01-01 00:00:00')" },
        { "INSERT INTO logs (station, epoch, uid, time) VALUES ('L1', 1, 99999, '2030-01-01 00:00:00')" },
        { "UPDATE stations SET record_uid = 0 WHERE station = 'L1'" },
        { "INSERT INTO stations (station, epoch) VALUES ('L3', 1)" },
        { "UPDATE record_counts SET records = 0" },
        { "INSERT INTO record_counts VALUES ('2030-01-01', 'L1', 'A1', 5)" },
        { "UPDATE shifts SET starttime = '00:00:00' WHERE station = 'L1'" },
        { "DELETE FROM models WHERE station = 'L1'" },
        { "INSERT INTO models VALUES ('L1', 'forged', NOW())" },
        { "INSERT INTO station_accounts VALUES ('hxsync2', 'L1')" },
        { "DELETE FROM station_accounts" },
        { "SELECT secret FROM sync_secret" },
        { "CALL sync_open('L1')" },
        { "SELECT sync_lock_name('L1')" },
        { "SELECT count(*) FROM sync_batch_records" },
        { "DELETE FROM sync_batch_records" },
        { "INSERT INTO sync_batch_records (session, uid) VALUES (1, 99999)" },
        { "RENAME TABLE sync_batch_models TO station_accounts" },
        { "CREATE TEMPORARY TABLE station_accounts (account VARCHAR(80), station VARCHAR(64))" },
        { "CALL sync_begin_epoch('L1', 1, 'x', 'y', 'z')" },
        { "INSERT INTO sync_batch_records (uid, time, model) VALUES (99999, '2030-01-01 00:00:00', 'A1')",
            "CALL sync_add_records('L1', 1, '', '')" },
        { "INSERT INTO sync_batch_logs (uid, time) VALUES (99999, '2030-01-01 00:00:00')",
            "CALL sync_add_logs('L1', 1, '', '')" },
        { "INSERT INTO sync_batch_shifts (uid, type) VALUES (1, 'forged')", "CALL sync_add_shifts('L1', 1)" },
        { "INSERT INTO sync_batch_models (model) VALUES ('forged')", "CALL sync_add_models('L1')" },
        // Its own station, but rows it has sent, or another epoch.
        { "INSERT INTO sync_batch_records (uid, time, model) VALUES (5, '2030-01-01 00:00:00', 'A1')",
            "CALL sync_add_records('L2', 1, '', '')" },
        { "INSERT INTO sync_batch_records (uid, time, model) VALUES (300, '2030-01-01 00:00:00', 'A1'),"
          " (99999, '2030-01-01 00:00:00', 'A1')",
            "CALL sync_add_records('L2', 1, '', '')" },
        { "INSERT INTO sync_batch_logs (uid, time) VALUES (1, '2030-01-01 00:00:00')",
            "CALL sync_add_logs('L2', 1, '', '')" },
        { "INSERT INTO sync_batch_records (uid, time, model) VALUES (99999, '2030-01-01 00:00:00', 'A1')",
            "CALL sync_add_records('L2', 2, '', '')" },
        { "CALL sync_begin_epoch('L2', 0, 'x', 'y', 'z')" },
    };
    {
        QSqlDatabase hostile
            = m_Server.connect(QStringLiteral("hostile"), user2, QStringLiteral("pw2"), database);
        QVERIFY2(hostile.isOpen(), qPrintable(hostile.lastError().text()));
        QSqlQuery query(hostile);
        for (const QStringList& attempt : attempts) {
            // Holds L2 and empties the batch tables.
            QVERIFY2(
                query.exec(QStringLiteral("CALL sync_open('L2')")), qPrintable(query.lastError().text()));
            bool refused = false;
            for (int i = 0; i < attempt.size(); ++i) {
                const bool ok = query.exec(attempt.at(i));
                if (i + 1 < attempt.size())
                    QVERIFY2(ok, qPrintable(attempt.at(i) + QStringLiteral(": ") + query.lastError().text()));
                else
                    refused = !ok;
            }
            QVERIFY2(refused, qPrintable(attempt.constLast()));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("hostile"));
    QCOMPARE(archiveRows(db), before);

    // Nor does L2's account write L1 through the sync itself; L2's own sync goes on.
    SyncSettings wrong = settingsFor(dir1.path(), database, QStringLiteral("L1"));
    wrong.optionFile = settings2.optionFile;
    {
        StationSync sync(wrong, std::make_shared<std::atomic<bool>>(false));
        QStringList messages;
        connect(&sync, &StationSync::message, [&](const QString& text) { messages << text; });
        QCOMPARE(sync.run(), 2);
        QVERIFY2(messages.join('\n').contains(QStringLiteral("may not write station")),
            qPrintable(messages.join('\n')));
    }
    QVERIFY(dir2.station().addDetection(
        QStringLiteral("2030-01-01 00:00:00"), QStringLiteral("B2"), 0.5, QStringLiteral("1.5"), 400, 200));
    dir2.closeStation();
    StationSync sync(settings2, std::make_shared<std::atomic<bool>>(false));
    QCOMPARE(sync.run(), 0);
    QCOMPARE(sync.totals().records, qint64(1));
    QCOMPARE(serverRows(db, SyncTable::records(false), QStringLiteral("L2"), 1),
        stationRows(dir2.detectionDatabase(), SyncTable::records(false)));
    QVERIFY2(countsMatch(db, &why), qPrintable(why));
}

void TestStationSync::readerCannotHoldTheStation()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(50, 5));
    SyncSettings settings = settingsFor(dir.path(), database, QStringLiteral("L1"));
    settings.retrySeconds = 2;
    // A reader takes every lock name it could know of, and tries the sync's own way.
    QSqlDatabase viewer = m_Server.connect(QStringLiteral("reader"), ViewerUser, ViewerPassword, database);
    QVERIFY2(viewer.isOpen(), qPrintable(viewer.lastError().text()));
    QSqlQuery query(viewer);
    QVERIFY(query.exec(QStringLiteral("SELECT GET_LOCK(CONCAT('hxsync:', SHA1('L1')), 0)")));
    QVERIFY(!query.exec(QStringLiteral("CALL sync_open('L1')")));
    QVERIFY(!query.exec(QStringLiteral("SELECT sync_lock_name('L1')")));
    {
        StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
        QCOMPARE(sync.run(), 0);
        QCOMPARE(sync.totals().records, qint64(50));
    }
    query.finish();
    viewer.close();
    viewer = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("reader"));
}

void TestStationSync::serverDiskFull()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    // A server whose tables live in one tablespace of at most 48 MB, filled up.
    MariaDbServer small;
    small.setExtraArguments({ QStringLiteral("--innodb-file-per-table=0"),
        QStringLiteral("--innodb-data-file-path=ibdata1:12M:autoextend:max:48M") });
    QString why;
    QVERIFY2(small.start(&why), qPrintable(why));
    QVERIFY2(
        small.exec(
            { QStringLiteral("CREATE DATABASE plant CHARACTER SET utf8mb4"),
                QStringLiteral("CREATE USER '%1'@'localhost' IDENTIFIED BY 'sync''pw\\\\'").arg(SyncUser) },
            &why),
        qPrintable(why));
    QVERIFY2(small.runFile(QStringLiteral("plant"), QStringLiteral(HX_SCHEMA_FILE), &why), qPrintable(why));
    QVERIFY2(
        small.exec(
            { QStringLiteral("GRANT hxreport_sync TO '%1'@'localhost'").arg(SyncUser),
                QStringLiteral("SET DEFAULT ROLE hxreport_sync FOR '%1'@'localhost'").arg(SyncUser),
                QStringLiteral("CREATE TABLE plant.filler (id INT AUTO_INCREMENT PRIMARY KEY, b LONGBLOB)") },
            &why),
        qPrintable(why));
    QVERIFY2(
        small.allowStation(QStringLiteral("plant"), SyncUser, QStringLiteral("L1"), &why), qPrintable(why));
    for (const int size : { 1000000, 20000, 500 }) {
        for (int i = 0; i < 200; ++i) {
            if (!small.exec(
                    { QStringLiteral("INSERT INTO plant.filler (b) VALUES (REPEAT('x', %1))").arg(size) },
                    &why))
                break;
        }
    }
    QVERIFY2(why.contains(QStringLiteral("is full")), qPrintable(why));

    TestAppDir dir;
    QVERIFY(dir.generate(1000, 50));
    SyncSettings settings;
    settings.station = QStringLiteral("L1");
    settings.stationDir = dir.path();
    settings.socket = small.socket();
    settings.database = QStringLiteral("plant");
    settings.optionFile = m_OptionFile;
    settings.once = true;
    settings.retrySeconds = 120;
    settings.batchRows = 400;
    QMutex lock;
    QStringList messages;
    int code = -1;
    std::thread worker([&] {
        StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
        QObject::connect(&sync, &StationSync::message, [&](const QString& text) {
            QMutexLocker locked(&lock);
            messages << text;
        });
        code = sync.run();
    });
    auto told = [&] {
        QMutexLocker locked(&lock);
        return messages.join(QLatin1Char('\n'));
    };
    // A failed check returns early: the sync ends on its own (it gives up).
    struct Join
    {
        std::thread& thread;
        ~Join()
        {
            if (thread.joinable())
                thread.join();
        }
    } join { worker };
    // It waits and tries again, as for a lost connection, and goes on when there is room.
    QTRY_VERIFY_WITH_TIMEOUT(told().contains(QStringLiteral("out of space")), 60000);
    QVERIFY(told().contains(QStringLiteral("trying again")));
    // Room made: the tablespace may grow further (the server restarts, as it
    // would after the disk was grown).
    small.stop();
    small.setExtraArguments({ QStringLiteral("--innodb-file-per-table=0"),
        QStringLiteral("--innodb-data-file-path=ibdata1:12M:autoextend") });
    QVERIFY2(small.start(&why), qPrintable(why));
    worker.join();
    QCOMPARE(code, 0);
    {
        QSqlDatabase db = small.connect(
            QStringLiteral("small"), QStringLiteral("root"), QString(), QStringLiteral("plant"));
        QCOMPARE(serverRows(db, SyncTable::records(false), QStringLiteral("L1"), 1),
            stationRows(dir.detectionDatabase(), SyncTable::records(false)));
        QCOMPARE(serverRows(db, SyncTable::logs(), QStringLiteral("L1"), 1),
            stationRows(dir.detectionDatabase(), SyncTable::logs()));
        QVERIFY2(countsMatch(db, &why), qPrintable(why));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("small"));
    small.kill();
}

void TestStationSync::pictureOverPacketLimit()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(30, 5));
    // One picture over the server's max_allowed_packet (16 MB), one just under the
    // pictures' usual size: the first is left out, the record and the rest go.
    QVERIFY(TestAppDir::exec(dir.detectionDatabase(),
        QStringLiteral("UPDATE wftable SET pic = randomblob(17 * 1024 * 1024) WHERE uid = 10")));
    SyncSettings settings = settingsFor(dir.path(), database, QStringLiteral("L1"));
    settings.thumbnails = true;
    settings.retrySeconds = 3;
    StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
    QStringList messages;
    connect(&sync, &StationSync::message, [&](const QString& text) { messages << text; });
    QCOMPARE(sync.run(), 0);
    QVERIFY2(messages.join('\n').contains(QStringLiteral("1 pictures")), qPrintable(messages.join('\n')));
    QSqlDatabase db = admin(database);
    QStringList expected = stationRows(dir.detectionDatabase(), SyncTable::records(true));
    QString& big = expected[9];
    big = big.left(big.lastIndexOf(QLatin1Char('|')) + 1) + QStringLiteral("<null>");
    QCOMPARE(serverRows(db, SyncTable::records(true), QStringLiteral("L1"), 1), expected);
}

void TestStationSync::textsNotUtf8()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(20, 5));
    // Two models that differ only in bytes that are not UTF-8, and a log message.
    QVERIFY(TestAppDir::exec(dir.detectionDatabase(),
        QStringLiteral("UPDATE wftable SET model = CAST(X'41FF31' AS TEXT) WHERE uid = 3;"
                       "UPDATE wftable SET model = CAST(X'41FE31' AS TEXT) WHERE uid = 4;"
                       "UPDATE warningtable SET message = CAST(X'C328' AS TEXT) WHERE uid = 2")));
    StationSync sync(
        settingsFor(dir.path(), database, QStringLiteral("L1")), std::make_shared<std::atomic<bool>>(false));
    QStringList messages;
    connect(&sync, &StationSync::message, [&](const QString& text) { messages << text; });
    QCOMPARE(sync.run(), 0);
    QVERIFY2(messages.join('\n').contains(QStringLiteral("3 values did not fit")),
        qPrintable(messages.join('\n')));
}

void TestStationSync::programStopsAndReconnectsQuietly()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(3000, 100));
    settingsFor(dir.path(), database, QStringLiteral("L1"));
    QProcess sync;
    sync.start(QCoreApplication::applicationDirPath() + QStringLiteral("/stationsync"),
        { QStringLiteral("--station"), QStringLiteral("L1"), QStringLiteral("--dir"), dir.path(),
            QStringLiteral("--socket"), m_Server.socket(), QStringLiteral("--database"), database,
            QStringLiteral("--defaults-file"), m_OptionFile, QStringLiteral("--interval"),
            QStringLiteral("1"), QStringLiteral("--batch"), QStringLiteral("200") });
    QVERIFY(sync.waitForStarted());
    const QString adminName = QStringLiteral("admin-") + database;
    auto onServer = [&] {
        QSqlQuery count(QStringLiteral("SELECT count(*) FROM records"), admin(database));
        return count.next() ? count.value(0).toInt() : -1;
    };
    // The server dies while the sync copies and comes back: the sync goes on
    // without the driver's complaints about statements it could not free.
    QTRY_VERIFY_WITH_TIMEOUT(onServer() > 0, 30000);
    QSqlDatabase::removeDatabase(adminName);
    m_Server.kill();
    QString why;
    QVERIFY2(m_Server.start(&why), qPrintable(why));
    QTRY_COMPARE_WITH_TIMEOUT(onServer(), 3000, 60000);
    QSqlDatabase::removeDatabase(adminName);

    // A server that stops answering (SIGSTOP) leaves the sync in a read that
    // waits 120 s; SIGTERM ends it at once all the same.
    QVERIFY(m_Server.pause());
    QVERIFY(dir.station().addDetection(
        QStringLiteral("2030-01-01 00:00:00"), QStringLiteral("B2"), 0.5, QStringLiteral("1.5"), 400, 200));
    dir.closeStation();
    QThread::msleep(2500); // the next pass begins and waits for the server
    sync.terminate();
    const bool ended = sync.waitForFinished(15000);
    m_Server.resume();
    if (!ended) {
        sync.kill();
        sync.waitForFinished();
    }
    QVERIFY(ended);
    QCOMPARE(sync.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sync.exitCode(), 0);
    const QString told = QString::fromUtf8(sync.readAllStandardError());
    QVERIFY2(told.contains(QStringLiteral("trying again")), qPrintable(told));
    for (const char* noise : { "QMYSQLResult::", "QMYSQLDriver::", "QSqlQuery::", "QSqlDatabase::" })
        QVERIFY2(!told.contains(QLatin1String(noise)), qPrintable(told));

    // Nothing lost or twice.
    StationSync again(
        settingsFor(dir.path(), database, QStringLiteral("L1")), std::make_shared<std::atomic<bool>>(false));
    QCOMPARE(again.run(), 0);
    QSqlDatabase db = admin(database);
    QCOMPARE(serverRows(db, SyncTable::records(false), QStringLiteral("L1"), 1),
        stationRows(dir.detectionDatabase(), SyncTable::records(false)));
    QCOMPARE(serverRows(db, SyncTable::logs(), QStringLiteral("L1"), 1),
        stationRows(dir.detectionDatabase(), SyncTable::logs()));
    QVERIFY2(countsMatch(db, &why), qPrintable(why));
}

void TestStationSync::faultsLoseNothing_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("sync killed") << QStringLiteral("sync killed");
    QTest::newRow("server killed") << QStringLiteral("server killed");
    QTest::newRow("server stopped") << QStringLiteral("server stopped");
    QTest::newRow("station trimming") << QStringLiteral("station trimming");
    QTest::newRow("last row deleted") << QStringLiteral("last row deleted");
    QTest::newRow("last row edited") << QStringLiteral("last row edited");
}

// The program following a station through one fault in its first copy, then
// the station writing on: every record of the file on the server once, in
// one epoch, and the day counts in step.
void TestStationSync::faultsLoseNothing()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(QString, fault);
    const QString database = freshDatabase();
    QVERIFY(!database.isEmpty());
    TestAppDir dir;
    QVERIFY(dir.generate(4000, 200));
    const SyncTable table = SyncTable::records(false);
    const QStringList original = stationRows(dir.detectionDatabase(), table);
    settingsFor(dir.path(), database, QStringLiteral("L1"));
    const QString adminName = QStringLiteral("admin-") + database;
    auto start = [&](QProcess& sync) {
        sync.start(QCoreApplication::applicationDirPath() + QStringLiteral("/stationsync"),
            { QStringLiteral("--station"), QStringLiteral("L1"), QStringLiteral("--dir"), dir.path(),
                QStringLiteral("--socket"), m_Server.socket(), QStringLiteral("--database"), database,
                QStringLiteral("--defaults-file"), m_OptionFile, QStringLiteral("--interval"),
                QStringLiteral("1"), QStringLiteral("--batch"), QStringLiteral("100") });
        return sync.waitForStarted();
    };
    auto onServer = [&] {
        QSqlQuery count(QStringLiteral("SELECT count(*) FROM records"), admin(database));
        return count.next() ? count.value(0).toInt() : -1;
    };
    QProcess sync;
    QVERIFY(start(sync));
    QTRY_VERIFY_WITH_TIMEOUT(onServer() > 0, 30000);
    QString why;
    if (fault == QLatin1String("sync killed")) {
        sync.kill();
        sync.waitForFinished();
        QVERIFY(start(sync));
    } else if (fault == QLatin1String("server killed")) {
        QSqlDatabase::removeDatabase(adminName);
        m_Server.kill();
        QVERIFY2(m_Server.start(&why), qPrintable(why));
    } else if (fault == QLatin1String("server stopped")) {
        QSqlDatabase::removeDatabase(adminName);
        QVERIFY(m_Server.pause());
        QThread::msleep(5000);
        QVERIFY(m_Server.resume());
    } else if (fault == QLatin1String("station trimming")) {
        // Retention during the first copy: the older half goes.
        QVERIFY(dir.station().database()->deleteBefore(original.at(2000).section(QLatin1Char('|'), 1, 1)));
        dir.closeStation();
    }
    QTRY_VERIFY_WITH_TIMEOUT(serverRows(admin(database), table, QStringLiteral("L1"), 1).size()
                >= stationRows(dir.detectionDatabase(), table).size()
            && serverRows(admin(database), table, QStringLiteral("L1"), 1).constLast()
                == original.constLast(),
        120000);
    if (fault == QLatin1String("last row deleted"))
        QVERIFY(TestAppDir::exec(dir.detectionDatabase(),
            QStringLiteral("DELETE FROM wftable WHERE uid = (SELECT max(uid) FROM wftable)")));
    else if (fault == QLatin1String("last row edited"))
        QVERIFY(TestAppDir::exec(dir.detectionDatabase(),
            QStringLiteral("UPDATE wftable SET model = 'X9' WHERE uid = (SELECT max(uid) FROM wftable)")));
    // The station writes on.
    QVERIFY(dir.station().addDetection(
        QStringLiteral("2030-01-01 00:00:00"), QStringLiteral("B2"), 0.5, QStringLiteral("1.5"), 400, 200));
    dir.closeStation();
    const QString added = stationRows(dir.detectionDatabase(), table).constLast();
    QTRY_COMPARE_WITH_TIMEOUT(
        serverRows(admin(database), table, QStringLiteral("L1"), 1).constLast(), added, 60000);
    sync.terminate();
    QVERIFY(sync.waitForFinished(15000));
    QCOMPARE(sync.exitCode(), 0);

    QSqlDatabase db = admin(database);
    // Every row the file ever held, once: the server keeps what the station
    // deleted (trimmed, or deleted by hand) and the copy of an edited row.
    QStringList expected = original;
    expected << added;
    if (fault == QLatin1String("station trimming")) {
        // What the station deleted before it was copied is not there to copy.
        const QStringList got = serverRows(db, table, QStringLiteral("L1"), 1);
        for (const QString& row : stationRows(dir.detectionDatabase(), table))
            QVERIFY2(got.contains(row), qPrintable(row));
        for (const QString& row : got)
            QVERIFY2(expected.contains(row), qPrintable(row));
        QCOMPARE(QSet<QString>(got.begin(), got.end()).size(), got.size());
    } else {
        QCOMPARE(serverRows(db, table, QStringLiteral("L1"), 1), expected);
    }
    QSqlQuery epochs(QStringLiteral("SELECT count(*) FROM station_files"), db);
    QVERIFY(epochs.next());
    QCOMPARE(epochs.value(0).toInt(), 1);
    QVERIFY2(countsMatch(db, &why), qPrintable(why));
}

QTEST_GUILESS_MAIN(TestStationSync)
#include "tst_stationsync.moc"
