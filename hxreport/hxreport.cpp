#include "hxreport.h"

#include "appcontext.h"
#include "apppaths.h"
#include "checkdata.h"
#include "checkthread.h"
#include "confirmbox.h"
#include "countchart.h"
#include "countdata.h"
#include "detectdatadb.h"
#include "exportquery.h"
#include "exportrunner.h"
#include "logpage.h"
#include "modeldb.h"
#include "networksettings.h"
#include "pagechecks.h"
#include "pageindex.h"
#include "pagelayout.h"
#include "plantcatalogthread.h"
#include "productionpage.h"
#include "qreportwidget.h"
#include "qsavecsvthread.h"
#include "qualitypage.h"
#include "quickanswers.h"
#include "rangequery.h"
#include "recordindex.h"
#include "reportrunner.h"
#include "serversettings.h"
#include "statisticspage.h"
#include "timeranges.h"
#include "translationloader.h"
#include "workfordb.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDebug>
#include <QDir>
#include <QGridLayout>
#include <QInputDialog>
#include <QPushButton>
#include <QSettings>
#include <QStandardItemModel>
#include <QTranslator>
#include <QVBoxLayout>

hxReport::hxReport(QWidget* parent)
    : hxReport(nullptr, parent)
{
}

hxReport::hxReport(AppContext* context, QWidget* parent)
    : QMainWindow(parent)
    // A window of its own: its context goes with it (after its members).
    , m_pContext(context ? context : new AppContext(this))
{
    const QSettings settings(AppPaths::settingsFile(), QSettings::IniFormat);
    initLanguage(settings.value(QStringLiteral("language"), QStringLiteral("Chinese")).toString());

    qRegisterMetaType<QSqlQuery>("QSqlQuery");

    ui.setupUi(this);
    initConnections();

    const bool onServer = m_pContext->onPlantServer();
    QStringList models;
    m_pDetectDB = m_pContext->database();
    // On the server the stations, models and shifts arrive from
    // readPlantCatalog() once the window is up.
    if (!onServer) {
        if (!m_pContext->openError().isEmpty())
            ui.statusBar->showMessage(
                tr("无法打开数据库 %1：%2")
                    .arg(QDir::toNativeSeparators(AppPaths::detectionDatabase()), m_pContext->openError()));
        m_pDetectDB->readShifts(&m_Shifts);
    }
    m_pPageIndex = m_pContext->pageIndex();
    m_pPageIndex->setStatusBar(ui.statusBar);
    QuickAnswers* quick = m_pContext->quickAnswers();

    m_pModelDB = new ModelDB(AppPaths::modelDatabase(), QStringLiteral("QSQLITE"));
    if (!onServer) {
        m_pModelDB->openDatabase();
        models = m_pModelDB->modelNames();
    }

    m_pReportLayout = new QGridLayout;
    m_pReportWidget = new QReportWidget(QString(), nullptr);
    m_pReportLayout->addWidget(m_pReportWidget);
    m_pReportContainer = new QWidget;
    m_pReportVBox = new QVBoxLayout;
    m_pReportLayout->setContentsMargins(0, 0, 0, 0);
    m_pReportLayout->addLayout(m_pReportVBox, 0, 1);
    m_pReportContainer->setLayout(m_pReportLayout);
    m_pCountChart = new CountChart;
    m_pReportVBox->addWidget(m_pCountChart);

    m_DayStart = QTime(0, 0, 0, 0);
    m_DayEnd = QTime(23, 59, 59, 0);

    m_pProdModel = new QStandardItemModel;
    initPages();

    m_pWorkForDB = m_pContext->startWorker<WorkForDB>(
        m_pContext->workThread(), "m_Workthread", [this](WorkForDB* worker) {
            connect(this, &hxReport::operate, worker, &WorkForDB::doWork);
            connect(worker, &WorkForDB::resultReady, this, &hxReport::handleResults);
        });
    m_pCountData = m_pContext->startWorker<CountData>(
        m_pContext->countThread(), "m_WorkThreadCount", [this, quick](CountData* worker) {
            worker->setCancelFlag(m_pStatisticsPage->cancelFlag());
            worker->setQuickAnswers(quick);
            connect(this, &hxReport::operateCount, worker, &CountData::doWork);
            // The page asks its worker and shows the answer itself.
            connect(m_pStatisticsPage.get(), &StatisticsPage::sgCount, worker, &CountData::countRange);
            connect(worker, &CountData::resultReady, m_pStatisticsPage.get(), &StatisticsPage::onResult);
            connect(worker, SIGNAL(sgShowMsg(QString)), this, SLOT(onShowMessage(QString)));
            connect(worker, &CountData::sgShowProgress, this, &hxReport::onProgressForTsk);
            connect(worker, &CountData::sgError, m_pStatisticsPage.get(), &StatisticsPage::onError);
        });
    m_pCheckData = m_pContext->startWorker<CheckData>(
        m_pContext->checkThread(), "m_WorkThreadCheckHistory", [this, quick](CheckData* worker) {
            worker->setCancelFlag(m_pProductionPage->cancelFlag());
            worker->setQuickAnswers(quick);
            connect(this, &hxReport::operateHistory, worker, &CheckData::doWork);
            // The page asks its worker and shows the answer itself.
            connect(m_pProductionPage.get(), &ProductionPage::sgQuery, worker, &CheckData::doQuery);
            connect(worker, &CheckData::resultReady, m_pProductionPage.get(), &ProductionPage::onFirstPage);
            connect(worker, &CheckData::sgShowProgress, this, &hxReport::onProgressForTsk);
        });

    m_WaitingDialog.setWindowModality(Qt::ApplicationModal);
    m_WaitingDialog.setWindowIcon(QIcon(QStringLiteral(":/image/corvel")));
    // A waiting dialog must not keep the program alive once the window is
    // closed: it would hide when the work ends and leave an invisible process.
    m_WaitingDialog.setAttribute(Qt::WA_QuitOnClose, false);
    connect(&m_WaitingDialog, &WaitingDialog::cancelRequested, this, &hxReport::onCancelWaiting);

    m_bCounting = false;
    ui.scrollArea->setWidget(m_pReportContainer);

    initPageValues();
    fillModelCombo(models);

    // The quality page after the form's three: from the record index of the
    // station file, or on the server from the archive with a station choice.
    m_pQualityPage = new QualityPage(this, onServer ? QString() : m_pDetectDB->databasePath(), &m_Shifts);
    m_pQualityPage->setModels(models);
    if (onServer) {
        m_pQualityPage->setPlantServer(m_pDetectDB, m_Stations);
    } else {
        m_pQualityPage->setIndexReader(m_pPageIndex->recordIndex()->reader());
        PageLayout::showStationFolder(ui.statusBar);
    }
    PageLayout::appendPage(ui.check_listWidget, ui.stackedWidget, m_pQualityPage, tr("质量分析"));

    setWindowTitle(tr("数据记录查看"));
    setWindowIcon(QIcon(QStringLiteral(":/hxReport/Resources/Log.png")));

    if (onServer) {
        // Where a wrong password or address is put right without a restart.
        auto* settingsButton = new QPushButton(tr("服务器设置"), ui.statusBar);
        settingsButton->setObjectName(QStringLiteral("pushButton_ServerSettings"));
        settingsButton->setFlat(true);
        ui.statusBar->addPermanentWidget(settingsButton);
        connect(settingsButton, &QPushButton::clicked, this, &hxReport::openServerSettings);
        connectToServer(AppContext::serverSettings(), AppContext::serverPassword());
    }
}

hxReport::~hxReport()
{
    // The index and the workers first; a one-shot thread busy in a long
    // statement is interrupted with them rather than waited out.
    m_pContext->stop();
    m_OneShotThreads.finishAll();

    delete m_pLogModel;
    m_pLogModel = nullptr;
    delete m_pProdModel;
    m_pProdModel = nullptr;
    delete m_pModelCompleter;
    m_pModelCompleter = nullptr;
    delete m_pReportContainer;
    m_pReportContainer = nullptr;

    // Nothing uses the model database any more; the detection database is
    // the context's.
    delete m_pModelDB;
    qDeleteAll(m_translators);
}

void hxReport::usePlantServer(const ServerSettings& settings, const QString& password)
{
    AppContext::usePlantServer(settings, password);
}

void hxReport::useStationFile()
{
    AppContext::useStationFile();
}

bool hxReport::isOnPlantServer()
{
    return AppContext::isOnPlantServer();
}

void hxReport::initPages()
{
    // The station choice beside the model filters, on the server only.
    QComboBox* productionStation = nullptr;
    QComboBox* statisticsStation = nullptr;
    QComboBox* logStation = nullptr;
    if (isOnPlantServer()) {
        productionStation = PageLayout::addStationBox(ui.comboBox_Model, QStringLiteral("comboBox_Station"));
        // The statistics and log pages' filter rows are full: their station
        // goes on the start row, which has room.
        statisticsStation = PageLayout::addStationBox(
            ui.pushButton_Set1_Count, QStringLiteral("comboBox_Station_Count"), true);
        logStation = PageLayout::addStationBox(
            ui.pushButton_Set1_Warning, QStringLiteral("comboBox_Station_Log"), true);
        for (QComboBox* box : { productionStation, statisticsStation, logStation })
            if (box)
                PageChecks::fillStations(box, m_Stations);
    }

    m_Ranges.addRange({ "pushButton_Set1_History", &m_ProdStart, ui.label_Time1_History },
        { "pushButton_Set2_History", &m_ProdEnd, ui.label_Time2_History }, "comboBox_Banci");
    m_Ranges.addRange({ "pushButton_Set1_Count", &m_StatStart, ui.label_Time1_Count },
        { "pushButton_Set2_Count", &m_StatEnd, ui.label_Time2_Count }, "comboBox_Banci_Calculate");
    m_Ranges.addRange({ "pushButton_Set1_Warning", &m_LogStart, ui.label_Time1_warning },
        { "pushButton_Set2_Warning", &m_LogEnd, ui.label_Time2_warning }, nullptr);

    const PagingWidgets production { ui.LineNumber_checkShengchang, ui.Prev_checkShengchang,
        ui.Next_checkShengchang, ui.showPage_Label_Checkdata, ui.showNum_Label_Checkdata, ui.label_Tab2_Title,
        ui.tableView_checkShengchang };
    m_pProductionPage = std::make_unique<ProductionPage>(this, m_pDetectDB, m_pProdModel,
        ProductionWidgets { production, ui.label_Time1_History, ui.label_Time2_History, ui.comboBox_Model,
            ui.comboBox_Banci, ui.label_Number, ui.CheckDlg_label_Pic, productionStation });
    if (!isOnPlantServer())
        m_pProductionPage->setQuickAnswers(m_pPageIndex);

    const PagingWidgets log { ui.LineNumber_log, ui.Prev_checklog, ui.Next_checklog,
        ui.showPage_Label_Checkdata_2, ui.showNum_Label_Checkdata_2, ui.label_Tab3_Title,
        ui.tableView_TWarning };
    m_pLogPage = std::make_unique<LogPage>(this, m_pDetectDB, m_pLogModel,
        LogWidgets {
            log, ui.label_Time1_warning, ui.label_Time2_warning, ui.comboBox_Wandring_Log, logStation });

    m_pStatisticsPage = std::make_unique<StatisticsPage>(this, m_pDetectDB, m_countMap, m_bCounting,
        StatisticsWidgets { ui.comboBox_Banci_Calculate, ui.label_Time1_Count, ui.label_Time2_Count,
            m_pReportWidget, statisticsStation, m_pCountChart });
    // The shift report of the statistics page's range and shift, at the end of its start row.
    const IndexReader reader = isOnPlantServer() ? IndexReader() : m_pPageIndex->recordIndex()->reader();
    m_pReportRunner = new ReportRunner(this, m_pDetectDB, isOnPlantServer() ? nullptr : m_pPageIndex,
        isOnPlantServer() ? nullptr : &reader, &m_Shifts,
        ReportWidgets {
            ui.label_Time1_Count, ui.label_Time2_Count, ui.comboBox_Banci_Calculate, statisticsStation },
        this);
    ui.horizontalLayout_11->addWidget(m_pReportRunner->button());

    // A page's shifts are those of the station it shows.
    for (QComboBox* box : { productionStation, statisticsStation })
        if (box)
            connect(box, SIGNAL(currentIndexChanged(int)), this, SLOT(onStationChosen()));

    m_pExport = std::make_unique<ExportRunner>(this, m_pDetectDB);
}

void hxReport::initConnections()
{
    const char* editTime = SLOT(SlotEditTime());
    connect(ui.pushButton_Set1_Warning, SIGNAL(clicked()), this, editTime);
    connect(ui.pushButton_Set2_Warning, SIGNAL(clicked()), this, editTime);
    connect(ui.pushButton_Set1_History, SIGNAL(clicked()), this, editTime);
    connect(ui.pushButton_Set2_History, SIGNAL(clicked()), this, editTime);
    connect(ui.pushButton_Set1_Count, SIGNAL(clicked()), this, editTime);
    connect(ui.pushButton_Set2_Count, SIGNAL(clicked()), this, editTime);
    const char* checkButton = SLOT(onCheckButton());
    connect(ui.pushButton_Checkdata, SIGNAL(clicked()), this, checkButton);
    connect(ui.pushButton_SaveHistory, SIGNAL(clicked()), this, checkButton);
    connect(ui.pushButton_Wandring, SIGNAL(clicked()), this, checkButton);
    connect(ui.pushButton_SaveWaring, SIGNAL(clicked()), this, checkButton);
    connect(ui.pushButton_Checkdata_Calculate, SIGNAL(clicked()), this, checkButton);
    connect(ui.pushButton_SaveCalculate, SIGNAL(clicked()), this, checkButton);
    connect(this, SIGNAL(sgSetCurrentIndex(int)), ui.stackedWidget, SLOT(setCurrentIndex(int)));
    connect(ui.comboBox_Banci_Calculate, SIGNAL(currentIndexChanged(int)), this, SLOT(SlotCombox(int)));
    connect(ui.comboBox_Banci, SIGNAL(currentIndexChanged(int)), this, SLOT(SlotCombox(int)));
    ui.comboBox_Model->setEditable(true);
    connect(ui.Prev_checkShengchang, SIGNAL(clicked()), this, SLOT(onHistoryButton()));
    connect(ui.Next_checkShengchang, SIGNAL(clicked()), this, SLOT(onHistoryButton()));

    PageLayout::resetPaging(
        ui.LineNumber_checkShengchang, ui.showPage_Label_Checkdata, ui.showNum_Label_Checkdata, this);
    PageLayout::setUpNavigation(ui.check_listWidget);
    // The start and end rows line up in every language.
    PageLayout::sameWidth({ ui.label_18, ui.label_17 });
    PageLayout::sameWidth({ ui.label_22, ui.label_20 });
    PageLayout::sameWidth({ ui.label_12, ui.label_13 });
    PageLayout::sameWidth({ ui.pushButton_Set1_History, ui.pushButton_Set2_History });
    PageLayout::sameWidth({ ui.pushButton_Set1_Count, ui.pushButton_Set2_Count });
    PageLayout::sameWidth({ ui.pushButton_Set1_Warning, ui.pushButton_Set2_Warning });
    PageLayout::letCountWrap(ui.showNum_Label_Checkdata, ui.horizontalLayout);
    PageLayout::letCountWrap(ui.showNum_Label_Checkdata_2, ui.horizontalLayout_2);
    connect(ui.check_listWidget, SIGNAL(currentRowChanged(int)), this, SLOT(onSetCurrentIndex(int)));
    // Rows exist only after a fill, so this is the same as connecting at the
    // first fill.
    connect(ui.tableView_checkShengchang, SIGNAL(doubleClicked(QModelIndex)), this,
        SLOT(onTableViewClick(QModelIndex)));

    connect(ui.Prev_checklog, SIGNAL(clicked()), this, SLOT(onLogButton()));
    connect(ui.Next_checklog, SIGNAL(clicked()), this, SLOT(onLogButton()));
    PageLayout::resetPaging(
        ui.LineNumber_log, ui.showPage_Label_Checkdata_2, ui.showNum_Label_Checkdata_2, this);
}

// ---------------------------------------------------------------- plant server

QString hxReport::serverName() const
{
    const ServerSettings& settings = AppContext::serverSettings();
    return settings.host.isEmpty() ? settings.socket : settings.host;
}

void hxReport::connectToServer(const ServerSettings& settings, const QString& password)
{
    AppContext::usePlantServer(settings, password);
    QString why;
    if (!settings.configure(m_pDetectDB, password, &why)) {
        m_ServerProblem = why;
        showStatus(tr("无法连接服务器 %1：%2").arg(serverName(), why));
        emit sgServerRead(false);
        return;
    }
    m_ServerProblem.clear();
    showStatus(tr("正在连接服务器 %1…").arg(serverName()));
    startThread(new PlantCatalogThread(m_pDetectDB), SIGNAL(catalogRead()), SLOT(onCatalogRead()));
}

void hxReport::onCatalogRead()
{
    const auto* thread = qobject_cast<const PlantCatalogThread*>(sender());
    if (!thread)
        return;
    m_ServerProblem = thread->error();
    if (!m_ServerProblem.isEmpty()) {
        showStatus(tr("无法连接服务器 %1：%2").arg(serverName(), m_ServerProblem));
        emit sgServerRead(false);
        return;
    }
    m_Stations = thread->stations();
    m_Shifts = thread->shifts();
    for (const char* name : { "comboBox_Station", "comboBox_Station_Count", "comboBox_Station_Log" })
        if (auto* box = findChild<QComboBox*>(QLatin1String(name)))
            PageChecks::fillStations(box, m_Stations);
    fillShiftBox(ui.comboBox_Banci, findChild<QComboBox*>(QStringLiteral("comboBox_Station")));
    fillShiftBox(
        ui.comboBox_Banci_Calculate, findChild<QComboBox*>(QStringLiteral("comboBox_Station_Count")));
    fillModelCombo(thread->models());
    m_pQualityPage->setModels(thread->models());
    m_pQualityPage->setPlantServer(m_pDetectDB, m_Stations);
    showStatus(tr("已连接服务器 %1").arg(serverName()));
    emit sgServerRead(true);
}

void hxReport::openServerSettings()
{
    auto* settings = new NetworkSettings(AppPaths::settingsFile(), this);
    settings->setWindowFlags(Qt::Dialog);
    settings->setWindowModality(Qt::WindowModal);
    settings->setAttribute(Qt::WA_DeleteOnClose);
    connect(settings, &NetworkSettings::saved, this, [this, settings] {
        settings->close();
        reconnectServer();
    });
    settings->show();
}

void hxReport::reconnectServer()
{
    ServerSettings settings;
    QString password;
    QString why;
    bool found = false;
    if (!ServerSettings::fromIni(AppPaths::settingsFile()).resolve(&settings, &password, &found, &why)) {
        m_ServerProblem = why;
        showStatus(tr("无法连接服务器 %1：%2").arg(serverName(), why));
        emit sgServerRead(false);
        return;
    }
    if (!found) {
        bool ok = false;
        password = QInputDialog::getText(this, tr("服务器设置"),
            tr("服务器用户 %1 的密码：").arg(settings.user), QLineEdit::Password, QString(), &ok);
        if (!ok)
            return;
    }
    connectToServer(settings, password);
}

// ---------------------------------------------------------------- helpers

bool hxReport::showMessageBox(QMessageBox::Icon icon, QString title, QString text, int withCancel)
{
    return ConfirmBox::exec(icon, title, text, withCancel == 1);
}

bool hxReport::waitForFinish(QString title)
{
    return waitForFinishCancelable(title, QString(), nullptr);
}

bool hxReport::waitForFinishCancelable(
    const QString& title, const QString& activity, const std::function<void()>& cancel)
{
    return WaitingDialog::waitFor(this, SIGNAL(sgFinish()), title, activity, cancel);
}

void hxReport::noteOperation(QString text)
{
    Q_UNUSED(text)
}

void hxReport::onShowMessage(QString str)
{
    Q_UNUSED(str)
}

void hxReport::handleResults(QString str)
{
    Q_UNUSED(str)
    onShowMessage(tr("系统自动进行清理完成"));
}

void hxReport::onShowMsg()
{
    showMessageBox(QMessageBox::Information, tr("提示"), tr("操作已生效"), 0);
}

void hxReport::onCountError(QString message)
{
    m_pStatisticsPage->onError(message);
}

void hxReport::showStatus(const QString& text)
{
    ui.statusBar->showMessage(text);
}

bool hxReport::hasRunningQueries() const
{
    return m_OneShotThreads.hasRunning();
}

void hxReport::pageShown()
{
    emit sgPageShown();
}

void hxReport::pictureShown()
{
    emit sgPictureShown();
}

void hxReport::finishWait()
{
    emit sgFinish();
}

void hxReport::startThread(QThread* thread, QObject* receiver, const char* signal, const char* slot)
{
    m_OneShotThreads.start(thread, receiver, signal, slot);
}

void hxReport::startThread(QThread* thread, const char* signal, const char* slot)
{
    m_OneShotThreads.start(thread, this, signal, slot);
}

// ---------------------------------------------------------------- language

void hxReport::initLanguage(QString language)
{
    TranslationLoader::load(AppPaths::languageDir(), language, m_translators);
}

void hxReport::loadTranslationDir(QString dirPath)
{
    TranslationLoader::loadDir(dirPath, m_translators);
}

void hxReport::loadTranslationFile(QString filePath)
{
    TranslationLoader::loadFile(filePath, m_translators);
}

// ---------------------------------------------------------------- time ranges

void hxReport::initPageValues()
{
    const QDateTime now = QDateTime::currentDateTime();
    for (const char* button : { "pushButton_Set1_History", "pushButton_Set2_History", "pushButton_Set1_Count",
             "pushButton_Set2_Count", "pushButton_Set2_Warning" })
        m_Ranges.setTime(QLatin1String(button), now);
    m_Ranges.setTime(QStringLiteral("pushButton_Set1_Warning"), QDateTime(now.date(), m_DayStart));

    // Emptied first, so that both start with whole days whatever they showed.
    ui.comboBox_Banci->clear();
    fillShiftBox(ui.comboBox_Banci, findChild<QComboBox*>(QStringLiteral("comboBox_Station")));
    ui.comboBox_Banci_Calculate->clear();
    fillShiftBox(
        ui.comboBox_Banci_Calculate, findChild<QComboBox*>(QStringLiteral("comboBox_Station_Count")));
    ui.comboBox_Wandring_Log->clear();
    ui.comboBox_Wandring_Log->addItems({ tr("报警记录查询"), tr("运行状态查询"), tr("使用记录查询") });

    ui.label_Title->setText(tr("生产数据查询"));
    ui.stackedWidget->setCurrentIndex(0);

    if (m_pProdModel)
        m_pProdModel->clear();
    if (m_pLogModel)
        m_pLogModel->clear();
    ui.label_Number->setText(QStringLiteral("0"));
    ui.CheckDlg_label_Pic->clear();
    // Cleared only: until the first result the report shows no headers.
    if (m_pReportWidget)
        m_pReportWidget->clearReport();
}

void hxReport::fillModelCombo(QStringList models)
{
    ui.comboBox_Model->clear();
    ui.comboBox_Model->addItem(tr("全部"));
    if (!models.contains(QStringLiteral("NG")))
        ui.comboBox_Model->addItem(tr("NG"));
    ui.comboBox_Model->addItems(models);
    delete m_pModelCompleter;
    m_pModelCompleter = new QCompleter(models);
    m_pModelCompleter->setCaseSensitivity(Qt::CaseInsensitive);
    ui.comboBox_Model->setCompleter(m_pModelCompleter);
}

void hxReport::SlotEditTime()
{
    m_Ranges.editTime(sender() ? sender()->objectName() : QString());
}

void hxReport::SlotCombox(int index)
{
    Q_UNUSED(index)
    m_Ranges.applyShift(qobject_cast<QComboBox*>(sender()), tr("全天"),
        m_StatStartTime.isValid() ? m_StatStartTime : m_DayStart, m_DayEnd);
}

void hxReport::fillShiftBox(QComboBox* shifts, const QComboBox* station)
{
    const QString stationName = PageChecks::chosenStation(station);
    const QString gone = m_Ranges.fillShifts(shifts, m_Shifts.of(stationName), tr("全天"),
        m_StatStartTime.isValid() ? m_StatStartTime : m_DayStart, m_DayEnd);
    if (!gone.isEmpty())
        showStatus(PageChecks::shiftGone(stationName, gone));
}

void hxReport::onStationChosen()
{
    const auto* station = qobject_cast<const QComboBox*>(sender());
    if (!station)
        return;
    if (station->objectName() == QLatin1String("comboBox_Station"))
        fillShiftBox(ui.comboBox_Banci, station);
    else if (station->objectName() == QLatin1String("comboBox_Station_Count"))
        fillShiftBox(ui.comboBox_Banci_Calculate, station);
}

void hxReport::onSetCurrentIndex(int nIndex)
{
    if (QListWidgetItem* item = ui.check_listWidget->item(nIndex))
        ui.label_Title->setText(item->text());
    emit sgSetCurrentIndex(nIndex);
}

// ---------------------------------------------------------------- dispatch

void hxReport::onCheckButton()
{
    const QString name = sender() ? sender()->objectName() : QString();
    if (name == QLatin1String("pushButton_Checkdata"))
        m_pProductionPage->query(m_ProdStart, m_ProdEnd, m_Ranges.shifts(ui.comboBox_Banci));
    else if (name == QLatin1String("pushButton_SaveHistory"))
        exportRecords(0);
    else if (name == QLatin1String("pushButton_Wandring"))
        m_pLogPage->query();
    else if (name == QLatin1String("pushButton_SaveWaring"))
        exportRecords(1);
    else if (name == QLatin1String("pushButton_Checkdata_Calculate"))
        m_pStatisticsPage->query(m_StatStart, m_StatEnd, m_Ranges.shifts(ui.comboBox_Banci_Calculate));
    else if (name == QLatin1String("pushButton_SaveCalculate"))
        exportStatistics();
}

void hxReport::onCancelWaiting()
{
    if (m_pWaitingFor && m_pWaitingFor == m_pCheckData)
        m_pProductionPage->cancel();
    else if (m_pWaitingFor && m_pWaitingFor == m_pCountData)
        m_pStatisticsPage->cancel();
}

void hxReport::onProgressForTsk(QVariantMap m_map)
{
    if (m_map.value(QStringLiteral("Type")).toString() == QLatin1String("start")) {
        const QString title = m_map.contains(QStringLiteral("msg"))
            ? m_map.value(QStringLiteral("msg")).toString()
            : tr("正在查询数据");
        m_WaitingDialog.setWindowTitle(title);
        m_WaitingDialog.setActivity(tr("正在查询…"));
        m_pWaitingFor = sender();
        m_WaitingDialog.setCancelable(m_pWaitingFor != nullptr);
        m_WaitingDialog.startProgress(50, 150);
        m_WaitingDialog.show();
    } else {
        m_WaitingDialog.stopProgress();
        m_WaitingDialog.hide();
    }
}

// ---------------------------------------------------------------- production page

void hxReport::checkHistoryData(QString start, QString end, QString model)
{
    m_pProductionPage->check(start, end, model);
}

QString hxReport::historySqlBase()
{
    return m_pProductionPage->currentRange().filterText();
}

void hxReport::fillHistoryTable(QSqlQuery sql)
{
    m_pProductionPage->fillTable(sql);
}

const hxReport::Paging& hxReport::productionPaging() const
{
    return m_pProductionPage->cursor();
}

void hxReport::handleResultsHistory(QVariantMap Mapstr, QSqlQuery sql)
{
    if (m_pProductionPage->showFirstPage(Mapstr, sql))
        emit sgPageShown();
}

void hxReport::onHistoryButton()
{
    m_pProductionPage->onPagingButton(sender() ? sender()->objectName() : QString());
}

void hxReport::onUpdateTableViewShow(QSqlQuery sql)
{
    fillHistoryTable(sql);
    emit sgPageShown();
}

void hxReport::onTableViewClick(QModelIndex mIndex)
{
    if (sender() && sender()->objectName() == QLatin1String("tableView_checkShengchang"))
        m_pProductionPage->requestPicture(mIndex);
}

void hxReport::onSlowPixmap(QSqlQuery sql)
{
    m_pProductionPage->showPicture(sql);
    emit sgPictureShown();
}

void hxReport::onResultCount(int nCount)
{
    m_pProductionPage->setTotal(nCount);
    emit sgFinish();
}

// ---------------------------------------------------------------- log page

LogClass hxReport::logKind() const
{
    return m_pLogPage->kind();
}

QString hxReport::logSql(bool withCount)
{
    // The statement text of the station file's builder, for its callers: the
    // pages themselves run ranges.
    const RangeQuery range = m_pLogPage->currentRange();
    QVariantMap request;
    request.insert(QStringLiteral("time1"), range.lower());
    request.insert(QStringLiteral("time2"), range.upper());
    request.insert(QStringLiteral("logType"), StationSchema::toInt(range.logClass()));
    request.insert(QStringLiteral("Type"), StationSchema::toInt(QueryKind::LogInRange));
    if (withCount)
        request.insert(QStringLiteral("Count"), 1);
    return m_pDetectDB->buildQuerySql(request);
}

void hxReport::checkLogData(int kind, QString start, QString end)
{
    m_pLogPage->check(StationSchema::toLogClass(kind), start, end);
}

const hxReport::Paging& hxReport::logPaging() const
{
    return m_pLogPage->cursor();
}

void hxReport::onResultCountlog(int nCount)
{
    m_pLogPage->setTotal(nCount);
    emit sgFinish();
}

void hxReport::onLogButton()
{
    m_pLogPage->onPagingButton(sender() ? sender()->objectName() : QString());
}

void hxReport::onUpdateTableViewShowlog(QSqlQuery sql)
{
    fillLogTable(sql);
    emit sgPageShown();
}

void hxReport::fillLogTable(QSqlQuery sql)
{
    m_pLogPage->fillTable(sql);
}

// ---------------------------------------------------------------- statistics page

void hxReport::startCountQuery(QString time1, QString time2)
{
    m_pStatisticsPage->startCount(time1, time2);
}

void hxReport::handleResultsCount(QString result, const QMap<QString, int>* p)
{
    m_pStatisticsPage->onResult(result, p);
}

// ---------------------------------------------------------------- export

QString hxReport::defaultCsvName(const QString& prefix)
{
    return ExportRunner::defaultCsvName(prefix);
}

void hxReport::exportRecords(int nType)
{
    const ExportRunner::Outcome outcome = nType == 0
        ? m_pExport->exportRecords(m_pProdModel, 0, m_pProductionPage->titleOfCount(),
            ExportQuery::production(ui.label_Time1_History->text(), ui.label_Time2_History->text(),
                ui.comboBox_Model->currentText() == tr("全部") ? QString() : ui.comboBox_Model->currentText())
                .atStation(
                    PageChecks::chosenStation(findChild<QComboBox*>(QStringLiteral("comboBox_Station")))))
        : m_pExport->exportRecords(m_pLogModel, 1, m_pLogPage->titleOfCount(),
            ExportQuery::log(ui.label_Time1_warning->text(), ui.label_Time2_warning->text(), logKind())
                .atStation(PageChecks::chosenStation(
                    findChild<QComboBox*>(QStringLiteral("comboBox_Station_Log")))));
    if (outcome != ExportRunner::Outcome::NotStarted)
        emit sgExportDone(outcome == ExportRunner::Outcome::Written);
}

void hxReport::onSaveCSVDone(int)
{
    // The thread object is still alive here: its deleteLater() is queued after
    // this call.
    m_pExport->noteRecordsDone(qobject_cast<QSaveCSVThread*>(sender()));
    emit sgFinish();
}

void hxReport::exportStatistics()
{
    const ExportRunner::Outcome outcome = m_pExport->exportStatistics(m_countMap,
        m_pStatisticsPage->countStart(), m_pStatisticsPage->countEnd(), m_pStatisticsPage->countStation());
    if (outcome != ExportRunner::Outcome::NotStarted)
        emit sgExportDone(outcome == ExportRunner::Outcome::Written);
}

bool hxReport::writeCountCsv(QString fileName, const QMap<QString, int>* counts)
{
    return m_pExport->writeCountFile(fileName, counts, m_pStatisticsPage->countStart(),
        m_pStatisticsPage->countEnd(), false, m_pStatisticsPage->countStation());
}
