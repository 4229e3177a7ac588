#include "apppaths.h"
#include "detectdatadb.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "qreportwidget.h"

#include <QCompleter>
#include <QDir>
#include <QIntValidator>
#include <QListWidget>
#include <QScrollArea>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

namespace {
QStringList g_debugLines;
QtMessageHandler g_previousHandler = nullptr;

void collectDebug(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtDebugMsg
        && (message.startsWith(QLatin1String("start thread"))
            || message.startsWith(QLatin1String("delete "))))
        g_debugLines << message;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

void writeModels(const QString& appDir, const QStringList& models)
{
    QDir(appDir).mkpath(QStringLiteral("pattern"));
    {
        QSqlDatabase db
            = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("models-setup"));
        db.setDatabaseName(AppPaths::join(appDir, QStringLiteral("pattern/modelTemplate.db")));
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("create table modelTable (uid integer primary key, model text)")));
        for (const QString& model : models) {
            query.prepare(QStringLiteral("insert into modelTable(model) values(?)"));
            query.addBindValue(model);
            QVERIFY(query.exec());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("models-setup"));
}

void writeShifts(const QList<ShiftRecord>& shifts)
{
    DetectDataDB db(AppPaths::detectionDatabase(), QStringLiteral("QSQLITE"));
    QVERIFY(db.openDatabase());
    for (const ShiftRecord& shift : shifts)
        QVERIFY(db.insertShift(shift));
}

ShiftRecord shift(const QString& name, const QTime& start, const QTime& end)
{
    ShiftRecord record;
    record.type = name;
    record.startTime = start;
    record.endTime = end;
    return record;
}

template <class T> T* child(QWidget& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}
}

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void objectNames_data();
    void objectNames();
    void startState();
    void pageSizeFieldsAcceptOneTo9999_data();
    void pageSizeFieldsAcceptOneTo9999();
    void createsTablesInEmptyFile();
    void pageListSwitchesPages_data();
    void pageListSwitchesPages();
    void modelCombo_data();
    void modelCombo();
    void shiftRanges_data();
    void shiftRanges();
    void pickerSetsRange();
    void pickerCancelKeepsRange();
    void shutdownPrintsDebugLinesInOrder();
    void shutdownWhileWorkerIsBusy();
    void waitForFinishEndsOnlyOnFinish();
    void progressDrivesWaitingDialog_data();
    void progressDrivesWaitingDialog();
    void translationWalkOrder();
    void languageSetting_data();
    void languageSetting();

private:
    QScopedPointer<QTemporaryDir> m_Dir;
    QString m_OldCwd;
};

void TestMainWindow::init()
{
    m_Dir.reset(new QTemporaryDir);
    QVERIFY(m_Dir->isValid());
    AppPaths::setApplicationDir(m_Dir->path());
    // hubdetect.ini is read from the working directory.
    m_OldCwd = QDir::currentPath();
    QDir::setCurrent(m_Dir->path());
}

void TestMainWindow::cleanup()
{
    QDir::setCurrent(m_OldCwd);
    AppPaths::setApplicationDir(QString());
    m_Dir.reset();
}

void TestMainWindow::objectNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    const char* const widgets[][2] = {
        { "centralWidget", "QWidget" },
        { "label_Title", "QLabel" },
        { "check_listWidget", "QListWidget" },
        { "stackedWidget", "QStackedWidget" },
        { "page_2", "QWidget" },
        { "label_18", "QLabel" },
        { "label_Time1_History", "QLabel" },
        { "pushButton_Set1_History", "QPushButton" },
        { "label_17", "QLabel" },
        { "label_Time2_History", "QLabel" },
        { "pushButton_Set2_History", "QPushButton" },
        { "label_14", "QLabel" },
        { "comboBox_Model", "QComboBox" },
        { "label_15", "QLabel" },
        { "comboBox_Banci", "QComboBox" },
        { "label_16", "QLabel" },
        { "label_Number", "QLabel" },
        { "pushButton_Checkdata", "QPushButton" },
        { "pushButton_SaveHistory", "QPushButton" },
        { "label_Tab2_Title", "QLabel" },
        { "tableView_checkShengchang", "QTableView" },
        { "CheckDlg_label_Pic", "QLabel" },
        { "label", "QLabel" },
        { "labelTitle_Checkdata", "QLabel" },
        { "LineNumber_checkShengchang", "QLineEdit" },
        { "Prev_checkShengchang", "QPushButton" },
        { "showPage_Label_Checkdata", "QLabel" },
        { "Next_checkShengchang", "QPushButton" },
        { "showNum_Label_Checkdata", "QLabel" },
        { "page_3", "QWidget" },
        { "label_22", "QLabel" },
        { "label_Time1_Count", "QLabel" },
        { "pushButton_Set1_Count", "QPushButton" },
        { "label_20", "QLabel" },
        { "label_Time2_Count", "QLabel" },
        { "pushButton_Set2_Count", "QPushButton" },
        { "label_21", "QLabel" },
        { "comboBox_Banci_Calculate", "QComboBox" },
        { "pushButton_Checkdata_Calculate", "QPushButton" },
        { "pushButton_SaveCalculate", "QPushButton" },
        { "scrollArea", "QScrollArea" },
        { "page", "QWidget" },
        { "label_12", "QLabel" },
        { "label_Time1_warning", "QLabel" },
        { "pushButton_Set1_Warning", "QPushButton" },
        { "label_13", "QLabel" },
        { "label_Time2_warning", "QLabel" },
        { "pushButton_Set2_Warning", "QPushButton" },
        { "comboBox_Wandring_Log", "QComboBox" },
        { "pushButton_Wandring", "QPushButton" },
        { "pushButton_SaveWaring", "QPushButton" },
        { "label_Tab3_Title", "QLabel" },
        { "tableView_TWarning", "QTableView" },
        { "labelTitle_Checkdata_2", "QLabel" },
        { "LineNumber_log", "QLineEdit" },
        { "Prev_checklog", "QPushButton" },
        { "showPage_Label_Checkdata_2", "QLabel" },
        { "Next_checklog", "QPushButton" },
        { "showNum_Label_Checkdata_2", "QLabel" },
        { "menuBar", "QMenuBar" },
        { "statusBar", "QStatusBar" },
    };
    for (const auto& w : widgets)
        QTest::newRow(w[0]) << QString::fromLatin1(w[0]) << QString::fromLatin1(w[1]);
}

void TestMainWindow::objectNames()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    hxReport window;
    QWidget* widget = window.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
}

void TestMainWindow::startState()
{
    hxReport window;
    window.show();
    QCOMPARE(child<QStackedWidget>(window, "stackedWidget")->currentIndex(), 0);
    QCOMPARE(child<QLabel>(window, "label_Title")->text(), QStringLiteral("生产数据查询"));
    QCOMPARE(window.windowTitle(), QStringLiteral("数据记录查看"));
    QVERIFY(!window.windowIcon().isNull());
    for (const char* name : { "showPage_Label_Checkdata", "showPage_Label_Checkdata_2" })
        QCOMPARE(child<QLabel>(window, name)->text(), QStringLiteral("第0页 共0页"));
    for (const char* name : { "showNum_Label_Checkdata", "showNum_Label_Checkdata_2" })
        QCOMPARE(child<QLabel>(window, name)->text(), QStringLiteral("本页0条，共0条"));
    QCOMPARE(child<QLabel>(window, "label_Number")->text(), QStringLiteral("0"));

    auto* list = child<QListWidget>(window, "check_listWidget");
    // The form's three pages, then the quality page, each at its list row.
    QCOMPARE(list->count(), 4);
    QCOMPARE(child<QStackedWidget>(window, "stackedWidget")->count(), 4);
    QCOMPARE(child<QStackedWidget>(window, "stackedWidget")->widget(3)->objectName(),
        QStringLiteral("page_Quality"));
    for (int i = 0; i < list->count(); ++i)
        QCOMPARE(list->item(i)->sizeHint().height(), 45);
    QVERIFY(list->width() <= 140);
    QCOMPARE(list->focusPolicy(), Qt::NoFocus);

    // Production and statistics ranges: today, whole day; log range: today from midnight to now.
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(child<QLabel>(window, "label_Time1_History")->text(), today + QStringLiteral(" 00:00:00"));
    QCOMPARE(child<QLabel>(window, "label_Time2_History")->text(), today + QStringLiteral(" 23:59:59"));
    QCOMPARE(child<QLabel>(window, "label_Time1_Count")->text(), today + QStringLiteral(" 00:00:00"));
    QCOMPARE(child<QLabel>(window, "label_Time2_Count")->text(), today + QStringLiteral(" 23:59:59"));
    QCOMPARE(child<QLabel>(window, "label_Time1_warning")->text(), today + QStringLiteral(" 00:00:00"));
    QVERIFY(child<QLabel>(window, "label_Time2_warning")->text().startsWith(today));

    auto* kinds = child<QComboBox>(window, "comboBox_Wandring_Log");
    QCOMPARE(kinds->count(), 3);
    QCOMPARE(kinds->itemText(0), QStringLiteral("报警记录查询"));
    QCOMPARE(kinds->itemText(1), QStringLiteral("运行状态查询"));
    QCOMPARE(kinds->itemText(2), QStringLiteral("使用记录查询"));
    QVERIFY(child<QComboBox>(window, "comboBox_Model")->isEditable());

    // The report container replaced the scroll area's placeholder; before
    // any query the report has an empty title and a table without headers.
    auto* scroll = child<QScrollArea>(window, "scrollArea");
    QVERIFY(scroll->widget()->isAncestorOf(window.reportWidget()));
    QVERIFY(window.reportWidget()->titleLabel()->text().isEmpty());
    QAbstractItemModel* report = window.reportWidget()->tableView()->model();
    QVERIFY(!report || report->columnCount() == 0);
}

void TestMainWindow::pageSizeFieldsAcceptOneTo9999_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("acceptable");
    QTest::newRow("1") << "1" << true;
    QTest::newRow("9999") << "9999" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("10000") << "10000" << false;
    QTest::newRow("negative") << "-5" << false;
    QTest::newRow("letters") << "abc" << false;
}

void TestMainWindow::pageSizeFieldsAcceptOneTo9999()
{
    QFETCH(QString, text);
    QFETCH(bool, acceptable);
    hxReport window;
    for (const char* name : { "LineNumber_checkShengchang", "LineNumber_log" }) {
        auto* field = child<QLineEdit>(window, name);
        QCOMPARE(field->text(), QStringLiteral("50"));
        QVERIFY(field->validator());
        QString input = text;
        int pos = 0;
        QCOMPARE(field->validator()->validate(input, pos) == QValidator::Acceptable, acceptable);
    }
}

void TestMainWindow::createsTablesInEmptyFile()
{
    {
        hxReport window;
        QVERIFY(QFile::exists(AppPaths::detectionDatabase()));
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    db.setDatabaseName(AppPaths::detectionDatabase());
    QVERIFY(db.open());
    QSqlQuery query(QStringLiteral("select name from sqlite_master order by name"), db);
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    query = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    for (const char* name : { "idx_warningtable", "idx_wftable", "warningtable", "wftable", "wftimetable_2" })
        QVERIFY2(names.contains(QLatin1String(name)), name);
    // The model file of the station is never created by the viewer.
    QVERIFY(!QFile::exists(AppPaths::modelDatabase()));
}

void TestMainWindow::pageListSwitchesPages_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("title");
    QTest::newRow("statistics") << 1 << QStringLiteral("生产数据统计");
    QTest::newRow("log") << 2 << QStringLiteral("日志记录");
    QTest::newRow("production") << 0 << QStringLiteral("生产数据查询");
}

void TestMainWindow::pageListSwitchesPages()
{
    QFETCH(int, row);
    QFETCH(QString, title);
    hxReport window;
    auto* list = child<QListWidget>(window, "check_listWidget");
    list->setCurrentRow(row == 0 ? 1 : 0);
    list->setCurrentRow(row);
    QCOMPARE(child<QStackedWidget>(window, "stackedWidget")->currentIndex(), row);
    QCOMPARE(child<QLabel>(window, "label_Title")->text(), title);
}

void TestMainWindow::modelCombo_data()
{
    QTest::addColumn<QStringList>("models");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("no models file") << QStringList()
                                    << QStringList { QStringLiteral("全部"), QStringLiteral("NG") };
    QTest::newRow("NG added once") << QStringList { "B2", "A1" }
                                   << QStringList { QStringLiteral("全部"), "NG", "B2", "A1" };
    QTest::newRow("NG kept in place")
        << QStringList { "A1", "NG", "C3" } << QStringList { QStringLiteral("全部"), "A1", "NG", "C3" };
}

void TestMainWindow::modelCombo()
{
    QFETCH(QStringList, models);
    QFETCH(QStringList, items);
    if (!models.isEmpty())
        writeModels(m_Dir->path(), models);
    hxReport window;
    auto* combo = child<QComboBox>(window, "comboBox_Model");
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i)
        shown << combo->itemText(i);
    QCOMPARE(shown, items);
    QVERIFY(combo->completer());
    // The completer offers the model names only.
    QCOMPARE(combo->completer()->model()->rowCount(), models.size());
}

void TestMainWindow::shiftRanges_data()
{
    QTest::addColumn<QDateTime>("pickedStart");
    QTest::addColumn<QDateTime>("pickedEnd");
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    const QDateTime may1(QDate(2020, 5, 1), QTime(14, 0));
    const QDateTime may2(QDate(2020, 5, 2), QTime(9, 0));
    const QDateTime may3(QDate(2020, 5, 3), QTime(9, 0));
    QTest::newRow("night shift over midnight")
        << may3 << may2 << QStringLiteral("夜班") << "2020-05-01 20:00:00"
        << "2020-05-02 08:00:00";
    QTest::newRow("day shift") << may1 << may2 << QStringLiteral("白班") << "2020-05-02 08:00:00"
                               << "2020-05-02 20:00:00";
    QTest::newRow("equal start and end is overnight")
        << may1 << may2 << QStringLiteral("全日班") << "2020-05-01 06:00:00"
        << "2020-05-02 06:00:00";
    QTest::newRow("whole day, start after end")
        << may3 << may2 << QStringLiteral("全天") << "2020-05-02 00:00:00"
        << "2020-05-02 23:59:59";
    QTest::newRow("whole days") << may1 << may3 << QStringLiteral("全天") << "2020-05-01 00:00:00"
                                << "2020-05-03 23:59:59";
}

void TestMainWindow::shiftRanges()
{
    QFETCH(QDateTime, pickedStart);
    QFETCH(QDateTime, pickedEnd);
    QFETCH(QString, choice);
    QFETCH(QString, start);
    QFETCH(QString, end);
    writeShifts({ shift(QStringLiteral("白班"), QTime(8, 0), QTime(20, 0)),
        shift(QStringLiteral("夜班"), QTime(20, 0), QTime(8, 0)),
        shift(QStringLiteral("全日班"), QTime(6, 0), QTime(6, 0)) });
    hxReport window;
    QCOMPARE(window.shiftMap().size(), 3);
    for (const char* comboName : { "comboBox_Banci", "comboBox_Banci_Calculate" }) {
        const bool production = QByteArray(comboName) == "comboBox_Banci";
        auto* combo = child<QComboBox>(window, comboName);
        QCOMPARE(combo->itemText(0), QStringLiteral("全天"));
        QCOMPARE(combo->count(), 4);
        // Any other entry first, so that choosing the wanted one is a change.
        combo->setCurrentIndex(choice == QStringLiteral("全天") ? 1 : 0);
        GuiTest::answerPicker(pickedStart);
        child<QPushButton>(window, production ? "pushButton_Set1_History" : "pushButton_Set1_Count")->click();
        GuiTest::answerPicker(pickedEnd);
        child<QPushButton>(window, production ? "pushButton_Set2_History" : "pushButton_Set2_Count")->click();
        combo->setCurrentText(choice);
        QCOMPARE(
            child<QLabel>(window, production ? "label_Time1_History" : "label_Time1_Count")->text(), start);
        QCOMPARE(
            child<QLabel>(window, production ? "label_Time2_History" : "label_Time2_Count")->text(), end);
    }
}

void TestMainWindow::pickerSetsRange()
{
    hxReport window;
    const struct
    {
        const char* button;
        const char* label;
    } ends[] = { { "pushButton_Set1_Warning", "label_Time1_warning" },
        { "pushButton_Set2_Warning", "label_Time2_warning" },
        { "pushButton_Set1_History", "label_Time1_History" },
        { "pushButton_Set2_History", "label_Time2_History" },
        { "pushButton_Set1_Count", "label_Time1_Count" }, { "pushButton_Set2_Count", "label_Time2_Count" } };
    int minute = 1;
    for (const auto& e : ends) {
        GuiTest::answerPicker(QDateTime(QDate(2019, 12, 31), QTime(7, minute)));
        child<QPushButton>(window, e.button)->click();
        QCOMPARE(child<QLabel>(window, e.label)->text(),
            QStringLiteral("2019-12-31 07:%1:00").arg(minute, 2, 10, QLatin1Char('0')));
        ++minute;
    }
}

void TestMainWindow::pickerCancelKeepsRange()
{
    hxReport window;
    auto* label = child<QLabel>(window, "label_Time1_History");
    const QString before = label->text();
    GuiTest::whenModal<QDialog>([](QDialog* dialog) { dialog->reject(); });
    child<QPushButton>(window, "pushButton_Set1_History")->click();
    QCOMPARE(label->text(), before);
}

void TestMainWindow::shutdownPrintsDebugLinesInOrder()
{
    g_debugLines.clear();
    g_previousHandler = qInstallMessageHandler(collectDebug);
    {
        hxReport window;
        window.show();
        QTest::qWait(20);
    }
    qInstallMessageHandler(g_previousHandler);
    const QStringList expected = { "start thread m_Workthread", "start thread m_WorkThreadCount",
        "start thread m_WorkThreadCheckHistory", "delete m_Workthread", "delete m_Workthread end",
        "delete m_WorkThreadCount", "delete m_WorkThreadCount end", "delete m_WorkThreadCheckHistory",
        "delete m_WorkThreadCheckHistory end" };
    QCOMPARE(g_debugLines, expected);
}

void TestMainWindow::shutdownWhileWorkerIsBusy()
{
    // A statement that runs for minutes unless interrupted.
    const QString endless = QStringLiteral("with recursive n(x) as (select 1 union all select x+1 from n "
                                           "where x < 2000000000) select count(*) from n");
    {
        hxReport window;
        QVariantMap work;
        work.insert(QStringLiteral("SqlCount"), endless);
        work.insert(QStringLiteral("SqlCheck"), QStringLiteral("select 1"));
        emit window.operateHistory(work);
        QVariantMap count;
        count.insert(QStringLiteral("SqlCount"), endless);
        count.insert(QStringLiteral("SqlCheck"), QStringLiteral("select model from wftable"));
        emit window.operateCount(count);
        // Both workers report that they are counting before the window closes.
        auto busyTitles = [] {
            QStringList titles;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (qobject_cast<WaitingDialog*>(w) && w->isVisible())
                    titles << w->windowTitle();
            }
            return titles;
        };
        QTRY_VERIFY(busyTitles().contains(QStringLiteral("正在获取数量"))
            || busyTitles().contains(QStringLiteral("正在获取数量...")));
        QTest::qWait(100);
    }
    // Reaching here means the destructor returned: the busy statements were
    // interrupted and every thread ended before its object was destroyed (a
    // hang fails by the test's time-out, a destroyed running thread aborts).
}

void TestMainWindow::waitForFinishEndsOnlyOnFinish()
{
    hxReport window;
    bool returned = false;
    int checks = 0;
    // While the wait runs: a modal waiting dialog with the title, and no return
    // before sgFinish() (closing the dialog does not end the wait).
    QTimer::singleShot(50, &window, [&] {
        auto* dialog = qobject_cast<WaitingDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->windowTitle() == QStringLiteral("正在导出数据，请稍等") && !returned)
            ++checks;
        if (dialog)
            dialog->reject();
    });
    QTimer::singleShot(150, &window, [&] {
        if (!returned)
            ++checks;
        emit window.sgFinish();
    });
    QVERIFY(window.waitForFinish(QStringLiteral("正在导出数据，请稍等")));
    returned = true;
    QCOMPARE(checks, 2);
    QVERIFY(!QApplication::activeModalWidget());
    // A later sgFinish() reaches no wait.
    emit window.sgFinish();
}

void TestMainWindow::progressDrivesWaitingDialog_data()
{
    QTest::addColumn<QVariantMap>("progress");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QString>("title");
    QTest::newRow("start without msg")
        << QVariantMap { { "Type", "start" } } << true << QStringLiteral("正在查询数据");
    QTest::newRow("start with msg") << QVariantMap { { "Type", "start" },
        { "msg", QStringLiteral("正在获取数量") } }
                                    << true << QStringLiteral("正在获取数量");
    QTest::newRow("stop with msg") << QVariantMap { { "Type", "stop" },
        { "msg", QStringLiteral("正在获取数据") } }
                                   << false << QString();
}

void TestMainWindow::progressDrivesWaitingDialog()
{
    QFETCH(QVariantMap, progress);
    QFETCH(bool, visible);
    QFETCH(QString, title);
    hxReport window;
    window.show();
    window.onProgressForTsk(QVariantMap { { "Type", "start" }, { "msg", "before" } });
    window.onProgressForTsk(progress);
    WaitingDialog* dialog = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<WaitingDialog*>(w))
            dialog = d;
    }
    QVERIFY(dialog);
    QCOMPARE(dialog->isVisible(), visible);
    QCOMPARE(dialog->isRunning(), visible);
    if (visible) {
        QCOMPARE(dialog->windowTitle(), title);
        QCOMPARE(dialog->value(), 0);
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    }
}

void TestMainWindow::translationWalkOrder()
{
    const QString chinese = AppPaths::join(AppPaths::languageDir(), QStringLiteral("Chinese"));
    QVERIFY(QDir().mkpath(chinese + QStringLiteral("/sub")));
    const QString qmDir = QStringLiteral(HX_TEST_QM_DIR);
    // "a_second.qm" sorts before "sub" but files come after directories.
    QVERIFY(QFile::copy(qmDir + QStringLiteral("/second.qm"), chinese + QStringLiteral("/a_second.qm")));
    QVERIFY(QFile::copy(qmDir + QStringLiteral("/first.qm"), chinese + QStringLiteral("/sub/first.qm")));
    QFile text(chinese + QStringLiteral("/notes.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("not a translation");
    text.close();
    QVERIFY(QFile::copy(qmDir + QStringLiteral("/first.qm"), chinese + QStringLiteral("/upper.QM")));

    hxReport window;
    QCOMPARE(window.translators().size(), 2);
    // Installed last wins: the file of the directory itself, after its subdirectory.
    QCOMPARE(window.windowTitle(), QStringLiteral("from second"));
    // A text only the first file translates still comes from it.
    QCOMPARE(child<QComboBox>(window, "comboBox_Banci")->itemText(0), QStringLiteral("Whole day"));
}

void TestMainWindow::languageSetting_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<int>("translators");
    QTest::newRow("no ini: Chinese") << QString() << 1;
    QTest::newRow("empty language") << "[General]\nlanguage=\n" << 0;
    QTest::newRow("unknown language") << "[General]\nlanguage=Klingon\n" << 0;
    QTest::newRow("garbage file") << "\x01\x02 ][ = =\n\xff\xfe" << 1;
}

void TestMainWindow::languageSetting()
{
    QFETCH(QString, ini);
    QFETCH(int, translators);
    const QString chinese = AppPaths::join(AppPaths::languageDir(), QStringLiteral("Chinese"));
    QVERIFY(QDir().mkpath(chinese));
    QVERIFY(QFile::copy(QStringLiteral(HX_TEST_QM_DIR "/first.qm"), chinese + QStringLiteral("/first.qm")));
    if (!ini.isNull()) {
        QFile file(QStringLiteral("hubdetect.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ini.toLatin1());
    }
    hxReport window;
    QCOMPARE(window.translators().size(), translators);
    QCOMPARE(
        window.windowTitle(), translators ? QStringLiteral("from first") : QStringLiteral("数据记录查看"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
