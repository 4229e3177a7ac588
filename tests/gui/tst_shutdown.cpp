// Closing the viewer while it works: during a count, a page, an export and a
// modal wait, by destroying the window and by closing it the way a user does
// (the last window closes, the application quits, main destroys the window).
// The program must end cleanly: no crash, no hang (a hang fails by the
// watchdog or the test's time-out), threads ended before their objects go,
// and an export file either complete or absent.
//
// The station holds its write lock while the viewer works, so each operation
// is reliably still running when the window closes; one export also runs
// over enough records to take a while on its own.

#include "reliabilityutil.h"
#include "testappdir.h"
#include "waitingdialog.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextCodec>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Reliability;

namespace {

// Hang detector for the quit path: far beyond any sound shutdown.
const int kWatchdogMs = 120000;

QString timeAt(int second)
{
    return QDateTime(QDate(2020, 5, 1), QTime(8, 0))
        .addSecs(second)
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

bool waitingDialogShown()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<WaitingDialog*>(widget) && widget->isVisible())
            return true;
    }
    return false;
}

// Holds the write lock of a file the way a station does in the middle of a
// commit: no reader gets in until release().
class StationLock
{
public:
    explicit StationLock(const QString& file)
        : m_Name(QStringLiteral("station lock"))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_Name);
        db.setDatabaseName(file);
        m_Locked = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
    }
    ~StationLock() { release(); }
    bool isLocked() const { return m_Locked; }
    void release()
    {
        if (!QSqlDatabase::contains(m_Name))
            return;
        {
            QSqlDatabase db = QSqlDatabase::database(m_Name, false);
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            db.close();
        }
        QSqlDatabase::removeDatabase(m_Name);
        m_Locked = false;
    }

private:
    QString m_Name;
    bool m_Locked = false;
};

QStringList listing(const QString& dir)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    names.sort();
    return names;
}

// A finished export file: its data lines are numbered 1..n and the total line
// says n; absent is fine too. Anything else is a truncated file.
QString checkExport(const QString& path)
{
    if (!QFile::exists(path))
        return QString();
    const QList<QStringList> lines = parseCsv(QTextCodec::codecForLocale()->toUnicode(fileBytes(path)));
    if (lines.size() < 5)
        return QStringLiteral("only %1 lines").arg(lines.size());
    const int rows = lines.size() - 5;
    for (int i = 0; i < rows; ++i) {
        if (lines[2 + i].value(0) != QString::number(i + 1))
            return QStringLiteral("line %1 is not record %2").arg(3 + i).arg(i + 1);
    }
    if (lines[2 + rows] != QStringList({ QStringLiteral("总数"), QString::number(rows) }))
        return QStringLiteral("no total line for %1 records").arg(rows);
    if (lines.last() != QStringList({ QStringLiteral("用户:"), QStringLiteral("username"), QString() }))
        return QStringLiteral("no closing line");
    return QString();
}

} // namespace

class TestShutdown : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void closeWhileBusy_data();
    void closeWhileBusy();
    void closeDuringLongExport_data();
    void closeDuringLongExport();

private:
    // Opens a window on the test's file with the default ranges and page
    // size 10, and fills the production page (the export and the paging
    // buttons need rows).
    hxReport* openWindow();
    // Starts the operation; for the modal ones this returns only when the
    // modal wait ends.
    void start(hxReport* window, const QString& operation);
    // Runs the application's event loop as main does until the window's
    // closing quits it; close() is called once running() holds.
    int closeAndQuit(hxReport* window, const QString& operation, const std::function<bool()>& running);

    std::unique_ptr<TestAppDir> m_App;
    QString m_OldCwd;
    QString m_ExportPath;
};

void TestShutdown::init()
{
    m_App = std::make_unique<TestAppDir>();
    QVERIFY(m_App->isValid());
    m_OldCwd = QDir::currentPath();
    QDir::setCurrent(m_App->path());
    m_ExportPath = m_App->path() + QStringLiteral("/export/records.csv");
    QVERIFY(QDir().mkpath(QFileInfo(m_ExportPath).path()));
}

void TestShutdown::cleanup()
{
    QDir::setCurrent(m_OldCwd);
    m_App.reset();
}

hxReport* TestShutdown::openWindow()
{
    auto* window = new hxReport;
    window->show();
    setDefaultRanges(*window);
    child<QLineEdit>(*window, "LineNumber_checkShengchang")->setText(QStringLiteral("10"));
    child<QLineEdit>(*window, "LineNumber_log")->setText(QStringLiteral("10"));
    child<QComboBox>(*window, "comboBox_Wandring_Log")->setCurrentIndex(0);
    if (!clickAndWait(*window, "pushButton_Checkdata") || window->productionModel()->rowCount() == 0)
        qWarning("the production page did not fill");
    return window;
}

void TestShutdown::start(hxReport* window, const QString& operation)
{
    if (operation == QLatin1String("statistics")) {
        child<QPushButton>(*window, "pushButton_Checkdata_Calculate")->click();
    } else if (operation == QLatin1String("production")) {
        child<QPushButton>(*window, "pushButton_Checkdata")->click();
    } else if (operation == QLatin1String("page")) {
        child<QPushButton>(*window, "Next_checkShengchang")->click();
    } else if (operation == QLatin1String("picture")) {
        auto* view = child<QTableView>(*window, "tableView_checkShengchang");
        emit view->doubleClicked(window->productionModel()->index(0, 0));
    } else if (operation == QLatin1String("log")) {
        child<QPushButton>(*window, "pushButton_Wandring")->click();
    } else if (operation == QLatin1String("export")) {
        GuiTest::answerFileDialog(m_ExportPath);
        child<QPushButton>(*window, "pushButton_SaveHistory")->click();
    }
}

int TestShutdown::closeAndQuit(
    hxReport* window, const QString& operation, const std::function<bool()>& running)
{
    QTimer::singleShot(0, window, [this, window, operation] { start(window, operation); });
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, window, [&poll, window, running] {
        if (running()) {
            poll.stop();
            window->close();
        }
    });
    poll.start();
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(kWatchdogMs);
    return QApplication::exec();
}

void TestShutdown::closeWhileBusy_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("destroy"); // else close() and the application's quit
    QTest::newRow("statistics count, destroyed") << "statistics" << true;
    QTest::newRow("statistics count, closed") << "statistics" << false;
    QTest::newRow("production count and page, destroyed") << "production" << true;
    QTest::newRow("production count and page, closed") << "production" << false;
    QTest::newRow("next page, destroyed") << "page" << true;
    QTest::newRow("next page, closed") << "page" << false;
    QTest::newRow("full picture, destroyed") << "picture" << true;
    QTest::newRow("log count in a modal wait, closed") << "log" << false;
    QTest::newRow("export in a modal wait, closed") << "export" << false;
}

void TestShutdown::closeWhileBusy()
{
    QFETCH(QString, operation);
    QFETCH(bool, destroy);
    StationSimulator& station = m_App->station();
    for (int i = 0; i < 30; ++i) {
        QVERIFY(station.addDetection(timeAt(i), QStringLiteral("A1"), 0.9, QStringLiteral("1.0"), 500, 200));
        QVERIFY(station.addLog(timeAt(i), QStringLiteral("alarm %1").arg(i), 1));
    }
    m_App->closeStation();
    const QMap<QString, QString> before = contents(m_App->detectionDatabase());

    hxReport* window = openWindow();
    QCOMPARE(window->productionModel()->rowCount(), 10);
    StationLock lock(m_App->detectionDatabase());
    QVERIFY(lock.isLocked());

    // Running: the worker's waiting dialog is up, or a query thread runs.
    const auto running = [window] { return waitingDialogShown() || window->hasRunningQueries(); };
    if (destroy) {
        start(window, operation);
        QTRY_VERIFY(running());
        delete window;
    } else {
        QCOMPARE(closeAndQuit(window, operation, running), 0);
        delete window;
    }
    // Whatever the closed window had started has let go of the file.
    lock.release();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!waitingDialogShown());
    QCOMPARE(contents(m_App->detectionDatabase()), before);
    QCOMPARE(checkExport(m_ExportPath), QString());
    QCOMPARE(listing(QFileInfo(m_ExportPath).path()), QStringList());
}

void TestShutdown::closeDuringLongExport_data()
{
    QTest::addColumn<QString>("operation");
    QTest::newRow("production export") << "export";
}

void TestShutdown::closeDuringLongExport()
{
    QFETCH(QString, operation);
    // Enough records that writing them all takes a while without any lock.
    QVERIFY(exec(m_App->detectionDatabase(),
        StationFixture::detectionTableSql() << QStringLiteral(
            "with recursive n(x) as (select 0 union all select x+1 from n where x < 599999) "
            "insert into wftable(channel,correlate,detecttime,diameter,hight,model,time) "
            "select 1, 0.9, '1.0', 500, 200, 'A'||(x%4), "
            "strftime('%Y-%m-%d %H:%M:%S', 1588291201 + x / 8, 'unixepoch') from n")));
    // Only the viewer's missing tables are added at its first start.
    delete new hxReport;
    const QByteArray before = fileBytes(m_App->detectionDatabase());

    hxReport* window = openWindow();
    QCOMPARE(window->productionModel()->rowCount(), 10);
    QCOMPARE(child<QLabel>(*window, "label_Number")->text(), QStringLiteral("600000"));
    // Closed once the export has started writing.
    QCOMPARE(closeAndQuit(
                 window, operation, [window] { return waitingDialogShown() && window->hasRunningQueries(); }),
        0);
    delete window;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    QCOMPARE(checkExport(m_ExportPath), QString());
    const QStringList left = listing(QFileInfo(m_ExportPath).path());
    QVERIFY2(left.isEmpty() || left == QStringList({ QStringLiteral("records.csv") }),
        qPrintable(left.join(QLatin1Char(' '))));
    QVERIFY(fileBytes(m_App->detectionDatabase()) == before);
}

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
