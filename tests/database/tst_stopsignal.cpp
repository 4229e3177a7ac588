#include "testappdir.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <csignal>
#endif

// A live station asked to stop (SIGTERM or SIGINT on Unix; Ctrl+Break or
// Ctrl+C on Windows, which has no such signals) finishes its write, reports,
// and exits 0: every write it reports is in the file.
namespace {
int records(const QString& file)
{
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(file);
        QSqlQuery query(db);
        if (db.open() && query.exec(QStringLiteral("select count(*) from wftable")) && query.next())
            count = query.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return count;
}
}

class TestStopSignal : public QObject
{
    Q_OBJECT
private slots:
    void liveStationStops_data();
    void liveStationStops();
};

void TestStopSignal::liveStationStops_data()
{
    QTest::addColumn<int>("request");
#ifdef Q_OS_WIN
    QTest::newRow("Ctrl+Break") << int(CTRL_BREAK_EVENT);
#else
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
#endif
}

void TestStopSignal::liveStationStops()
{
    QFETCH(int, request);
    TestAppDir dir;
    QVERIFY(dir.generate(10));
    QProcess station;
    station.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/stationsim"));
    station.setArguments({ QStringLiteral("--dir"), dir.path(), QStringLiteral("--live"),
        QStringLiteral("--rate"), QStringLiteral("200") });
    station.setProcessChannelMode(QProcess::MergedChannels);
#ifdef Q_OS_WIN
    // Console events travel through a console the station shares with us.
    if (!::GetConsoleWindow())
        ::AllocConsole();
    // Its own process group, so that the console event reaches it alone.
    station.setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments* arguments) { arguments->flags |= CREATE_NEW_PROCESS_GROUP; });
#endif
    station.start();
    QVERIFY2(station.waitForStarted(10000), qPrintable(station.errorString()));
    QByteArray started;
    QTRY_VERIFY2_WITH_TIMEOUT((started += station.readAll()).contains("Live:"), started.constData(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(records(dir.detectionDatabase()) > 10, 20000);
#ifdef Q_OS_WIN
    if (!::GenerateConsoleCtrlEvent(DWORD(request), DWORD(station.processId()))) {
        station.kill();
        QSKIP("no console to send the event through (a console-less test run)");
    }
#else
    QCOMPARE(::kill(pid_t(station.processId()), request), 0);
#endif
    QVERIFY(station.waitForFinished(10000));
    QCOMPARE(station.exitStatus(), QProcess::NormalExit);
    QCOMPARE(station.exitCode(), 0);
    const QString report = QString::fromUtf8(station.readAll());
    const QRegularExpressionMatch match
        = QRegularExpression(QStringLiteral("Live writes: (\\d+), failed writes: 0")).match(report);
    QVERIFY2(match.hasMatch(), qPrintable(report));
    QVERIFY(match.captured(1).toInt() > 0);
    QCOMPARE(records(dir.detectionDatabase()), 10 + match.captured(1).toInt());
}

QTEST_GUILESS_MAIN(TestStopSignal)
#include "tst_stopsignal.moc"
