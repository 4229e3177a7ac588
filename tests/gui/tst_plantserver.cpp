#include "commandlineexport.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "mariadbserver.h"
#include "qualityanalysis.h"
#include "qualitypage.h"
#include "serversettings.h"
#include "stationfixture.h"
#include "stationsimulator.h"
#include "stationsync.h"
#include "syncsettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

// The viewer on the plant server answers as the stations' own files do: the
// stations are synced to a private server, the window reads it as the viewer
// user, and every answer is compared with the same question asked of each
// station file (their union for the whole plant).

namespace {
using GuiTest::child;
using GuiTest::pick;

const QString Hostile = QStringLiteral("x'); DROP TABLE records; --\\");
const QString HostileModel = QStringLiteral("A'1\\\" %");
const QDateTime From(QDate(2020, 5, 1), QTime(0, 0));
const QDateTime To(QDate(2020, 5, 2), QTime(0, 0));

struct Row
{
    QString time;
    QString text; // model, or log message
    QString station;
};

bool clickAndWaitForPage(hxReport& window, const char* button)
{
    QSignalSpy shown(&window, &hxReport::sgPageShown);
    child<QPushButton>(window, button)->click();
    return shown.count() > 0 || shown.wait(20000);
}

// Every row the page shows, through Next to the last page.
QStringList pagedRows(hxReport& window, QStandardItemModel* (hxReport::*model)() const, const char* next)
{
    QStringList rows;
    for (int page = 0; page < 100; ++page) {
        QStandardItemModel* shown = (window.*model)();
        for (int r = 0; shown && r < shown->rowCount(); ++r)
            rows << shown->item(r, 0)->text() + QLatin1Char('|') + shown->item(r, 1)->text();
        auto* button = child<QPushButton>(window, next);
        if (!button->isEnabled() || !clickAndWaitForPage(window, next))
            break;
    }
    return rows;
}

void choose(hxReport& window, const char* box, const QString& station)
{
    auto* combo = child<QComboBox>(window, box);
    combo->setCurrentIndex(station.isNull() ? 0 : combo->findData(station));
}
}

class TestPlantServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void stationChoice();
    void dayCountsExact();
    void picture();
    void productionPages_data();
    void productionPages();
    void statistics_data();
    void statistics();
    void logPage_data();
    void logPage();
    void shifts_data();
    void shifts();
    void stationShifts_data();
    void stationShifts();
    void productionExport_data();
    void productionExport();
    void quality_data();
    void quality();
    void report_data();
    void report();

private:
    // The stations' rows in the range, as the plant orders them: stations in
    // sync order, each in its own order, then by time (ties keep that order).
    QList<Row> expectedRows(const QString& station, const QString& model, bool logs,
        const QDateTime& from = From, const QDateTime& to = To) const;
    // The window on the server, with the range set on the production page.
    std::unique_ptr<hxReport> openWindow();
    // "hxReport --export <arguments> --server [--station station]" in the
    // work folder, whose hubdetect.ini names the server; false with its errors.
    bool runCommandLine(const QStringList& arguments, const QString& station, QString* errors) const;

    MariaDbServer m_Server;
    QString m_Skip;
    QTemporaryDir m_Work;
    QStringList m_Stations;
    QVector<std::shared_ptr<StationFixture>> m_Files;
    QVector<SyncSettings> m_Syncs; // each station's
};

void TestPlantServer::initTestCase()
{
    m_Skip = MariaDbServer::missing();
    if (!m_Skip.isEmpty())
        return;
    QString why;
    QVERIFY2(m_Server.start(&why), qPrintable(why));
    QVERIFY2(
        m_Server.exec({ QStringLiteral("CREATE USER 'sync'@'localhost' IDENTIFIED BY 'sync-pw'"),
                          QStringLiteral("CREATE USER 'viewer'@'localhost' IDENTIFIED BY 'viewer''pw\\\\'"),
                          QStringLiteral("CREATE DATABASE plant CHARACTER SET utf8mb4") },
            &why),
        qPrintable(why));
    QVERIFY2(
        m_Server.runFile(QStringLiteral("plant"), QStringLiteral(HX_SCHEMA_FILE), &why), qPrintable(why));
    QVERIFY2(m_Server.exec({ QStringLiteral("GRANT hxreport_sync TO 'sync'@'localhost'"),
                               QStringLiteral("SET DEFAULT ROLE hxreport_sync FOR 'sync'@'localhost'"),
                               QStringLiteral("GRANT hxreport_viewer TO 'viewer'@'localhost'"),
                               QStringLiteral("SET DEFAULT ROLE hxreport_viewer FOR 'viewer'@'localhost'") },
                 &why),
        qPrintable(why));

    const QString syncOptions = m_Work.filePath(QStringLiteral("sync.cnf"));
    const QString viewerOptions = m_Work.filePath(QStringLiteral("viewer.cnf"));
    QFile sync(syncOptions);
    QVERIFY(sync.open(QIODevice::WriteOnly));
    sync.write("[stationsync]\nuser = sync\npassword = sync-pw\n");
    sync.close();
    QFile viewer(viewerOptions);
    QVERIFY(viewer.open(QIODevice::WriteOnly));
    viewer.write(
        "[client]\nuser = nobody\npassword = wrong\n[hxreport]\nuser = viewer\npassword = \"viewer'pw\\\"\n");
    viewer.close();

    // Three stations with the same times (ties across stations), a hostile
    // station name and a hostile model, rows outside the range and log records.
    m_Stations = QStringList { QStringLiteral("L1"), Hostile, QStringLiteral("二号线") };
    for (int s = 0; s < m_Stations.size(); ++s) {
        auto file = std::make_shared<StationFixture>();
        for (int i = 0; i < 7 + s * 3; ++i) {
            const QString model = i % 3 == 0 ? HostileModel
                : i % 3 == 1                 ? QStringLiteral("B2")
                                             : QStringLiteral("NG");
            // Only the first station's records have pictures.
            QVERIFY(file->addRecord(
                From.addSecs(3600 * 8 + i * (s + 1)).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), model,
                0.9, s == 0 ? StationFixture::picture(QSize(40, 20)) : QByteArray()));
        }
        QVERIFY(file->addRecord(QStringLiteral("2020-04-30 18:00:00"), QStringLiteral("NG")));
        QVERIFY(file->addRecord(QStringLiteral("2020-05-03 08:00:00"), QStringLiteral("B2")));
        QVERIFY(file->addRecord(QStringLiteral("2020-05-03 09:00:00"), QStringLiteral("B2")));
        file->addLogs(4 + s, 1, QStringLiteral("alarm ") + m_Stations.at(s));
        file->addLogs(2, 5, QStringLiteral("usage"));
        file->done();
        // Shifts: the first two stations share a name with other times.
        const QStringList shifts[] = { { "早班|08:00:00|08:00:10", "夜班|20:00:00|08:00:00" },
            { "早班|08:00:05|08:00:20", "中班|08:00:20|09:00:00" }, {} };
        for (const QString& shift : shifts[s]) {
            const QStringList f = shift.split(QLatin1Char('|'));
            QVERIFY(TestAppDir::exec(StationSimulator::detectionPath(file->path()),
                QStringLiteral("INSERT INTO wftimetable_2(type,starttime,endtime,startType,EndType) "
                               "VALUES ('%1','%2','%3',0,0)")
                    .arg(f[0], f[1], f[2])));
        }
        m_Files << file;

        QVERIFY2(
            m_Server.allowStation(QStringLiteral("plant"), QStringLiteral("sync"), m_Stations.at(s), &why),
            qPrintable(why));
        SyncSettings settings;
        settings.station = m_Stations.at(s);
        settings.stationDir = file->path();
        settings.socket = m_Server.socket();
        settings.database = QStringLiteral("plant");
        settings.optionFile = syncOptions;
        settings.once = true;
        settings.thumbnails = true;
        StationSync syncRun(settings, std::make_shared<std::atomic<bool>>(false));
        QCOMPARE(syncRun.run(), 0);
        m_Syncs << settings;
    }

    // The viewer's settings as the network settings save them: no password.
    const QString ini = m_Work.filePath(QStringLiteral("hubdetect.ini"));
    ServerSettings saved;
    saved.socket = m_Server.socket();
    saved.database = QStringLiteral("plant");
    saved.optionFile = viewerOptions;
    QVERIFY(saved.writeTo(ini));
    QVERIFY(!QSettings(ini, QSettings::IniFormat)
                 .allKeys()
                 .join(QLatin1Char(' '))
                 .contains(QStringLiteral("password")));
    ServerSettings settings;
    QString password;
    bool found = false;
    QVERIFY2(ServerSettings::fromIni(ini).resolve(&settings, &password, &found, &why), qPrintable(why));
    QVERIFY(found);
    QCOMPARE(settings.user, QStringLiteral("viewer"));
    hxReport::usePlantServer(settings, password);
}

void TestPlantServer::cleanupTestCase()
{
    hxReport::useStationFile();
    m_Server.kill();
}

QList<Row> TestPlantServer::expectedRows(
    const QString& station, const QString& model, bool logs, const QDateTime& from, const QDateTime& to) const
{
    QList<Row> rows;
    for (int s = 0; s < m_Stations.size(); ++s) {
        if (!station.isNull() && station != m_Stations.at(s))
            continue;
        const QString sql = logs
            ? QStringLiteral(
                "select time, message from warningtable where time > ? and time < ? and class = '1' "
                "order by time, uid")
            : QStringLiteral(
                "select time, model from wftable where time > ? and time < ? and (? = '' or model = ?) "
                "order by time, uid");
        TestAppDir::withConnection(
            StationSimulator::detectionPath(m_Files.at(s)->path()), true, [&](QSqlDatabase& db) {
                QSqlQuery query(db);
                query.prepare(sql);
                query.addBindValue(from.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
                query.addBindValue(to.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
                if (!logs) {
                    const QString bound = model.isEmpty() ? QStringLiteral("") : model; // never NULL
                    query.addBindValue(bound);
                    query.addBindValue(bound);
                }
                if (!query.exec())
                    return false;
                while (query.next())
                    rows << Row { query.value(0).toString(), query.value(1).toString(), m_Stations.at(s) };
                return true;
            });
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.time < b.time; });
    if (logs) // newest first, ties in the reverse order too
        std::reverse(rows.begin(), rows.end());
    return rows;
}

std::unique_ptr<hxReport> TestPlantServer::openWindow()
{
    auto window = std::make_unique<hxReport>();
    // The stations, models and shifts arrive from the server after the window.
    QSignalSpy read(window.get(), &hxReport::sgServerRead);
    window->show();
    if (read.isEmpty())
        read.wait(20000);
    return window;
}

bool TestPlantServer::runCommandLine(
    const QStringList& arguments, const QString& station, QString* errors) const
{
    QStringList all { QStringLiteral("hxReport"), QStringLiteral("--export") };
    all << arguments << QStringLiteral("--server");
    if (!station.isNull())
        all << QStringLiteral("--station") << station;
    // The command line reads hubdetect.ini in the working directory.
    const QString previous = QDir::currentPath();
    if (!QDir::setCurrent(m_Work.path()))
        return false;
    QString output;
    QTextStream out(&output);
    QTextStream err(errors);
    const int status = CommandLineExport::run(all, out, err);
    err.flush();
    QDir::setCurrent(previous);
    return status == CommandLineExport::Ok;
}

void TestPlantServer::stationChoice()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    // A desktop's font, as the layout test measures the window with.
    const QFont oldFont = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    const auto restoreFont = qScopeGuard([&oldFont] { QApplication::setFont(oldFont); });
    auto window = openWindow();
    const int ownWidth = window->width();
    QCOMPARE(ownWidth, 1009); // the station box takes no width beyond the window's own
    auto* list = child<QListWidget>(*window, "check_listWidget");
    int page = 0;
    for (const char* name : { "comboBox_Station", "comboBox_Station_Count", "comboBox_Station_Log" }) {
        auto* box = child<QComboBox>(*window, name);
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QStringList sorted = m_Stations;
        sorted.sort();
        QCOMPARE(items, QStringList { QStringLiteral("全部") } + sorted);
        // Named beside the model's own "全部".
        QCOMPARE(child<QLabel>(*window, qPrintable(QLatin1String(name) + QStringLiteral("_Label")))->text(),
            QStringLiteral("工位"));
        // The longest name chosen still fits the window's own size.
        list->setCurrentRow(page++);
        box->setCurrentIndex(box->findData(Hostile));
        QTest::qWait(20); // layouts settle on posted events
        QCOMPARE(window->width(), ownWidth);
    }
    auto* quality = child<QComboBox>(*window, "comboBox_Station_Quality");
    QCOMPARE(quality->count(), m_Stations.size() + 1);
}

void TestPlantServer::dayCountsExact()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    // Every record sent again by the syncs, their positions moved back (as
    // an older copy of stations restored would): all are skipped as
    // duplicates and counted once, for this check and the pages' tests after it.
    QString why;
    QVERIFY2(m_Server.exec({ QStringLiteral("UPDATE plant.stations SET record_uid = 0, record_mark = '', "
                                            "record_time = NULL") },
                 &why),
        qPrintable(why));
    for (const SyncSettings& settings : qAsConst(m_Syncs)) {
        StationSync sync(settings, std::make_shared<std::atomic<bool>>(false));
        QCOMPARE(sync.run(), 0);
        QVERIFY(sync.totals().records > 0);
    }
    QSqlDatabase db = m_Server.connect(
        QStringLiteral("counts"), QStringLiteral("root"), QString(), QStringLiteral("plant"));
    const auto rows = [&db](const QString& sql) {
        QStringList result;
        QSqlQuery query(sql, db);
        while (query.next())
            result << query.value(0).toString() + QLatin1Char('|') + query.value(1).toString()
                    + QLatin1Char('|') + query.value(2).toString() + QLatin1Char('|')
                    + query.value(3).toString();
        return result;
    };
    const QStringList counted = rows(QStringLiteral(
        "SELECT day, station, model, records FROM record_counts ORDER BY day, station, model"));
    QVERIFY(counted.size() > 10);
    QCOMPARE(counted,
        rows(QStringLiteral("SELECT LEFT(time, 10) d, station, COALESCE(model, '') m, count(*) FROM records "
                            "GROUP BY d, station, m ORDER BY d, station, m")));
}

void TestPlantServer::picture()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    auto window = openWindow();
    pick(*window, "pushButton_Set1_History", From);
    pick(*window, "pushButton_Set2_History", To);
    QVERIFY(clickAndWaitForPage(*window, "pushButton_Checkdata"));
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto* view = child<QTableView>(*window, "tableView_checkShengchang");
    auto* label = child<QLabel>(*window, "CheckDlg_label_Pic");
    // The first two rows have the same time: the first station's record
    // (with a picture, and uid 1), then the next station's (none, uid 1 too).
    for (const bool withPicture : { true, false }) {
        const QModelIndex index = view->model()->index(withPicture ? 0 : 1, 1);
        QSignalSpy shown(window.get(), &hxReport::sgPictureShown);
        const QPoint at = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(shown.count() > 0 || shown.wait(20000));
        QCOMPARE(!label->pixmap(Qt::ReturnByValue).isNull(), withPicture);
    }
}

void TestPlantServer::productionPages_data()
{
    QTest::addColumn<QString>("station"); // null: the whole plant
    QTest::addColumn<QString>("model"); // empty: every model
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    // Over whole days the counts come from the day counts and the ends, and
    // Next's deeper pages start at the day their offset lands in.
    const QDateTime days(QDate(2020, 4, 30), QTime(12, 0));
    const QDateTime daysEnd(QDate(2020, 5, 3), QTime(9, 0));
    QTest::newRow("plant") << QString() << QString() << From << To;
    QTest::newRow("plant, hostile model") << QString() << HostileModel << From << To;
    QTest::newRow("one station") << QStringLiteral("L1") << QString() << From << To;
    QTest::newRow("hostile station") << Hostile << QString() << From << To;
    QTest::newRow("one station, hostile model") << QStringLiteral("二号线") << HostileModel << From << To;
    QTest::newRow("plant, whole days") << QString() << QString() << days << daysEnd;
    QTest::newRow("one model, whole days") << QString() << QStringLiteral("B2") << days << daysEnd;
    QTest::newRow("one station and model, whole days")
        << QStringLiteral("二号线") << QStringLiteral("B2") << days << daysEnd;
}

void TestPlantServer::productionPages()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(QString, station);
    QFETCH(QString, model);
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    auto window = openWindow();
    pick(*window, "pushButton_Set1_History", from);
    pick(*window, "pushButton_Set2_History", to);
    choose(*window, "comboBox_Station", station);
    child<QComboBox>(*window, "comboBox_Model")
        ->setCurrentText(model.isEmpty() ? QStringLiteral("全部") : model);
    child<QLineEdit>(*window, "LineNumber_checkShengchang")->setText(QStringLiteral("4"));
    QVERIFY(clickAndWaitForPage(*window, "pushButton_Checkdata"));
    QStringList expected;
    const QList<Row> rows = expectedRows(station, model, false, from, to);
    for (const Row& row : rows)
        expected << row.time + QLatin1Char('|') + row.text;
    QVERIFY(expected.size() > 4); // more than one page
    // The whole plant's rows say which station each is from.
    QStandardItemModel* shown = window->productionModel();
    QCOMPARE(shown->columnCount(), station.isNull() ? 9 : 8);
    for (int r = 0; station.isNull() && r < shown->rowCount(); ++r)
        QCOMPARE(shown->item(r, 8)->text(), rows.at(r).station);
    QCOMPARE(child<QLabel>(*window, "label_Number")->text(), QString::number(expected.size()));
    // The title names the one station shown, and only that.
    QCOMPARE(child<QLabel>(*window, "label_Tab2_Title")->text().contains(QStringLiteral("工位: ") + station),
        !station.isEmpty());
    // Next continues the query shown, whatever the filters say by then.
    child<QComboBox>(*window, "comboBox_Model")
        ->setCurrentText(model.isEmpty() ? QStringLiteral("B2") : QStringLiteral("全部"));
    pick(*window, "pushButton_Set2_History", to.addDays(1));
    QCOMPARE(pagedRows(*window, &hxReport::productionModel, "Next_checkShengchang"), expected);
}

void TestPlantServer::statistics_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    // Within one day the records answer; over whole days the day counts
    // answer with the records of the partial days at both ends.
    const QDateTime days(QDate(2020, 4, 30), QTime(12, 0));
    const QDateTime daysEnd(QDate(2020, 5, 3), QTime(9, 0));
    QTest::newRow("plant") << QString() << From << To;
    QTest::newRow("hostile station") << Hostile << From << To;
    QTest::newRow("plant, whole days") << QString() << days << daysEnd;
    QTest::newRow("Chinese station, whole days") << QStringLiteral("二号线") << days << daysEnd;
}

void TestPlantServer::statistics()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(QString, station);
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    auto window = openWindow();
    child<QListWidget>(*window, "check_listWidget")->setCurrentRow(1);
    pick(*window, "pushButton_Set1_Count", from);
    pick(*window, "pushButton_Set2_Count", to);
    choose(*window, "comboBox_Station_Count", station);
    QVERIFY(clickAndWaitForPage(*window, "pushButton_Checkdata_Calculate"));
    QMap<QString, int> expected;
    for (const Row& row : expectedRows(station, QString(), false, from, to))
        ++expected[row.text];
    QVERIFY(expected.size() == 3);
    QCOMPARE(window->countMap(), expected);
    // The CSV's title line names the station counted.
    const QString csv = m_Work.filePath(QStringLiteral("counts.csv"));
    QFile::remove(csv);
    const QMap<QString, int> counts = window->countMap();
    QVERIFY(window->writeCountCsv(csv, &counts));
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString title = QString::fromUtf8(file.readLine());
    QCOMPARE(title.contains(QStringLiteral("工位: ") + station), !station.isEmpty());
}

void TestPlantServer::logPage_data()
{
    QTest::addColumn<QString>("station");
    QTest::newRow("plant") << QString();
    QTest::newRow("hostile station") << Hostile;
}

void TestPlantServer::logPage()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(QString, station);
    auto window = openWindow();
    child<QListWidget>(*window, "check_listWidget")->setCurrentRow(2);
    pick(*window, "pushButton_Set1_Warning", From);
    pick(*window, "pushButton_Set2_Warning", To);
    choose(*window, "comboBox_Station_Log", station);
    child<QComboBox>(*window, "comboBox_Wandring_Log")->setCurrentText(QStringLiteral("报警记录查询"));
    child<QLineEdit>(*window, "LineNumber_log")->setText(QStringLiteral("3"));
    QVERIFY(clickAndWaitForPage(*window, "pushButton_Wandring"));
    QStringList expected;
    for (const Row& row : expectedRows(station, QString(), true))
        expected << row.time + QLatin1Char('|') + row.text;
    QVERIFY(expected.size() > 3);
    QCOMPARE(pagedRows(*window, &hxReport::logModel, "Next_checklog"), expected);
}

void TestPlantServer::shifts_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("start"); // of the shift 早班 on 2020-05-01
    QTest::addColumn<QString>("end");
    // The whole plant takes a shared name from the first station by name.
    QTest::newRow("plant") << QString() << "08:00:00"
                           << "08:00:10";
    QTest::newRow("hostile station") << Hostile << "08:00:05"
                                     << "08:00:20";
}

void TestPlantServer::shifts()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(QString, station);
    QFETCH(QString, start);
    QFETCH(QString, end);
    if (station.isNull()) {
        auto window = openWindow();
        QCOMPARE(window->shiftMap().keys(), (QStringList { "中班", "夜班", "早班" }));
        QCOMPARE(window->shiftMap().value("早班").endTime, QTime(8, 0, 10));
    }
    // The command line's --shift reads the same shifts of the server.
    const QString path = m_Work.filePath(QStringLiteral("shift.csv"));
    QFile::remove(path);
    QString errors;
    QVERIFY2(runCommandLine(
                 { QStringLiteral("statistics"), QStringLiteral("--shift"), QStringLiteral("早班"),
                     QStringLiteral("--date"), QStringLiteral("2020-05-01"), QStringLiteral("--out"), path },
                 station, &errors),
        qPrintable(errors));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const QDate day(2020, 5, 1);
    const int expected
        = expectedRows(station, QString(), false, QDateTime(day, QTime::fromString(start, Qt::ISODate)),
            QDateTime(day, QTime::fromString(end, Qt::ISODate)))
              .size();
    QVERIFY(expected > 0);
    QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^\\d+,总数,%1$").arg(expected))).size() == 1);
    QCOMPARE(lines.value(0).contains(QStringLiteral("工位: ") + station), !station.isEmpty());
}

void TestPlantServer::stationShifts_data()
{
    QTest::addColumn<int>("page"); // row of the page list
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("shift"); // chosen for the whole plant first
    QTest::addColumn<QStringList>("listed"); // the station's shift box
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QDateTime>("end");
    // The plant's 早班 is L1's 08:00:00-08:00:10; the hostile station's runs
    // 08:00:05-08:00:20 and holds other records. 中班 is that station's only.
    const QDate day = From.date();
    const QStringList hostile { "全天", "中班", "早班" };
    const QDateTime early(day, QTime(8, 0, 5));
    const QDateTime late(day, QTime(8, 0, 20));
    QTest::newRow("production, a shared name at the station's times")
        << 0 << Hostile << "早班" << hostile << "早班" << early << late;
    QTest::newRow("statistics, a shared name at the station's times")
        << 1 << Hostile << "早班" << hostile << "早班" << early << late;
    QTest::newRow("quality, a shared name at the station's times")
        << 3 << Hostile << "早班" << hostile << "早班" << early << late;
    QTest::newRow("production, a shift the station lacks gives way to whole days")
        << 0 << QStringLiteral("L1") << "中班" << QStringList { "全天", "夜班", "早班" } << "全天"
        << QDateTime(day, QTime(0, 0)) << QDateTime(day, QTime(23, 59, 59));
}

// A page's station choice refills its shift box with that station's shifts,
// and a query with a shift covers that station's times.
void TestPlantServer::stationShifts()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(int, page);
    QFETCH(QString, station);
    QFETCH(QString, shift);
    QFETCH(QStringList, listed);
    QFETCH(QString, shown);
    QFETCH(QDateTime, start);
    QFETCH(QDateTime, end);
    const char* const stationBoxes[]
        = { "comboBox_Station", "comboBox_Station_Count", nullptr, "comboBox_Station_Quality" };
    const char* const shiftBoxes[]
        = { "comboBox_Banci", "comboBox_Banci_Calculate", nullptr, "comboBox_Banci_Quality" };
    const char* const endButtons[]
        = { "pushButton_Set2_History", "pushButton_Set2_Count", nullptr, "pushButton_Set2_Quality" };
    const char* const labels[][2] = { { "label_Time1_History", "label_Time2_History" },
        { "label_Time1_Count", "label_Time2_Count" }, {}, { "label_Time1_Quality", "label_Time2_Quality" } };
    auto window = openWindow();
    child<QListWidget>(*window, "check_listWidget")->setCurrentRow(page);
    pick(*window, endButtons[page], QDateTime(From.date(), QTime(12, 0)));
    auto* shifts = child<QComboBox>(*window, shiftBoxes[page]);
    shifts->setCurrentText(shift);
    QCOMPARE(shifts->currentText(), shift);
    choose(*window, stationBoxes[page], station);

    QStringList items;
    for (int i = 0; i < shifts->count(); ++i)
        items << shifts->itemText(i);
    QCOMPARE(items, listed);
    QCOMPARE(shifts->currentText(), shown);
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    QCOMPARE(child<QLabel>(*window, labels[page][0])->text(), start.toString(format));
    QCOMPARE(child<QLabel>(*window, labels[page][1])->text(), end.toString(format));
    QCOMPARE(window->statusBar()->currentMessage().contains(shift), shown != shift);

    // The query counts the station's records in those times.
    const int expected = expectedRows(station, QString(), false, start, end).size();
    QVERIFY(expected > 0);
    if (page == 3) {
        auto* quality = child<QualityPage>(*window, "page_Quality");
        QSignalSpy done(quality, &QualityPage::sgShown);
        child<QPushButton>(*window, "pushButton_Check_Quality")->click();
        QVERIFY(done.count() > 0 || done.wait(20000));
        QCOMPARE(quality->result().request.start, start);
        QCOMPARE(quality->result().request.end, end);
        QCOMPARE(int(quality->result().total), expected);
    } else if (page == 1) {
        QVERIFY(clickAndWaitForPage(*window, "pushButton_Checkdata_Calculate"));
        int counted = 0;
        for (int n : window->countMap())
            counted += n;
        QCOMPARE(counted, expected);
    } else {
        QVERIFY(clickAndWaitForPage(*window, "pushButton_Checkdata"));
        QCOMPARE(child<QLabel>(*window, "label_Number")->text(), QString::number(expected));
    }
}

void TestPlantServer::productionExport_data()
{
    QTest::addColumn<bool>("window"); // else the command line
    QTest::addColumn<QString>("station");
    QTest::newRow("window, plant") << true << QString();
    QTest::newRow("command line, plant") << false << QString();
    QTest::newRow("command line, hostile station") << false << Hostile;
}

void TestPlantServer::productionExport()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(bool, window);
    QFETCH(QString, station);
    const QString path = m_Work.filePath(QStringLiteral("plant.csv"));
    QFile::remove(path);
    if (window) {
        auto shown = openWindow();
        pick(*shown, "pushButton_Set1_History", From);
        pick(*shown, "pushButton_Set2_History", To);
        QVERIFY(clickAndWaitForPage(*shown, "pushButton_Checkdata"));
        QString message;
        GuiTest::answerFileDialog(path);
        GuiTest::answerMessageBox(&message);
        QSignalSpy done(shown.get(), &hxReport::sgExportDone);
        child<QPushButton>(*shown, "pushButton_SaveHistory")->click();
        QVERIFY(done.count() > 0 || done.wait(20000));
        QCOMPARE(done.at(0).at(0).toBool(), true);
    } else {
        QString errors;
        QVERIFY2(runCommandLine(
                     { QStringLiteral("production"), QStringLiteral("--from"),
                         From.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), QStringLiteral("--to"),
                         To.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), QStringLiteral("--out"), path },
                     station, &errors),
            qPrintable(errors));
    }

    // Rows "number,time,model,..." between the two header lines and "总数".
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const QList<Row> expected = expectedRows(station, QString(), false);
    QStringList want;
    for (int i = 0; i < expected.size(); ++i) {
        QString model = expected.at(i).text;
        if (model.contains(QLatin1Char('"')) || model.contains(QLatin1Char(',')))
            model = QLatin1Char('"') + model.replace(QLatin1String("\""), QLatin1String("\"\""))
                + QLatin1Char('"');
        want << QStringLiteral("%1,%2,%3").arg(i + 1).arg(expected.at(i).time, model);
    }
    QStringList got;
    for (int i = 2; i < lines.size() && !lines.at(i).startsWith(QStringLiteral("总数")); ++i)
        got << lines.at(i).section(QLatin1Char(','), 0, 2);
    QVERIFY(!want.isEmpty());
    QCOMPARE(got, want);
    // The whole plant's rows name their station in a last column; one
    // station's file keeps the station file's columns.
    QCOMPARE(lines.at(1).endsWith(QStringLiteral(",工位")), station.isNull());
    for (int i = 2; station.isNull() && i < 2 + expected.size(); ++i) {
        const bool named = std::any_of(m_Stations.cbegin(), m_Stations.cend(), [&](QString name) {
            const bool quote = name.contains(QLatin1Char(',')) || name.contains(QLatin1Char('"'))
                || name.contains(QLatin1Char(';'));
            if (quote)
                name = QLatin1Char('"') + name.replace(QLatin1String("\""), QLatin1String("\"\""))
                    + QLatin1Char('"');
            return lines.at(i).endsWith(QLatin1Char(',') + name);
        });
        QVERIFY2(named, qPrintable(lines.at(i)));
    }
    QVERIFY(lines.contains(QStringLiteral("总数,%1").arg(expected.size())));
}

void TestPlantServer::report_data()
{
    QTest::addColumn<QString>("station");
    QTest::newRow("one station") << QStringLiteral("二号线");
    QTest::newRow("hostile station") << Hostile;
}

// The shift report of one station from the server says what the same report
// of that station's own file says, but for the header's station and time.
void TestPlantServer::report()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(QString, station);
    const int s = m_Stations.indexOf(station);
    QVERIFY(s >= 0);
    const QStringList range { QStringLiteral("--from"), From.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
        QStringLiteral("--to"), To.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) };
    const QString fromServer = m_Work.filePath(QStringLiteral("server.pdf"));
    QString errors;
    QVERIFY2(
        runCommandLine(QStringList { QStringLiteral("report"), QStringLiteral("--out"), fromServer } + range,
            station, &errors),
        qPrintable(errors));
    const QString fromFile = m_Work.filePath(QStringLiteral("file.pdf"));
    QString output;
    QTextStream out(&output);
    QTextStream err(&errors);
    QCOMPARE(CommandLineExport::run(QStringList { QStringLiteral("hxReport"), QStringLiteral("--export"),
                                        QStringLiteral("report"), QStringLiteral("--dir"),
                                        m_Files.at(s)->path(), QStringLiteral("--out"), fromFile }
                     + range,
                 out, err),
        int(CommandLineExport::Ok));
    const auto text = [](const QString& pdf) {
        QProcess tool;
        tool.start(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
        tool.waitForFinished(60000);
        QStringList lines;
        for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QString simple = line.simplified();
            if (!simple.isEmpty() && !simple.startsWith(QStringLiteral("工位："))
                && !simple.startsWith(QStringLiteral("生成时间：")))
                lines << simple;
        }
        return lines;
    };
    const QStringList lines = text(fromServer);
    // Records of the station in the range, not two empty reports.
    const QStringList total = lines.filter(QRegularExpression(QStringLiteral("^总数 [1-9]")));
    QCOMPARE(total.size(), 1);
    QCOMPARE(lines, text(fromFile));
}

QTEST_MAIN(TestPlantServer)
void TestPlantServer::quality_data()
{
    QTest::addColumn<QString>("station"); // null: the plant
    QTest::addColumn<QString>("model"); // empty: all
    QTest::addColumn<int>("size"); // TrendBuckets::Size
    QTest::newRow("plant per hour") << QString() << QString() << int(TrendBuckets::Size::Hour);
    QTest::newRow("hostile station, hostile model")
        << Hostile << HostileModel << int(TrendBuckets::Size::Hour);
    QTest::newRow("one station per day, NG")
        << QStringLiteral("二号线") << QStringLiteral("NG") << int(TrendBuckets::Size::Day);
    QTest::newRow("plant, one model")
        << QString() << QStringLiteral("B2") << int(TrendBuckets::Size::Automatic);
}

// The quality page on the server against the same analysis of each chosen
// station's own file, added up: every period's hubs and NG, the measured
// columns' counts, missing values and extremes.
void TestPlantServer::quality()
{
    if (!m_Skip.isEmpty())
        QSKIP(qPrintable(m_Skip));
    QFETCH(QString, station);
    QFETCH(QString, model);
    QFETCH(int, size);
    // The model list comes from the stations' template files, which these
    // stations lack: the names go in as the sync would copy them.
    QString why;
    QVERIFY2(m_Server.exec({ QStringLiteral("INSERT IGNORE INTO plant.models (station, model, last_seen) "
                                            "SELECT DISTINCT station, model, NOW(3) FROM plant.records "
                                            "WHERE model IS NOT NULL") },
                 &why),
        qPrintable(why));
    auto window = openWindow();
    child<QListWidget>(*window, "check_listWidget")->setCurrentRow(3);
    auto* page = child<QualityPage>(*window, "page_Quality");
    GuiTest::pick(*window, "pushButton_Set1_Quality", From);
    GuiTest::pick(*window, "pushButton_Set2_Quality", To);
    choose(*window, "comboBox_Station_Quality", station);
    auto* models = child<QComboBox>(*window, "comboBox_Model_Quality");
    models->setCurrentIndex(model.isEmpty() ? 0 : models->findText(model));
    QCOMPARE(models->currentText().isEmpty() || models->currentIndex() == 0, model.isEmpty());
    child<QComboBox>(*window, "comboBox_Period_Quality")->setCurrentIndex(size);
    QSignalSpy shown(page, &QualityPage::sgShown);
    child<QPushButton>(*window, "pushButton_Check_Quality")->click();
    QVERIFY(shown.count() > 0 || shown.wait(20000));
    const QualityResult& got = page->result();

    QualityResult expected;
    qint64 counted[QualityAnalysis::MeasureCount] = {};
    for (int s = 0; s < m_Stations.size(); ++s) {
        if (!station.isNull() && station != m_Stations.at(s))
            continue;
        QualityResult one;
        QualityAnalysis analysis(m_Files.at(s)->path() + QStringLiteral("/wheelhubwf.db"));
        QVERIFY2(analysis.run(got.request, &one), qPrintable(analysis.errorString()));
        for (int m = 0; m < QualityAnalysis::MeasureCount; ++m)
            counted[m] += one.measures[m].count();
        if (expected.trend.isEmpty()) {
            expected = one;
            continue;
        }
        expected.total += one.total;
        for (int i = 0; i < one.trend.size(); ++i) {
            expected.trend[i].hubs += one.trend.at(i).hubs;
            expected.trend[i].ng += one.trend.at(i).ng;
        }
        for (int m = 0; m < QualityAnalysis::MeasureCount; ++m) {
            MeasureStats& e = expected.measures[m];
            const MeasureStats& o = one.measures[m];
            for (qint64 i = 0; i < o.missing(); ++i)
                e.addMissing();
            if (o.count() > 0) {
                // Extremes and counts are what a sum can check; the values
                // themselves are kept per station.
                for (double v : { o.minimum(), o.maximum() })
                    e.add(v);
            }
        }
    }
    QVERIFY(expected.total > 0);
    QCOMPARE(got.total, expected.total);
    QCOMPARE(got.trend.size(), expected.trend.size());
    for (int i = 0; i < got.trend.size(); ++i) {
        QCOMPARE(got.trend.at(i).period.label, expected.trend.at(i).period.label);
        QCOMPARE(got.trend.at(i).hubs, expected.trend.at(i).hubs);
        QCOMPARE(got.trend.at(i).ng, expected.trend.at(i).ng);
    }
    QCOMPARE(got.measured, !model.isEmpty());
    if (got.measured) {
        for (int m = 0; m < QualityAnalysis::MeasureCount; ++m) {
            QCOMPARE(got.measures[m].missing(), expected.measures[m].missing());
            QCOMPARE(got.measures[m].count(), counted[m]);
            if (got.measures[m].count() > 0) {
                QCOMPARE(got.measures[m].minimum(), expected.measures[m].minimum());
                QCOMPARE(got.measures[m].maximum(), expected.measures[m].maximum());
            }
        }
    }
}

#include "tst_plantserver.moc"
