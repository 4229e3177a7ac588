#include "commandlineexport.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "mariadbserver.h"
#include "networksettings.h"
#include "qreportwidget.h"
#include "serversettings.h"
#include "testappdir.h"
#include "waitingdialog.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The window and the command line on a plant server that misbehaves: one that
// stops answering (SIGSTOP), one whose table is locked, a wrong password, no
// server at all. Nothing may hang, and a failure must read as a failure.

namespace {
using GuiTest::child;
using GuiTest::pick;

const QDateTime From(QDate(2020, 5, 1), QTime(0, 0));
const QDateTime To(QDate(2020, 5, 2), QTime(0, 0));
const int Records = 5;

bool query(hxReport& window)
{
    QSignalSpy shown(&window, &hxReport::sgPageShown);
    pick(window, "pushButton_Set1_History", From);
    pick(window, "pushButton_Set2_History", To);
    child<QPushButton>(window, "pushButton_Checkdata")->click();
    return shown.count() > 0 || shown.wait(20000);
}

bool waitForServer(hxReport& window, bool* ok)
{
    QSignalSpy read(&window, &hxReport::sgServerRead);
    if (read.isEmpty() && !read.wait(20000))
        return false;
    *ok = read.last().at(0).toBool();
    return true;
}
}

class TestServerFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void stalledServer_data();
    void stalledServer();
    void failedQuery_data();
    void failedQuery();
    void mendPasswordWithoutRestart();
    void commandLineGivesUp();

private:
    // The server's settings as saved, with the viewer's password file.
    ServerSettings settings(bool withOptionFile = true) const;
    // Holds the table with a write lock from a root session until released.
    bool lockTable(const QString& table);
    void releaseLock();

    MariaDbServer m_Server;
    QString m_Skip;
    QTemporaryDir m_Work;
    QString m_Previous; // working directory before the test
    QString m_OptionFile;
    bool m_bPaused = false;
};

void TestServerFaults::initTestCase()
{
    m_Skip = MariaDbServer::missing();
    if (!m_Skip.isEmpty())
        return;
    QString why;
    QVERIFY2(m_Server.start(&why), qPrintable(why));
    QVERIFY2(m_Server.exec({ QStringLiteral("CREATE USER 'viewer'@'localhost' IDENTIFIED BY 'viewer-pw'"),
                               QStringLiteral("CREATE DATABASE plant CHARACTER SET utf8mb4") },
                 &why),
        qPrintable(why));
    QVERIFY2(
        m_Server.runFile(QStringLiteral("plant"), QStringLiteral(HX_SCHEMA_FILE), &why), qPrintable(why));
    QStringList rows { QStringLiteral("GRANT hxreport_viewer TO 'viewer'@'localhost'"),
        QStringLiteral("SET DEFAULT ROLE hxreport_viewer FOR 'viewer'@'localhost'") };
    // Two stations, as a sync leaves them.
    for (const char* station : { "L1", "L2" }) {
        rows << QStringLiteral("INSERT INTO plant.stations (station, epoch) VALUES ('%1', 1)")
                    .arg(QLatin1String(station));
        rows << QStringLiteral(
            "INSERT INTO plant.models (station, model, last_seen) VALUES ('%1', 'A1', NOW())")
                    .arg(QLatin1String(station));
        for (int i = 0; i < Records; ++i)
            rows << QStringLiteral(
                "INSERT INTO plant.records (station, epoch, uid, time, model) VALUES ('%1', 1, "
                "%2, '2020-05-01 08:00:0%2', 'A1')")
                        .arg(QLatin1String(station))
                        .arg(i + 1);
    }
    QVERIFY2(m_Server.exec(rows, &why), qPrintable(why));

    m_OptionFile = m_Work.filePath(QStringLiteral("viewer.cnf"));
    QFile options(m_OptionFile);
    QVERIFY(options.open(QIODevice::WriteOnly));
    options.write("[hxreport]\npassword = viewer-pw\n");
    options.close();
    QVERIFY(options.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    // The window and the command line read hubdetect.ini in the working folder.
    m_Previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_Work.path()));
}

void TestServerFaults::cleanupTestCase()
{
    hxReport::useStationFile();
    QDir::setCurrent(m_Previous);
    if (m_bPaused)
        m_Server.resume();
    m_Server.kill();
}

void TestServerFaults::cleanup()
{
    if (m_bPaused && m_Server.resume())
        m_bPaused = false;
    releaseLock();
    hxReport::useStationFile();
}

ServerSettings TestServerFaults::settings(bool withOptionFile) const
{
    ServerSettings s;
    s.socket = m_Server.socket();
    s.user = QStringLiteral("viewer");
    s.database = QStringLiteral("plant");
    if (withOptionFile)
        s.optionFile = m_OptionFile;
    return s;
}

bool TestServerFaults::lockTable(const QString& table)
{
    QSqlDatabase db = m_Server.connect(QStringLiteral("locker"), QStringLiteral("root"), QString());
    return db.isOpen() && QSqlQuery(db).exec(QStringLiteral("LOCK TABLES plant.%1 WRITE").arg(table));
}

void TestServerFaults::releaseLock()
{
    if (!QSqlDatabase::contains(QStringLiteral("locker")))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("locker"), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
}

void TestServerFaults::stalledServer_data()
{
    QTest::addColumn<bool>("stop"); // SIGSTOP, else a locked table
    QTest::newRow("server stopped") << true;
    QTest::newRow("table locked") << false;
}

void TestServerFaults::stalledServer()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(bool, stop);
    hxReport::usePlantServer(settings(), QStringLiteral("viewer-pw"));

    // The window comes up while the server keeps its stations to itself, and
    // fills its station boxes once they arrive.
    if (stop)
        QVERIFY(m_bPaused = m_Server.pause());
    else
        QVERIFY(lockTable(QStringLiteral("stations")));
    auto window = std::make_unique<hxReport>();
    QSignalSpy read(window.get(), &hxReport::sgServerRead);
    window->show();
    QTest::qWait(200);
    QCOMPARE(read.count(), 0);
    QCOMPARE(child<QComboBox>(*window, "comboBox_Station")->count(), 1);
    if (stop)
        QVERIFY(!(m_bPaused = !m_Server.resume()));
    else
        releaseLock();
    bool ok = false;
    QVERIFY(waitForServer(*window, &ok));
    QVERIFY(ok);
    QCOMPARE(child<QComboBox>(*window, "comboBox_Station")->count(), 3);
    QVERIFY(query(*window));
    QCOMPARE(child<QLabel>(*window, "label_Number")->text(), QString::number(2 * Records));

    // A query on the stalled server: Cancel brings the window back.
    if (stop)
        QVERIFY(m_bPaused = m_Server.pause());
    else
        QVERIFY(lockTable(QStringLiteral("records")));
    child<QPushButton>(*window, "pushButton_Checkdata")->click();
    WaitingDialog* waiting = nullptr;
    const auto shownWaiting = [&waiting] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<WaitingDialog*>(widget); dialog && dialog->isVisible())
                waiting = dialog;
        return waiting != nullptr;
    };
    QTRY_VERIFY_WITH_TIMEOUT(shownWaiting(), 10000);
    QTest::qWait(300); // the statement is on its way to the server
    emit waiting->cancelRequested();
    QTRY_COMPARE_WITH_TIMEOUT(window->statusBar()->currentMessage(), QStringLiteral("已取消"), 4000);

    // Closing ends a statement the server keeps waiting (after a lost
    // connection, at most the connect timeout).
    child<QPushButton>(*window, "pushButton_Checkdata")->click();
    QTest::qWait(300);
    QElapsedTimer closing;
    closing.start();
    window.reset();
    // Far below the server's own timeouts (60 s, or a day for a lock).
    QVERIFY2(closing.elapsed() < 10000, qPrintable(QString::number(closing.elapsed())));
}

void TestServerFaults::failedQuery_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("wrong password") << QStringLiteral("password");
    QTest::newRow("no server") << QStringLiteral("down");
    QTest::newRow("damaged station file") << QStringLiteral("file");
}

void TestServerFaults::failedQuery()
{
    QFETCH(QString, fault);
    if (fault != QLatin1String("file") && !m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    TestAppDir dir;
    QString why;
    if (fault == QLatin1String("file")) {
        QVERIFY(dir.generate(10));
        QFile file(dir.detectionDatabase());
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.seek(100);
        file.write(QByteArray(8192, '\x5a'));
        file.close();
    } else {
        ServerSettings s = settings(false);
        if (fault == QLatin1String("down"))
            s.socket = m_Work.filePath(QStringLiteral("no-such.sock"));
        hxReport::usePlantServer(s, QStringLiteral("wrong"));
    }
    hxReport window;
    window.show();
    QTest::qWait(20);
    const int ownWidth = window.width();
    QVERIFY(query(window));
    const QString title = child<QLabel>(window, "label_Tab2_Title")->text();
    QVERIFY2(title.contains(QStringLiteral("查询失败：")), qPrintable(title));
    QVERIFY2(title.section(QStringLiteral("查询失败："), 1).trimmed().size() > 3, qPrintable(title));
    QCOMPARE(child<QLabel>(window, "label_Number")->text(), QStringLiteral("查询失败"));
    QCOMPARE(window.productionModel()->rowCount(), 0);
    QTest::qWait(20); // layouts settle on posted events
    QCOMPARE(window.width(), ownWidth); // a long reason does not widen the window

    // The statistics: a failed count is no table of zeros.
    child<QListWidget>(window, "check_listWidget")->setCurrentRow(1);
    pick(window, "pushButton_Set1_Count", From);
    pick(window, "pushButton_Set2_Count", To);
    QVERIFY(GuiTest::clickAndWait(window, "pushButton_Checkdata_Calculate", &hxReport::sgPageShown));
    QVERIFY2(window.reportWidget()->title().startsWith(QStringLiteral("统计失败：")),
        qPrintable(window.reportWidget()->title()));
    QVERIFY(window.countMap().isEmpty());

    // The log page: a failed count is no "0 records".
    pick(window, "pushButton_Set1_Warning", From);
    pick(window, "pushButton_Set2_Warning", To);
    child<QPushButton>(window, "pushButton_Wandring")->click();
    const auto* logTitle = child<QLabel>(window, "label_Tab3_Title");
    QTRY_VERIFY2(logTitle->text().contains(QStringLiteral("查询失败：")), qPrintable(logTitle->text()));
    QCOMPARE(child<QLabel>(window, "showNum_Label_Checkdata_2")->text(), QStringLiteral("查询失败"));
    QCOMPARE(window.width(), ownWidth);
}

void TestServerFaults::mendPasswordWithoutRestart()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    ServerSettings saved = settings(false);
    QVERIFY(saved.writeTo(QStringLiteral("hubdetect.ini")));
    hxReport::usePlantServer(saved, QStringLiteral("wrong"));
    hxReport window;
    bool ok = true;
    QVERIFY(waitForServer(window, &ok));
    QVERIFY(!ok);
    window.show();
    QVERIFY(query(window));
    QCOMPARE(child<QLabel>(window, "label_Number")->text(), QStringLiteral("查询失败"));

    // The settings from the window: naming the password file connects again.
    child<QPushButton>(window, "pushButton_ServerSettings")->click();
    auto* settingsWidget = window.findChild<NetworkSettings*>();
    QVERIFY(settingsWidget);
    QVERIFY(settingsWidget->isVisible());
    const QString shownPath = child<QLabel>(*settingsWidget, "label_SettingsFile")->text();
    QVERIFY2(shownPath.contains(QDir::toNativeSeparators(QDir(m_Work.path()).filePath("hubdetect.ini"))),
        qPrintable(shownPath));
    child<QLineEdit>(*settingsWidget, "lineEdit_ServerAddress")->setText(QStringLiteral("localhost"));
    child<QLineEdit>(*settingsWidget, "lineEdit_OptionFile")->setText(m_OptionFile);
    QSignalSpy read(&window, &hxReport::sgServerRead);
    child<QPushButton>(*settingsWidget, "pushButton_SaveNetwork")->click();
    QVERIFY(read.count() > 0 || read.wait(20000));
    QCOMPARE(read.last().at(0).toBool(), true);
    QVERIFY(query(window));
    QCOMPARE(child<QLabel>(window, "label_Number")->text(), QString::number(2 * Records));
    QVERIFY(!child<QLabel>(window, "label_Tab2_Title")->text().contains(QStringLiteral("查询失败")));
}

void TestServerFaults::commandLineGivesUp()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QVERIFY(settings().writeTo(QStringLiteral("hubdetect.ini")));
    QVERIFY(lockTable(QStringLiteral("records")));
    const QString out = m_Work.filePath(QStringLiteral("plant.csv"));
    QString output;
    QString errors;
    QTextStream outStream(&output);
    QTextStream errStream(&errors);
    const int status = CommandLineExport::run(
        { QStringLiteral("hxReport"), QStringLiteral("--export"), QStringLiteral("production"),
            QStringLiteral("--server"), QStringLiteral("--timeout"), QStringLiteral("2"),
            QStringLiteral("--date"), QStringLiteral("2020-05-01"), QStringLiteral("--out"), out },
        outStream, errStream);
    errStream.flush();
    QCOMPARE(status, int(CommandLineExport::Failed));
    QVERIFY2(errors.startsWith(QStringLiteral("hxReport: ")), qPrintable(errors));
    QVERIFY(!QFile::exists(out));
}

QTEST_MAIN(TestServerFaults)
#include "tst_serverfaults.moc"
