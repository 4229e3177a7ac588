// Drives the real window through its pages on a station folder, the way a
// user would, and saves a picture of each page with its results (and of the
// date-time picker) at the window's own size. scripts/screenshots.sh runs it
// under a virtual display for both languages.

#include "apppaths.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "mariadbserver.h"
#include "networksettings.h"
#include "qtimedlg.h"
#include "qualitypage.h"
#include "serversettings.h"
#include "stationsimulator.h"
#include "stationsync.h"
#include "syncsettings.h"
#include "translationloader.h"
#include "waitingdialog.h"

#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

bool save(QWidget& widget, const QString& dir, const QString& name)
{
    QCoreApplication::processEvents();
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    const bool ok = widget.grab().save(path);
    QTextStream(stdout) << (ok ? "wrote " : "could not write ") << path << '\n';
    return ok;
}

bool query(hxReport& window, int page, const char* from, const char* to, const char* button,
    const QDateTime& start, const QDateTime& end)
{
    GuiTest::child<QListWidget>(window, "check_listWidget")->setCurrentRow(page);
    GuiTest::pick(window, from, start);
    GuiTest::pick(window, to, end);
    return GuiTest::clickAndWait(window, button, &hxReport::sgPageShown);
}

// The stations, models and shifts arrive after the window opens.
void waitForServer(hxReport& window)
{
    QSignalSpy read(&window, &hxReport::sgServerRead);
    if (read.isEmpty())
        read.wait(20000);
}

// The window on a private plant server (started as the tests start one) that
// holds the station folder synced three times under three station names: the
// production page of one station, the plant's statistics and a shift one
// station lacks. Skipped with a
// message where the server's programs are missing.
bool plantPictures(const QString& stationDir, const QString& out, const QString& prefix, const QDate& end)
{
    const QString missing = MariaDbServer::missing();
    if (!missing.isEmpty()) {
        QTextStream(stdout) << "no pictures of the plant server: " << missing << '\n';
        return true;
    }
    MariaDbServer server;
    QString why;
    QTemporaryDir work;
    const QString options = work.filePath(QStringLiteral("sync.cnf"));
    QFile file(options);
    bool ok = server.start(&why)
        && server.exec({ QStringLiteral("CREATE USER 'sync'@'localhost' IDENTIFIED BY 'sync'"),
                           QStringLiteral("CREATE USER 'viewer'@'localhost' IDENTIFIED BY 'viewer'"),
                           QStringLiteral("CREATE DATABASE plant CHARACTER SET utf8mb4") },
            &why)
        && server.runFile(QStringLiteral("plant"), QStringLiteral(HX_SCHEMA_FILE), &why)
        && server.exec({ QStringLiteral("GRANT hxreport_sync TO 'sync'@'localhost'"),
                           QStringLiteral("SET DEFAULT ROLE hxreport_sync FOR 'sync'@'localhost'"),
                           QStringLiteral("GRANT hxreport_viewer TO 'viewer'@'localhost'"),
                           QStringLiteral("SET DEFAULT ROLE hxreport_viewer FOR 'viewer'@'localhost'") },
            &why)
        && file.open(QIODevice::WriteOnly) && file.write("[stationsync]\nuser = sync\npassword = sync\n") > 0;
    file.close();
    const QStringList stations { QStringLiteral("Line 1"), QStringLiteral("Line 2"),
        QStringLiteral("Line 3") };
    for (const QString& station : stations) {
        ok = ok && server.allowStation(QStringLiteral("plant"), QStringLiteral("sync"), station, &why);
        SyncSettings settings;
        settings.station = station;
        settings.stationDir = stationDir;
        settings.socket = server.socket();
        settings.database = QStringLiteral("plant");
        settings.optionFile = options;
        settings.once = true;
        ok = ok && StationSync(settings, std::make_shared<std::atomic<bool>>(false)).run() == 0;
    }
    // The last line has no night shift.
    ok = ok
        && server.exec(
            { QStringLiteral("DELETE FROM plant.shifts WHERE station = 'Line 3' AND type = '夜班'") }, &why);
    if (!ok) {
        QTextStream(stderr) << "hxscreenshots: the plant server: " << why << '\n';
        return false;
    }
    ServerSettings viewer;
    viewer.socket = server.socket();
    viewer.database = QStringLiteral("plant");
    viewer.user = QStringLiteral("viewer");
    // A wrong password: the query reads as failed, with the reason.
    hxReport::usePlantServer(viewer, QStringLiteral("wrong"));
    {
        hxReport window;
        window.show();
        waitForServer(window);
        ok &= query(window, 0, "pushButton_Set1_History", "pushButton_Set2_History", "pushButton_Checkdata",
            QDateTime(end, QTime(0, 0)), QDateTime(end, QTime(23, 59)));
        ok &= save(window, out, prefix + QStringLiteral("plant-failed"));
    }
    hxReport::usePlantServer(viewer, QStringLiteral("viewer"));
    {
        hxReport window;
        window.show();
        waitForServer(window);
        // The whole plant: each row names its station.
        ok &= query(window, 0, "pushButton_Set1_History", "pushButton_Set2_History", "pushButton_Checkdata",
            QDateTime(end, QTime(0, 0)), QDateTime(end, QTime(23, 59)));
        ok &= save(window, out, prefix + QStringLiteral("plant-production-all"));
        auto* station = GuiTest::child<QComboBox>(window, "comboBox_Station");
        station->setCurrentIndex(station->findData(stations.first()));
        ok &= query(window, 0, "pushButton_Set1_History", "pushButton_Set2_History", "pushButton_Checkdata",
            QDateTime(end, QTime(0, 0)), QDateTime(end, QTime(23, 59)));
        ok &= save(window, out, prefix + QStringLiteral("plant-production"));
        ok &= query(window, 1, "pushButton_Set1_Count", "pushButton_Set2_Count",
            "pushButton_Checkdata_Calculate", QDateTime(end.addDays(-29), QTime(0, 0)),
            QDateTime(end, QTime(23, 59)));
        ok &= save(window, out, prefix + QStringLiteral("plant-statistics"));
        ok &= query(window, 2, "pushButton_Set1_Warning", "pushButton_Set2_Warning", "pushButton_Wandring",
            QDateTime(end.addDays(-6), QTime(0, 0)), QDateTime(end, QTime(23, 59)));
        ok &= save(window, out, prefix + QStringLiteral("plant-log"));
        auto* quality = GuiTest::child<QualityPage>(window, "page_Quality");
        QSignalSpy shown(quality, &QualityPage::sgShown);
        GuiTest::child<QListWidget>(window, "check_listWidget")->setCurrentRow(3);
        GuiTest::pick(window, "pushButton_Set1_Quality", QDateTime(end, QTime(0, 0)));
        GuiTest::pick(window, "pushButton_Set2_Quality", QDateTime(end, QTime(23, 59)));
        GuiTest::child<QPushButton>(window, "pushButton_Check_Quality")->click();
        ok &= shown.count() > 0 || shown.wait(20000);
        ok &= save(window, out, prefix + QStringLiteral("plant-quality"));
        // The production page's night shift on one station, then a station
        // without it: the shift box gives way to whole days, with a note.
        GuiTest::child<QListWidget>(window, "check_listWidget")->setCurrentRow(0);
        station->setCurrentIndex(station->findData(stations.first()));
        GuiTest::child<QComboBox>(window, "comboBox_Banci")->setCurrentText(QStringLiteral("夜班"));
        station->setCurrentIndex(station->findData(stations.last()));
        ok &= save(window, out, prefix + QStringLiteral("plant-shift"));
    }
    hxReport::useStationFile();
    server.stop();
    return ok;
}

// The statistics of a station with 19 models and NG: names as long as a
// plant's part numbers, counts from a few to some thousands.
bool manyModels(const QString& out, const QString& prefix, const QDate& end)
{
    QTemporaryDir dir;
    StationSimulator::Options options;
    options.appDir = dir.path();
    options.records = 20000;
    options.days = 30;
    options.seed = 3;
    options.endTime = QDateTime(end, QTime(23, 59, 59));
    options.logs = 10;
    options.models.clear();
    for (int i = 1; i < 20; ++i)
        options.models << QStringLiteral("HB-%1-%2").arg(6200 + 7 * i).arg(i % 3 ? "L" : "RX");
    StationSimulator simulator(options);
    if (!simulator.generate()) {
        QTextStream(stderr) << "hxscreenshots: could not write the 20-model station\n";
        return false;
    }
    const QString before = AppPaths::stationDir();
    AppPaths::setStationDir(dir.path());
    bool ok = true;
    {
        hxReport window;
        window.show();
        ok &= query(window, 1, "pushButton_Set1_Count", "pushButton_Set2_Count",
            "pushButton_Checkdata_Calculate", QDateTime(end.addDays(-29), QTime(0, 0)),
            QDateTime(end, QTime(23, 59)));
        ok &= save(window, out, prefix + QStringLiteral("statistics-20"));
    }
    AppPaths::setStationDir(before);
    return ok;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption dirOption(
        QStringLiteral("dir"), QStringLiteral("Station folder."), QStringLiteral("folder"));
    const QCommandLineOption outOption(
        QStringLiteral("out"), QStringLiteral("Folder for the pictures."), QStringLiteral("folder"));
    const QCommandLineOption endOption(
        QStringLiteral("end"), QStringLiteral("Day of the last record, yyyy-MM-dd."), QStringLiteral("date"));
    const QCommandLineOption prefixOption(
        QStringLiteral("prefix"), QStringLiteral("Start of every picture's name."), QStringLiteral("text"));
    parser.addOptions({ dirOption, outOption, endOption, prefixOption });
    parser.process(app);
    const QDate end = QDate::fromString(parser.value(endOption), QStringLiteral("yyyy-MM-dd"));
    if (!parser.isSet(dirOption) || !parser.isSet(outOption) || !end.isValid()) {
        QTextStream(stderr) << "hxscreenshots: --dir, --out and --end are needed\n";
        return 2;
    }
    AppPaths::setStationDir(parser.value(dirOption));
    const QString out = parser.value(outOption);
    const QString prefix = parser.value(prefixOption);
    QDir().mkpath(out);

    hxReport window;
    window.show();
    bool ok = true;
    const QDateTime dayStart(end, QTime(0, 0));
    const QDateTime dayEnd(end, QTime(23, 59));
    ok &= query(window, 0, "pushButton_Set1_History", "pushButton_Set2_History", "pushButton_Checkdata",
        dayStart, dayEnd);
    ok &= save(window, out, prefix + QStringLiteral("production"));
    ok &= query(window, 1, "pushButton_Set1_Count", "pushButton_Set2_Count", "pushButton_Checkdata_Calculate",
        QDateTime(end.addDays(-29), QTime(0, 0)), dayEnd);
    ok &= save(window, out, prefix + QStringLiteral("statistics"));
    ok &= query(window, 2, "pushButton_Set1_Warning", "pushButton_Set2_Warning", "pushButton_Wandring",
        QDateTime(end.addDays(-6), QTime(0, 0)), dayEnd);
    ok &= save(window, out, prefix + QStringLiteral("log"));

    // The quality page: a month's trend per day, then one model's measurements
    // with limits around its diameter.
    auto* quality = GuiTest::child<QualityPage>(window, "page_Quality");
    GuiTest::child<QListWidget>(window, "check_listWidget")->setCurrentRow(3);
    GuiTest::pick(window, "pushButton_Set1_Quality", QDateTime(end.addDays(-29), QTime(0, 0)));
    GuiTest::pick(window, "pushButton_Set2_Quality", dayEnd);
    QSignalSpy shown(quality, &QualityPage::sgShown);
    GuiTest::child<QPushButton>(window, "pushButton_Check_Quality")->click();
    ok &= shown.count() > 0 || shown.wait(20000);
    ok &= save(window, out, prefix + QStringLiteral("quality-trend"));
    GuiTest::child<QComboBox>(window, "comboBox_Model_Quality")->setCurrentIndex(1);
    GuiTest::child<QPushButton>(window, "pushButton_Check_Quality")->click();
    ok &= shown.count() > 1 || shown.wait(20000);
    GuiTest::child<QTabWidget>(window, "tabWidget_Quality")->setCurrentIndex(1);
    const MeasureStats& diameter = quality->result().measures[QualityAnalysis::Diameter];
    auto* lower = GuiTest::child<QLineEdit>(window, "lineEdit_Lower_Quality");
    auto* upper = GuiTest::child<QLineEdit>(window, "lineEdit_Upper_Quality");
    lower->setText(QString::number(qRound(diameter.mean()) - 3));
    upper->setText(QString::number(qRound(diameter.mean()) + 3));
    emit upper->editingFinished();
    ok &= save(window, out, prefix + QStringLiteral("quality-measure"));
    // The same model's trend: its NG cells say why they are empty.
    GuiTest::child<QTabWidget>(window, "tabWidget_Quality")->setCurrentIndex(0);
    ok &= save(window, out, prefix + QStringLiteral("quality-trend-model"));
    // All models over one day: the trend per hour, and the measurements' note.
    GuiTest::child<QComboBox>(window, "comboBox_Model_Quality")->setCurrentIndex(0);
    GuiTest::pick(window, "pushButton_Set1_Quality", dayStart);
    GuiTest::child<QPushButton>(window, "pushButton_Check_Quality")->click();
    ok &= shown.count() > 2 || shown.wait(20000);
    ok &= save(window, out, prefix + QStringLiteral("quality-trend-hour"));
    GuiTest::child<QTabWidget>(window, "tabWidget_Quality")->setCurrentIndex(1);
    ok &= save(window, out, prefix + QStringLiteral("quality-measure-all"));
    ok &= manyModels(out, prefix, end);

    QTimeDlg picker(nullptr);
    picker.setLocale(TranslationLoader::interfaceLocale());
    picker.SetDateTime(QDateTime(end, QTime(8, 30)));
    picker.show();
    QTest::qWait(800); // the flip clock's first transition
    ok &= save(picker, out, prefix + QStringLiteral("picker"));

    WaitingDialog waiting(nullptr);
    waiting.setWindowTitle(QCoreApplication::translate("hxReport", "正在导出数据，请稍等"));
    waiting.setActivity(QCoreApplication::translate("hxReport", "正在导出…"));
    waiting.setCancelable(true);
    waiting.startProgress(50, 150);
    waiting.show();
    QTest::qWait(600);
    ok &= save(waiting, out, prefix + QStringLiteral("waiting"));
    waiting.stopProgress();
    waiting.hide();

    // The server settings as a plant would fill them in; a bad port shows its note.
    QTemporaryDir settingsDir;
    const QString settingsFile = settingsDir.filePath(QStringLiteral("hubdetect.ini"));
    {
        QSettings settings(settingsFile, QSettings::IniFormat);
        settings.setValue(QStringLiteral("server/host"), QStringLiteral("192.168.10.5"));
        settings.setValue(QStringLiteral("server/user"), QStringLiteral("hxviewer"));
        settings.setValue(QStringLiteral("server/database"), QStringLiteral("hxplant"));
    }
    NetworkSettings network(settingsFile);
    network.show();
    network.findChild<QLineEdit*>(QStringLiteral("lineEdit_ServerPort"))->setText(QStringLiteral("0"));
    ok &= save(network, out, prefix + QStringLiteral("server-settings"));
    ok &= plantPictures(parser.value(dirOption), out, prefix, end);
    return ok ? 0 : 1;
}
