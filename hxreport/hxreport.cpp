#include "hxreport.h"

#include "apppaths.h"
#include "checkdata.h"
#include "checkthread.h"
#include "countdata.h"
#include "csvwriter.h"
#include "detectdatadb.h"
#include "exportquery.h"
#include "modeldb.h"
#include "qreportwidget.h"
#include "qsavecsvthread.h"
#include "qtimedlg.h"
#include "workfordb.h"

#include <QApplication>
#include <QBuffer>
#include <QCompleter>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QImageReader>
#include <QIntValidator>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QSqlError>
#include <QStandardItemModel>
#include <QTranslator>
#include <QVBoxLayout>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
const QString kProductionAll = QStringLiteral("select * from wftable where time >'%1' and time <'%2'");
const QString kProductionModel = QStringLiteral("select * from wftable where time >'%1' and time <'%2' and model = '%3'");
const int kIconSize = 50;
const int kPictureSize = 150;

// A read-only table of whole rows, sized to its contents while it is filled;
// its model is made on first use and emptied.
void prepareFill(QTableView* view, QStandardItemModel*& model)
{
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (!model)
        model = new QStandardItemModel;
    model->clear();
}

int pagesFor(int total, int size)
{
    return size > 0 ? (total + size - 1) / size : 0;
}

// Decodes an encoded image at (about) the given size. The JPEG reader scales
// while decoding, so a large stored picture costs little here.
QImage decodeScaled(const QByteArray& bytes, const QSize& box, Qt::AspectRatioMode mode)
{
    if (bytes.isEmpty())
        return QImage();
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize full = reader.size();
    if (full.isValid() && !full.isEmpty())
        reader.setScaledSize(full.scaled(box, mode).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        return image;
    return image.scaled(image.size().scaled(box, mode).expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio,
                        Qt::FastTransformation);
}
}

hxReport::hxReport(QWidget* parent)
    : QMainWindow(parent)
{
    const QSettings settings(AppPaths::settingsFile(), QSettings::IniFormat);
    initLanguage(settings.value(QStringLiteral("language"), QStringLiteral("Chinese")).toString());

    qRegisterMetaType<QSqlQuery>("QSqlQuery");

    ui.setupUi(this);
    initConnections();

    m_pDetectDB = new DetectDataDB(AppPaths::detectionDatabase(), QStringLiteral("QSQLITE"));
    if (!m_pDetectDB->openDatabase())
        ui.statusBar->showMessage(tr("无法打开数据库 %1：%2")
                                      .arg(QDir::toNativeSeparators(AppPaths::detectionDatabase()),
                                           m_pDetectDB->lastError().text()));
    m_pDetectDB->readShifts(&m_ShiftMap);

    m_pModelDB = new ModelDB(AppPaths::modelDatabase(), QStringLiteral("QSQLITE"));
    m_pModelDB->openDatabase();
    const QStringList models = m_pModelDB->modelNames();

    m_pReportLayout = new QGridLayout;
    m_pReportWidget = new QReportWidget(QString(), nullptr);
    m_pReportLayout->addWidget(m_pReportWidget);
    m_pReportContainer = new QWidget;
    m_pReportVBox = new QVBoxLayout;
    m_pReportLayout->setContentsMargins(0, 0, 0, 0);
    m_pReportLayout->addLayout(m_pReportVBox, 0, 1);
    m_pReportContainer->setLayout(m_pReportLayout);

    m_DayStart = QTime(0, 0, 0, 0);
    m_DayEnd = QTime(23, 59, 59, 0);

    m_pProdModel = new QStandardItemModel;

    m_pWorkForDB = new WorkForDB;
    m_pWorkForDB->moveToThread(&m_Workthread);
    m_pWorkForDB->setDataBase(m_pDetectDB);
    connect(&m_Workthread, &QThread::finished, m_pWorkForDB, &QObject::deleteLater);
    connect(this, &hxReport::operate, m_pWorkForDB, &WorkForDB::doWork);
    connect(m_pWorkForDB, &WorkForDB::resultReady, this, &hxReport::handleResults);
    m_Workthread.start(QThread::InheritPriority);
    qDebug() << "start thread m_Workthread";

    m_pCountData = new CountData;
    m_pCountData->moveToThread(&m_WorkThreadCount);
    m_pCountData->setDataBase(m_pDetectDB);
    connect(&m_WorkThreadCount, &QThread::finished, m_pCountData, &QObject::deleteLater);
    connect(this, &hxReport::operateCount, m_pCountData, &CountData::doWork);
    connect(m_pCountData, &CountData::resultReady, this, &hxReport::handleResultsCount);
    connect(m_pCountData, SIGNAL(sgShowMsg(QString)), this, SLOT(onShowMessage(QString)));
    connect(m_pCountData, &CountData::sgShowProgress, this, &hxReport::onProgressForTsk);
    connect(m_pCountData, &CountData::sgError, this, &hxReport::onCountError);
    m_WorkThreadCount.start(QThread::InheritPriority);
    qDebug() << "start thread m_WorkThreadCount";

    m_pCheckData = new CheckData;
    m_pCheckData->moveToThread(&m_WorkThreadCheckHistory);
    m_pCheckData->setDataBase(m_pDetectDB);
    connect(&m_WorkThreadCheckHistory, &QThread::finished, m_pCheckData, &QObject::deleteLater);
    connect(this, &hxReport::operateHistory, m_pCheckData, &CheckData::doWork);
    connect(m_pCheckData, &CheckData::resultReady, this, &hxReport::handleResultsHistory);
    connect(m_pCheckData, &CheckData::sgShowProgress, this, &hxReport::onProgressForTsk);
    m_WorkThreadCheckHistory.start(QThread::InheritPriority);
    qDebug() << "start thread m_WorkThreadCheckHistory";

    m_WaitingDialog.setWindowModality(Qt::ApplicationModal);
    m_WaitingDialog.setWindowIcon(QIcon(QStringLiteral(":/image/corvel")));
    // A waiting dialog must not keep the program alive once the window is
    // closed: it would hide when the work ends and leave an invisible process.
    m_WaitingDialog.setAttribute(Qt::WA_QuitOnClose, false);

    m_bCounting = false;
    ui.scrollArea->setWidget(m_pReportContainer);

    initPageValues();
    fillModelCombo(models);

    // A folder named at start-up (a copy of a station's files) is shown for as
    // long as the window is open, so nobody mistakes it for the live station.
    if (QDir(AppPaths::stationDir()) != QDir(AppPaths::applicationDir())) {
        auto* folder = new QLabel(tr("站点文件夹：%1").arg(QDir::toNativeSeparators(AppPaths::stationDir())));
        folder->setObjectName(QStringLiteral("label_StationDir"));
        ui.statusBar->addPermanentWidget(folder);
    }

    setWindowTitle(tr("数据记录查看"));
    setWindowIcon(QIcon(QStringLiteral(":/hxReport/Resources/Log.png")));
}

hxReport::~hxReport()
{
    // A worker or one-shot thread busy in a long statement is stopped rather
    // than waited out; idle ones are unaffected.
    if (m_pDetectDB)
        m_pDetectDB->setInterrupted(true);
    stopThread(m_Workthread, "m_Workthread");
    stopThread(m_WorkThreadCount, "m_WorkThreadCount");
    stopThread(m_WorkThreadCheckHistory, "m_WorkThreadCheckHistory");
    // Their deleteLater() would need an event loop that has ended by now.
    for (const QPointer<QThread>& thread : qAsConst(m_OneShotThreads)) {
        if (thread) {
            thread->wait();
            delete thread.data();
        }
    }

    delete m_pLogModel;
    m_pLogModel = nullptr;
    delete m_pProdModel;
    m_pProdModel = nullptr;
    delete m_pModelCompleter;
    m_pModelCompleter = nullptr;
    delete m_pReportContainer;
    m_pReportContainer = nullptr;

    // Nothing uses the databases any more: every thread that could has ended.
    delete m_pModelDB;
    delete m_pDetectDB;
    qDeleteAll(m_translators);
}

void hxReport::stopThread(QThread& thread, const char* name)
{
    if (!thread.isRunning())
        return;
    qDebug().noquote() << QStringLiteral("delete %1").arg(QLatin1String(name));
    thread.quit();
    // Idle workers end well within 50 ms; a busy one was interrupted above and
    // must still not be destroyed while its thread runs.
    if (!thread.wait(50))
        thread.wait();
    qDebug().noquote() << QStringLiteral("delete %1 end").arg(QLatin1String(name));
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

    ui.LineNumber_checkShengchang->setText(QStringLiteral("50"));
    ui.LineNumber_checkShengchang->setValidator(new QIntValidator(1, 9999, this));
    ui.showNum_Label_Checkdata->setText(tr("共显示%1条记录").arg(0));
    showPageLabel(ui.showPage_Label_Checkdata, 0, 0);

    int widestItem = 0;
    for (int i = 0; i < ui.check_listWidget->count(); ++i) {
        QListWidgetItem* item = ui.check_listWidget->item(i);
        // An item without a size hint reports (-1, -1), and Qt drops a hint
        // with a negative width, so the item's laid-out width is used.
        item->setSizeHint(QSize(ui.check_listWidget->visualItemRect(item).width(), 45));
        widestItem = qMax(widestItem, QFontMetrics(item->font()).horizontalAdvance(item->text()));
    }
    // The page list keeps the room its entries need (within its 140 pixels):
    // long texts on a page give way instead of squeezing the navigation.
    ui.check_listWidget->setMinimumWidth(
        qMin(ui.check_listWidget->maximumWidth(), widestItem + 2 * ui.check_listWidget->frameWidth() + 16));
    for (QLabel* label : { ui.showNum_Label_Checkdata, ui.showNum_Label_Checkdata_2 }) {
        // The row's free space goes to the count (text at the right, as when
        // the spacer took it), so it stays on one line where there is room
        // and breaks into two when a large count meets the window's width.
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // Counts up to 999 always stay on one line.
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(tr("共显示%1条记录").arg(999))
                               + 2 * label->margin() + 2);
    }
    ui.horizontalLayout->setStretchFactor(ui.showNum_Label_Checkdata, 1);
    ui.horizontalLayout_2->setStretchFactor(ui.showNum_Label_Checkdata_2, 1);
    connect(ui.check_listWidget, SIGNAL(currentRowChanged(int)), this, SLOT(onSetCurrentIndex(int)));

    ui.LineNumber_log->setText(QStringLiteral("50"));
    ui.LineNumber_log->setValidator(new QIntValidator(1, 9999, this));
    connect(ui.Prev_checklog, SIGNAL(clicked()), this, SLOT(onLogButton()));
    connect(ui.Next_checklog, SIGNAL(clicked()), this, SLOT(onLogButton()));
    showPageLabel(ui.showPage_Label_Checkdata_2, 0, 0);
    ui.showNum_Label_Checkdata_2->setText(tr("共显示%1条记录").arg(0));
}

// ---------------------------------------------------------------- helpers

bool hxReport::showMessageBox(QMessageBox::Icon icon, QString title, QString text, int withCancel)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    if (withCancel == 1)
        box.addButton(QMessageBox::Cancel);
    box.setWindowIcon(QIcon(QStringLiteral(":/image/corvel")));
    box.button(QMessageBox::Ok)->setText(tr("确认"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel))
        cancel->setText(tr("取消"));
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Ok);
}

bool hxReport::waitForFinish(QString title)
{
    WaitingDialog dialog(nullptr);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowIcon(QIcon(QStringLiteral(":/image/corvel")));
    dialog.setAttribute(Qt::WA_QuitOnClose, false); // as m_WaitingDialog
    dialog.setWindowTitle(title);
    dialog.startProgress(50, 150);
    dialog.show();
    QEventLoop loop;
    bool finished = false;
    connect(this, SIGNAL(sgFinish()), &loop, SLOT(quit()));
    const QMetaObject::Connection marker = connect(this, &hxReport::sgFinish, &loop, [&finished] { finished = true; });
    loop.exec();
    disconnect(marker);
    return finished;
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
    ui.statusBar->showMessage(tr("统计失败：%1").arg(message));
}

void hxReport::reportQueryError(const QSqlQuery& sql)
{
    if (sql.lastError().isValid())
        ui.statusBar->showMessage(tr("查询失败：%1").arg(sql.lastError().text()));
}

bool hxReport::hasRunningQueries() const
{
    for (const QPointer<QThread>& thread : m_OneShotThreads) {
        if (thread && thread->isRunning())
            return true;
    }
    return false;
}

void hxReport::trackThread(QThread* thread)
{
    m_OneShotThreads.erase(std::remove_if(m_OneShotThreads.begin(), m_OneShotThreads.end(),
                                          [](const QPointer<QThread>& t) { return t.isNull(); }),
                           m_OneShotThreads.end());
    m_OneShotThreads.append(thread);
}

void hxReport::startCheckThread(const QString& sql, int mode, const char* signal, const char* slot)
{
    auto* thread = new CheckThread(nullptr);
    thread->setQuery(m_pDetectDB, sql);
    if (mode == 1)
        thread->setMode(1);
    connect(thread, signal, this, slot);
    connect(thread, SIGNAL(finished()), thread, SLOT(deleteLater()));
    trackThread(thread);
    thread->start();
}

int hxReport::pageSize(QLineEdit* field)
{
    bool ok = false;
    const int size = field->text().toInt(&ok, 10);
    if (!ok || size < 1) {
        field->setText(QStringLiteral("10"));
        return 10;
    }
    return size;
}

void hxReport::showPageLabel(QLabel* label, int current, int count)
{
    label->setText(tr("第%1页 共%2页").arg(current).arg(count));
}

void hxReport::requestPage(Paging& paging, bool forward, QLineEdit* sizeField, QPushButton* prev, QPushButton* next,
                           QLabel* pageLabel, const QString& base, const QString& pagingClause, const char* slot)
{
    const int size = pageSize(sizeField);
    if (forward) {
        if (paging.offset >= paging.total)
            return;
        paging.offset += size;
        if (paging.offset >= paging.total)
            paging.offset = qMax(paging.total - size, 0);
    } else {
        if (paging.offset < 1)
            return;
        paging.offset -= size;
        if (paging.offset < 1)
            paging.offset = 0;
    }
    // The paging clause is filled on its own: the filter part may hold a "%1"
    // typed into the model filter.
    startCheckThread(base + pagingClause.arg(size).arg(paging.offset), 0, SIGNAL(resultReady(QSqlQuery)), slot);
    paging.currentPage = paging.offset / size + 1;
    paging.pageCount = pagesFor(paging.total, size);
    showPageLabel(pageLabel, paging.currentPage, paging.pageCount);
    if (forward) {
        if (paging.offset + size >= paging.total)
            next->setEnabled(false);
        prev->setEnabled(true);
    } else {
        if (paging.offset == 0)
            prev->setEnabled(false);
        next->setEnabled(true);
    }
}

// ---------------------------------------------------------------- language

void hxReport::initLanguage(QString language)
{
    const QString dir = AppPaths::languageDir();
    if (language.isEmpty())
        return;
    for (QTranslator* translator : qAsConst(m_translators)) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    m_translators.clear();
    QLocale::setDefault(QLocale(language));
    // The setting names one folder inside the language folder. A value that
    // leads elsewhere (a path, "..") loads nothing, like an unknown language,
    // rather than walking and loading whatever lies there.
    const bool plainName = !language.contains(QLatin1Char('/')) && !language.contains(QLatin1Char('\\'))
        && language != QLatin1String(".") && language != QLatin1String("..");
    if (plainName)
        loadTranslationDir(AppPaths::join(dir, language));
}

void hxReport::loadTranslationDir(QString dirPath)
{
    const QDir dir(dirPath);
    if (!dir.exists())
        return;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                                                    QDir::Name | QDir::DirsFirst);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir())
            loadTranslationDir(entry.absoluteFilePath());
        else if (entry.fileName().endsWith(QLatin1String(".qm"), Qt::CaseSensitive))
            loadTranslationFile(entry.absoluteFilePath());
    }
}

void hxReport::loadTranslationFile(QString filePath)
{
    if (filePath.isEmpty())
        return;
    auto* translator = new QTranslator;
    if (translator->load(filePath)) {
        QCoreApplication::installTranslator(translator);
        m_translators.append(translator);
    } else {
        delete translator;
    }
}

// ---------------------------------------------------------------- time ranges

void hxReport::initPageValues()
{
    const QDateTime now = QDateTime::currentDateTime();
    m_ProdStart = now;
    m_ProdEnd = now;
    ui.label_Time1_History->setText(m_ProdStart.toString(kTimeFormat));
    ui.label_Time2_History->setText(m_ProdEnd.toString(kTimeFormat));
    m_StatStart = now;
    m_StatEnd = now;
    ui.label_Time1_Count->setText(m_StatStart.toString(kTimeFormat));
    ui.label_Time2_Count->setText(m_StatEnd.toString(kTimeFormat));
    m_LogStart = QDateTime(now.date(), m_DayStart);
    m_LogEnd = now;
    ui.label_Time1_warning->setText(m_LogStart.toString(kTimeFormat));
    ui.label_Time2_warning->setText(m_LogEnd.toString(kTimeFormat));

    for (QComboBox* combo : { ui.comboBox_Banci, ui.comboBox_Banci_Calculate }) {
        combo->clear();
        combo->addItem(tr("全天"));
        combo->addItems(m_ShiftMap.keys());
    }
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
    const QString name = sender() ? sender()->objectName() : QString();
    QDateTime* member = nullptr;
    QLabel* label = nullptr;
    if (name == QLatin1String("pushButton_Set1_Count")) {
        member = &m_StatStart;
        label = ui.label_Time1_Count;
    } else if (name == QLatin1String("pushButton_Set2_Count")) {
        member = &m_StatEnd;
        label = ui.label_Time2_Count;
    } else if (name == QLatin1String("pushButton_Set1_Warning")) {
        member = &m_LogStart;
        label = ui.label_Time1_warning;
    } else if (name == QLatin1String("pushButton_Set2_Warning")) {
        member = &m_LogEnd;
        label = ui.label_Time2_warning;
    } else if (name == QLatin1String("pushButton_Set1_History")) {
        member = &m_ProdStart;
        label = ui.label_Time1_History;
    } else if (name == QLatin1String("pushButton_Set2_History")) {
        member = &m_ProdEnd;
        label = ui.label_Time2_History;
    } else {
        return;
    }
    QTimeDlg dialog(nullptr);
    dialog.SetDateTime(*member);
    if (dialog.exec() == QDialog::Accepted) {
        dialog.GetDateTime(*member);
        label->setText(member->toString(kTimeFormat));
    }
}

void hxReport::SlotCombox(int index)
{
    Q_UNUSED(index)
    auto* combo = qobject_cast<QComboBox*>(sender());
    if (!combo)
        return;
    QDateTime* start = nullptr;
    QDateTime* end = nullptr;
    QLabel* startLabel = nullptr;
    QLabel* endLabel = nullptr;
    if (combo->objectName() == QLatin1String("comboBox_Banci_Calculate")) {
        start = &m_StatStart;
        end = &m_StatEnd;
        startLabel = ui.label_Time1_Count;
        endLabel = ui.label_Time2_Count;
    } else if (combo->objectName() == QLatin1String("comboBox_Banci")) {
        start = &m_ProdStart;
        end = &m_ProdEnd;
        startLabel = ui.label_Time1_History;
        endLabel = ui.label_Time2_History;
    } else {
        return;
    }
    const QString text = combo->currentText();
    const auto shift = m_ShiftMap.constFind(text);
    if (shift != m_ShiftMap.constEnd()) {
        // The end date anchors the shift; a shift that starts at or after its
        // end runs over midnight and so starts the day before.
        const QTime s = shift->startTime;
        const QTime e = shift->endTime;
        const QDate endDate = end->date();
        *start = QDateTime(s >= e ? endDate.addDays(-1) : endDate, s);
        *end = QDateTime(endDate, e);
    } else if (text == tr("全天")) {
        QDate startDate = start->date();
        if (startDate > end->date())
            startDate = end->date();
        *start = QDateTime(startDate, m_StatStartTime.isValid() ? m_StatStartTime : m_DayStart);
        *end = QDateTime(end->date(), m_DayEnd);
    }
    startLabel->setText(start->toString(kTimeFormat));
    endLabel->setText(end->toString(kTimeFormat));
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
        productionQuery();
    else if (name == QLatin1String("pushButton_SaveHistory"))
        exportRecords(0);
    else if (name == QLatin1String("pushButton_Wandring"))
        logQuery();
    else if (name == QLatin1String("pushButton_SaveWaring"))
        exportRecords(1);
    else if (name == QLatin1String("pushButton_Checkdata_Calculate"))
        statisticsQuery();
    else if (name == QLatin1String("pushButton_SaveCalculate"))
        exportStatistics();
}

// ---------------------------------------------------------------- production page

void hxReport::productionQuery()
{
    if (m_bHistoryBusy) {
        showMessageBox(QMessageBox::Information, tr("提示"), tr("正在查询数据，请稍后"), 0);
        return;
    }
    m_bHistoryBusy = true;
    const QString shift = ui.comboBox_Banci->currentText();
    const QString model = ui.comboBox_Model->currentText();
    if (m_ProdStart.date() > m_ProdEnd.date()) {
        const auto it = m_ShiftMap.constFind(shift);
        const bool overnight = it != m_ShiftMap.constEnd() && it->startTime > it->endTime;
        showMessageBox(QMessageBox::Information, tr("提示"),
                       overnight ? tr("您选择的班次时间是隔夜的，请您重新选择一下当前查询的日期，再查询")
                                 : tr("您选择的日期不合理，请您重新选择一下当前查询的日期，再查询"),
                       0);
        m_bHistoryBusy = false;
        return;
    }
    const QString start = ui.label_Time1_History->text();
    const QString end = ui.label_Time2_History->text();
    noteOperation(tr("查询了%1-%2的生产数据").arg(start, end));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QFont font = ui.label_Tab2_Title->font();
    font.setPixelSize(14);
    font.setBold(false);
    ui.label_Tab2_Title->setFont(font);
    ui.label_Tab2_Title->setText(tr("起始时间:%1 到 结束时间:%2 的历史记录").arg(start, end));
    // Not through the "*" of checkHistoryData: a model typed as "*" is a
    // name like any other, as it is for the later pages and the export.
    requestHistory(start, end, model, model == tr("全部"));
    QApplication::restoreOverrideCursor();
    m_bHistoryBusy = false;
}

void hxReport::checkHistoryData(QString start, QString end, QString model)
{
    requestHistory(start, end, model, model == QLatin1String("*"));
}

void hxReport::requestHistory(const QString& start, const QString& end, const QString& model, bool all)
{
    // Later pages continue this query, whatever the widgets say by then.
    m_ProdShown = ShownQuery { start, end, model, all, 0 };
    QVariantMap request;
    request.insert(QStringLiteral("Type"), all ? 2 : 1);
    request.insert(QStringLiteral("time1"), start);
    request.insert(QStringLiteral("time2"), end);
    request.insert(QStringLiteral("name"), all ? QStringLiteral("*") : model);
    request.insert(QStringLiteral("Count"), 1);
    const QString countSql = m_pDetectDB->buildQuerySql(request);

    const int size = pageSize(ui.LineNumber_checkShengchang);
    m_ProdPaging.total = 0;
    m_ProdPaging.offset = 0;
    const QString page = all ? QStringLiteral("select * from wftable where time >'%1' and time <'%2' LIMIT %4 OFFSET %5")
                                   .arg(sqlQuoted(start), sqlQuoted(end), QString::number(size),
                                        QString::number(m_ProdPaging.offset))
                             : QStringLiteral("select * from wftable where time >'%1' and time <'%2' and model = '%3' "
                                              "LIMIT %4 OFFSET %5")
                                   .arg(sqlQuoted(start), sqlQuoted(end), sqlQuoted(model), QString::number(size),
                                        QString::number(m_ProdPaging.offset));
    QVariantMap work;
    work.insert(QStringLiteral("SqlCount"), countSql);
    work.insert(QStringLiteral("SqlCheck"), page);
    work.insert(QStringLiteral("limit"), size);
    emit operateHistory(work);
}

QString hxReport::historySqlBase()
{
    const QString model = ui.comboBox_Model->currentText();
    return productionSql(ShownQuery { ui.label_Time1_History->text(), ui.label_Time2_History->text(), model,
                                      model == tr("全部"), 0 });
}

QString hxReport::productionSql(const ShownQuery& query)
{
    if (query.all)
        return kProductionAll.arg(sqlQuoted(query.start), sqlQuoted(query.end));
    return kProductionModel.arg(sqlQuoted(query.start), sqlQuoted(query.end), sqlQuoted(query.model));
}

void hxReport::onProgressForTsk(QVariantMap m_map)
{
    if (m_map.value(QStringLiteral("Type")).toString() == QLatin1String("start")) {
        const QString title = m_map.contains(QStringLiteral("msg")) ? m_map.value(QStringLiteral("msg")).toString()
                                                                    : tr("正在查询数据");
        m_WaitingDialog.setWindowTitle(title);
        m_WaitingDialog.startProgress(50, 150);
        m_WaitingDialog.show();
    } else {
        m_WaitingDialog.stopProgress();
        m_WaitingDialog.hide();
    }
}

void hxReport::handleResultsHistory(QVariantMap Mapstr, QSqlQuery sql)
{
    fillHistoryTable(sql);
    Paging& p = m_ProdPaging;
    p.total = Mapstr.value(QStringLiteral("sum")).toInt();
    const int size = Mapstr.value(QStringLiteral("limit")).toInt();
    int shown = Mapstr.value(QStringLiteral("nIndex")).toInt();
    const QString start = ui.label_Time1_History->text();
    const QString end = ui.label_Time2_History->text();
    ui.label_Number->setText(QString::number(p.total));
    QFont font = ui.label_Tab2_Title->font();
    font.setPixelSize(14);
    font.setBold(true);
    ui.label_Tab2_Title->setFont(font);
    ui.label_Tab2_Title->setText(tr("起始时间:%1 到 结束时间:%2 的历史记录 共%3条").arg(start, end).arg(p.total));
    ui.Next_checkShengchang->setEnabled(true);
    if (p.total >= 1) {
        p.currentPage = 1;
        p.pageCount = pagesFor(p.total, size);
        shown = p.total;
    } else {
        p.total = 0;
        p.currentPage = 0;
        p.pageCount = 0;
    }
    showPageLabel(ui.showPage_Label_Checkdata, p.currentPage, p.pageCount);
    ui.showNum_Label_Checkdata->setText(tr("共显示%1条记录").arg(shown));
    if (Mapstr.contains(QStringLiteral("error")))
        ui.statusBar->showMessage(tr("查询失败：%1").arg(Mapstr.value(QStringLiteral("error")).toString()));
    else
        onShowMessage(tr("数据查询完成"));
    emit sgPageShown();
}

void hxReport::onHistoryButton()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const bool forward = name == QLatin1String("Next_checkShengchang");
    if (!forward && name != QLatin1String("Prev_checkShengchang"))
        return;
    requestPage(m_ProdPaging, forward, ui.LineNumber_checkShengchang, ui.Prev_checkShengchang,
                ui.Next_checkShengchang, ui.showPage_Label_Checkdata, productionSql(m_ProdShown),
                QStringLiteral(" LIMIT %1 OFFSET %2"),
                SLOT(onUpdateTableViewShow(QSqlQuery)));
}

void hxReport::onUpdateTableViewShow(QSqlQuery sql)
{
    fillHistoryTable(sql);
    emit sgPageShown();
}

void hxReport::fillHistoryTable(QSqlQuery sql)
{
    QTableView* view = ui.tableView_checkShengchang;
    prepareFill(view, m_pProdModel);
    view->horizontalHeader()->setMaximumHeight(100);
    ui.CheckDlg_label_Pic->clear();
    m_pProdModel->setHorizontalHeaderLabels({ tr("日期时间"), tr("匹配型号"), tr("相似度"), tr("消耗时间s"),
                                              tr("直径mm"), tr("厚度mm"), tr("缩略图"), tr("uid") });
    reportQueryError(sql);

    int row = 0;
    QByteArray lastPicture;
    while (sql.next()) {
        const QByteArray pic = sql.value(QStringLiteral("pic")).toByteArray();
        const QImage icon = decodeScaled(pic, QSize(kIconSize, kIconSize), Qt::IgnoreAspectRatio);
        auto* picItem = new QStandardItem;
        if (!icon.isNull())
            picItem->setIcon(QIcon(QPixmap::fromImage(icon)));
        auto* timeItem = new QStandardItem(sql.value(QStringLiteral("time")).toString());
        timeItem->setToolTip(timeItem->text());
        m_pProdModel->setItem(row, 0, timeItem);
        m_pProdModel->setItem(row, 1, new QStandardItem(sql.value(QStringLiteral("model")).toString()));
        m_pProdModel->setItem(row, 2, new QStandardItem(CsvWriter::percent(sql.value(QStringLiteral("correlate")).toDouble())));
        m_pProdModel->setItem(row, 3, new QStandardItem(CsvWriter::fixed3(sql.value(QStringLiteral("detecttime")).toDouble())));
        m_pProdModel->setItem(row, 4, new QStandardItem(CsvWriter::fixed3(sql.value(QStringLiteral("diameter")).toDouble())));
        m_pProdModel->setItem(row, 5, new QStandardItem(CsvWriter::fixed3(sql.value(QStringLiteral("hight")).toDouble())));
        m_pProdModel->setItem(row, 6, picItem);
        m_pProdModel->setItem(row, 7, new QStandardItem(sql.value(QStringLiteral("uid")).toString()));
        lastPicture = pic;
        ++row;
    }
    // The label ends up showing the last row's picture; decoding only that one
    // gives the same screen for less work.
    const QImage picture = decodeScaled(lastPicture, QSize(kPictureSize, kPictureSize), Qt::IgnoreAspectRatio);
    if (!picture.isNull())
        ui.CheckDlg_label_Pic->setPixmap(QPixmap::fromImage(picture));
    ui.showNum_Label_Checkdata->setText(tr("共显示%1条记录").arg(row));
    view->setModel(m_pProdModel);
    view->hideColumn(7);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // An even share of the width is less than a whole time at the window's own
    // size; the time column takes what its texts need, the others stretch.
    view->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    if (!m_bTableClickConnected) {
        connect(view, SIGNAL(doubleClicked(QModelIndex)), this, SLOT(onTableViewClick(QModelIndex)));
        m_bTableClickConnected = true;
    }
}

void hxReport::onTableViewClick(QModelIndex mIndex)
{
    if (!sender() || sender()->objectName() != QLatin1String("tableView_checkShengchang") || !m_pProdModel)
        return;
    const QString uid = m_pProdModel->index(mIndex.row(), 7).data(Qt::DisplayRole).toString();
    if (!m_pDetectDB)
        return;
    QVariantMap request;
    request.insert(QStringLiteral("uid"), uid);
    request.insert(QStringLiteral("Type"), 5);
    startCheckThread(m_pDetectDB->buildQuerySql(request), 0, SIGNAL(resultReady(QSqlQuery)),
                     SLOT(onSlowPixmap(QSqlQuery)));
}

void hxReport::onSlowPixmap(QSqlQuery sql)
{
    if (m_bPicBusy)
        return;
    m_bPicBusy = true;
    QImage picture;
    if (sql.first())
        picture = decodeScaled(sql.value(QStringLiteral("pic")).toByteArray(), QSize(kPictureSize, kPictureSize),
                               Qt::KeepAspectRatio);
    if (picture.isNull())
        ui.CheckDlg_label_Pic->clear();
    else
        ui.CheckDlg_label_Pic->setPixmap(QPixmap::fromImage(picture));
    reportQueryError(sql);
    m_bPicBusy = false;
    emit sgPictureShown();
}

void hxReport::onResultCount(int nCount)
{
    m_ProdPaging.total = nCount;
    emit sgFinish();
}

// ---------------------------------------------------------------- log page

void hxReport::logQuery()
{
    if (m_bLogBusy) {
        showMessageBox(QMessageBox::Information, tr("提示"), tr("正在查询数据，请稍后"), 0);
        return;
    }
    m_bLogBusy = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString start = ui.label_Time1_warning->text();
    const QString end = ui.label_Time2_warning->text();
    noteOperation(tr("查询了%1-%2的日志数据").arg(start, end));
    const int kind = logKind();
    QFont font = ui.label_Tab3_Title->font();
    font.setPixelSize(14);
    font.setBold(false);
    ui.label_Tab3_Title->setFont(font);
    ui.label_Tab3_Title->setText(tr("起始时间:%1 到 结束时间:%2 的历史记录").arg(start, end));
    checkLogData(kind, start, end);
    QApplication::restoreOverrideCursor();
    m_bLogBusy = false;
}

int hxReport::logKind() const
{
    const QString text = ui.comboBox_Wandring_Log->currentText();
    if (text == tr("使用记录查询"))
        return 5;
    if (text == tr("报警记录查询"))
        return 1;
    if (text == tr("运行状态查询"))
        return 4;
    return 0;
}

QString hxReport::logSql(bool withCount)
{
    return logSql(ShownQuery { ui.label_Time1_warning->text(), ui.label_Time2_warning->text(), QString(), false,
                               logKind() },
                  withCount);
}

QString hxReport::logSql(const ShownQuery& query, bool withCount)
{
    QVariantMap request;
    request.insert(QStringLiteral("time1"), query.start);
    request.insert(QStringLiteral("time2"), query.end);
    request.insert(QStringLiteral("logType"), query.kind);
    request.insert(QStringLiteral("Type"), 3);
    if (withCount)
        request.insert(QStringLiteral("Count"), 1);
    return m_pDetectDB->buildQuerySql(request);
}

void hxReport::checkLogData(int kind, QString start, QString end)
{
    // Later pages continue this query, whatever the widgets say by then.
    m_LogShown = ShownQuery { start, end, QString(), false, kind };
    const QString countSql = logSql(m_LogShown, true);
    m_LogPaging.offset = 0;
    m_LogPaging.total = 0;
    startCheckThread(countSql, 1, SIGNAL(resultCount(int)), SLOT(onResultCountlog(int)));
    if (!waitForFinish(tr("正在查询记录，请稍等")))
        return;

    const int size = pageSize(ui.LineNumber_log);
    const QString rows = logSql(m_LogShown, false) + QStringLiteral(" LIMIT %1 OFFSET %2 ").arg(size).arg(m_LogPaging.offset);
    startCheckThread(rows, 0, SIGNAL(resultReady(QSqlQuery)), SLOT(onUpdateTableViewShowlog(QSqlQuery)));

    Paging& p = m_LogPaging;
    QFont font = ui.label_Tab3_Title->font();
    font.setPixelSize(14);
    font.setBold(true);
    ui.label_Tab3_Title->setFont(font);
    ui.label_Tab3_Title->setText(tr("从%1 到 %2 的记录 共%3条").arg(start, end).arg(p.total));
    ui.Next_checklog->setEnabled(true);
    if (p.total >= 1) {
        p.currentPage = 1;
        p.pageCount = pagesFor(p.total, size);
    } else {
        p.total = 0;
        p.currentPage = 0;
        p.pageCount = 0;
    }
    showPageLabel(ui.showPage_Label_Checkdata_2, p.currentPage, p.pageCount);
}

void hxReport::onResultCountlog(int nCount)
{
    m_LogPaging.total = nCount;
    emit sgFinish();
}

void hxReport::onLogButton()
{
    const QString name = sender() ? sender()->objectName() : QString();
    const bool forward = name == QLatin1String("Next_checklog");
    if (!forward && name != QLatin1String("Prev_checklog"))
        return;
    requestPage(m_LogPaging, forward, ui.LineNumber_log, ui.Prev_checklog, ui.Next_checklog,
                ui.showPage_Label_Checkdata_2, logSql(m_LogShown, false), QStringLiteral(" LIMIT %1 OFFSET %2 "),
                SLOT(onUpdateTableViewShowlog(QSqlQuery)));
}

void hxReport::onUpdateTableViewShowlog(QSqlQuery sql)
{
    fillLogTable(sql);
    emit sgPageShown();
}

void hxReport::fillLogTable(QSqlQuery sql)
{
    QTableView* view = ui.tableView_TWarning;
    prepareFill(view, m_pLogModel);
    m_pLogModel->setHorizontalHeaderLabels({ tr("时间"), tr("信息") });
    reportQueryError(sql);
    int row = 0;
    while (sql.next()) {
        m_pLogModel->setItem(row, 0, new QStandardItem(sql.value(QStringLiteral("time")).toString()));
        m_pLogModel->setItem(row, 1, new QStandardItem(sql.value(QStringLiteral("message")).toString()));
        ++row;
    }
    ui.showNum_Label_Checkdata_2->setText(tr("共显示%1条记录").arg(row));
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view->setModel(m_pLogModel);
}

// ---------------------------------------------------------------- statistics page

void hxReport::statisticsQuery()
{
    if (m_bStatBusy) {
        showMessageBox(QMessageBox::Information, tr("提示"), tr("正在查询数据，请稍后"), 0);
        return;
    }
    m_bStatBusy = true;
    const QString shift = ui.comboBox_Banci_Calculate->currentText();
    if (m_StatStart.date() > m_StatEnd.date()) {
        QString message;
        const auto it = m_ShiftMap.constFind(shift);
        if (it != m_ShiftMap.constEnd())
            message = it->startTime > it->endTime
                ? tr("您选择的班次时间是隔夜的，请您重新选择一下当前查询的日期，再查询")
                : tr("您选择的日期不合理，请您重新起始日期，再查询");
        else
            message = tr("您选择的日期不合理，请您重新选择一下当前查询的日期，再查询");
        showMessageBox(QMessageBox::Information, tr("提示"), message, 0);
        m_bStatBusy = false;
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    startCountQuery(ui.label_Time1_Count->text(), ui.label_Time2_Count->text());
    QApplication::restoreOverrideCursor();
    m_bStatBusy = false;
}

void hxReport::startCountQuery(QString time1, QString time2)
{
    if (m_bCounting)
        return;
    m_bCounting = true;
    m_countMap.clear();
    m_CountStart = QDateTime::fromString(time1, kTimeFormat);
    m_CountEnd = QDateTime::fromString(time2, kTimeFormat);
    QVariantMap request;
    request.insert(QStringLiteral("Type"), 4);
    request.insert(QStringLiteral("time1"), time1);
    request.insert(QStringLiteral("time2"), time2);
    request.insert(QStringLiteral("CheckType"), QStringLiteral("Count"));
    const QString records = m_pDetectDB->buildQuerySql(request);
    request.insert(QStringLiteral("Count"), 1);
    const QString count = m_pDetectDB->buildQuerySql(request);
    QVariantMap work;
    work.insert(QStringLiteral("SqlCount"), count);
    work.insert(QStringLiteral("SqlCheck"), records);
    emit operateCount(work);
}

void hxReport::handleResultsCount(QString result, const QMap<QString, int>* p)
{
    m_pReportWidget->clearReport();
    m_pReportWidget->setTitle(tr("统计结果 "));
    if (!p) {
        m_bCounting = false;
        return;
    }
    QMap<QString, int> counts = *p;
    m_pReportWidget->SetData(counts);
    m_countMap = counts;
    if (!counts.contains(QStringLiteral("NG")))
        m_pReportWidget->addRow(QStringLiteral("NG"), 0, true);
    m_pReportWidget->addRow(tr("总数"), result.toInt(), true);
    m_pReportWidget->updateTable();
    m_bCounting = false;
    delete p;
    emit sgPageShown();
}

// ---------------------------------------------------------------- export

QString hxReport::defaultCsvName(const QString& prefix)
{
    return QStringLiteral("%1_%2.csv").arg(prefix, QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd")));
}

QString hxReport::askSaveFileName(const QString& defaultName)
{
    auto* dialog = new QFileDialog(nullptr, QString(), defaultName, QString());
    dialog->setWindowTitle(QStringLiteral("Save As"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setViewMode(QFileDialog::Detail);
    dialog->setGeometry(10, 30, 300, 200);
    // At 300 x 200 the name field shows a few letters only; the dialog keeps
    // its place but grows to where a typed name stays readable.
    dialog->setMinimumSize(640, 420);
    dialog->setDirectory(QStringLiteral("."));
    dialog->setNameFilter(QStringLiteral("Execl(*.csv)"));
    dialog->selectFile(defaultName);
    QString fileName;
    if (dialog->exec() == QDialog::Accepted && !dialog->selectedFiles().isEmpty())
        fileName = dialog->selectedFiles().constFirst();
    delete dialog;
    return fileName;
}

void hxReport::exportRecords(int nType)
{
    QStandardItemModel* model = nType == 0 ? m_pProdModel : m_pLogModel;
    if (!model || model->rowCount() < 1) {
        showMessageBox(QMessageBox::Warning, tr("提示"), tr("没有数据，请重新查询"), 0);
        return;
    }
    const QString fileName = askSaveFileName(defaultCsvName(nType == 0 ? QStringLiteral("History") : QStringLiteral("WarnMessage")));
    if (fileName.isEmpty())
        return;
    auto* thread = new QSaveCSVThread(nullptr);
    if (nType == 0) {
        thread->setHeader(ui.label_Tab2_Title->text(), QStringLiteral("username"));
        thread->setTask(m_pDetectDB, historySqlBase(), fileName, 0);
        const QString model = ui.comboBox_Model->currentText();
        thread->setChunks(ExportQuery::production(ui.label_Time1_History->text(), ui.label_Time2_History->text(),
                                                  model == tr("全部") ? QString() : model));
    } else {
        thread->setHeader(ui.label_Tab3_Title->text(), QStringLiteral("username"));
        thread->setTask(m_pDetectDB, logSql(false), fileName, 1);
        thread->setChunks(ExportQuery::log(ui.label_Time1_warning->text(), ui.label_Time2_warning->text(), logKind()));
    }
    m_bExportOk = false;
    connect(thread, SIGNAL(resultReady(int)), this, SLOT(onSaveCSVDone(int)));
    connect(thread, SIGNAL(finished()), thread, SLOT(deleteLater()));
    trackThread(thread);
    thread->start();
    if (!waitForFinish(tr("正在导出数据，请稍等")))
        return;
    if (m_bExportOk)
        showMessageBox(QMessageBox::Information, tr("提示"), tr("数据导出完成"), 0);
    else
        showMessageBox(QMessageBox::Warning, tr("提示"), tr("数据导出失败：%1").arg(m_ExportError), 0);
    emit sgExportDone(m_bExportOk);
}

void hxReport::onSaveCSVDone(int)
{
    // The thread object is still alive here: its deleteLater() is queued after
    // this call.
    if (auto* thread = qobject_cast<QSaveCSVThread*>(sender())) {
        m_bExportOk = thread->succeeded();
        m_ExportError = thread->errorString();
    }
    emit sgFinish();
}

void hxReport::exportStatistics()
{
    if (m_countMap.size() < 1) {
        showMessageBox(QMessageBox::Warning, tr("提示"), tr("没有数据，请重新查询"), 0);
        return;
    }
    const QString fileName = askSaveFileName(defaultCsvName(QStringLiteral("Data")));
    if (fileName.isEmpty())
        return;
    // The save dialog has asked before an existing file is chosen, so the
    // user wants it replaced, not added to.
    const bool ok = writeCountFile(fileName, &m_countMap, true);
    if (ok)
        showMessageBox(QMessageBox::Information, tr("提示"), tr("数据导出完成"), 0);
    else
        showMessageBox(QMessageBox::Warning, tr("提示"), tr("数据导出失败：%1").arg(m_ExportError), 0);
    emit sgExportDone(ok);
}

bool hxReport::writeCountCsv(QString fileName, const QMap<QString, int>* counts)
{
    return writeCountFile(fileName, counts, false);
}

bool hxReport::writeCountFile(const QString& fileName, const QMap<QString, int>* counts, bool replace)
{
    // Replacing goes through QSaveFile, so a failed write keeps the old file
    // whole; appending (the older way) adds a block to what is there.
    QSaveFile saveFile(fileName);
    QFile appendFile(fileName);
    QFileDevice& file = replace ? static_cast<QFileDevice&>(saveFile) : appendFile;
    const QIODevice::OpenMode mode = replace ? QIODevice::WriteOnly | QIODevice::Text
                                             : QIODevice::WriteOnly | QIODevice::Text | QIODevice::Append;
    if (!counts || !file.open(mode)) {
        m_ExportError = file.errorString();
        return false;
    }
    CsvWriter csv(&file);
    csv.writeCounts(m_CountStart, m_CountEnd, *counts, QDateTime::currentDateTime());
    if (!csv.ok()) {
        m_ExportError = csv.errorString();
        return false;
    }
    if (replace && !saveFile.commit()) {
        m_ExportError = saveFile.errorString();
        return false;
    }
    return true;
}
