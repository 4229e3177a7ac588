#include "qualitypage.h"

#include "apppaths.h"
#include "exportrunner.h"
#include "measurelimits.h"
#include "pagechecks.h"
#include "pagehost.h"
#include "pagelayout.h"
#include "qualitycharts.h"
#include "qualitythread.h"
#include "trendtablemodel.h"
#include "waitingdialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDate>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QtCharts/QChartView>

using namespace QtCharts;

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
// The other pages' looks (their form's style sheets).
const QString kTitleStyle
    = QStringLiteral("font: 75 12pt \"Consolas\";\nbackground-color: rgb(170, 170, 127);");
const QString kTimeStyle
    = QStringLiteral("font: 75 12pt \"Consolas\";\nbackground-color: rgb(255, 255, 255);");
const QString kButtonStyle
    = QStringLiteral("background-color: rgb(85, 255, 0);\nfont: 75 12pt \"Consolas\";");
const int kBins = 20;

QPushButton* button(const char* name, const QString& text)
{
    auto* b = new QPushButton(text);
    b->setObjectName(QLatin1String(name));
    b->setMinimumHeight(30);
    b->setStyleSheet(kButtonStyle);
    return b;
}

QLabel* title(const QString& text)
{
    auto* l = new QLabel(text);
    l->setStyleSheet(kTitleStyle);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QTableView* table(const char* name)
{
    auto* view = new QTableView;
    view->setObjectName(QLatin1String(name));
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setAlternatingRowColors(true);
    view->verticalHeader()->setDefaultSectionSize(22);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    return view;
}

// The automatic period's text once a query chose size.
QString autoText(const QString& size)
{
    return QCoreApplication::translate("hxReport", "自动") + QStringLiteral(" (") + size + QLatin1Char(')');
}

// A limit field: empty for none; false when the text is no number.
bool readLimit(const QLineEdit* edit, bool* has, double* value)
{
    const QString text = edit->text().trimmed();
    *has = !text.isEmpty();
    if (!*has)
        return true;
    bool ok = false;
    *value = text.toDouble(&ok);
    *has = ok && qIsFinite(*value);
    return *has;
}
}

QualityPage::QualityPage(
    PageHost* host, const QString& stationPath, const StationShifts* shifts, QWidget* parent)
    : QWidget(parent)
    , m_pHost(host)
    , m_StationPath(stationPath)
    , m_pShifts(shifts)
{
    setObjectName(QStringLiteral("page_Quality"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(11, 11, 11, 11);
    layout->setSpacing(6);
    layout->addWidget(buildControls());
    m_pTabs = new QTabWidget;
    m_pTabs->setObjectName(QStringLiteral("tabWidget_Quality"));
    m_pTabs->addTab(buildTrendTab(), QCoreApplication::translate("hxReport", "趋势"));
    m_pTabs->addTab(buildMeasureTab(), QCoreApplication::translate("hxReport", "测量值"));
    layout->addWidget(m_pTabs, 1);

    m_Ranges.addRange({ "pushButton_Set1_Quality", &m_Start, m_pTime1 },
        { "pushButton_Set2_Quality", &m_End, m_pTime2 }, "comboBox_Banci_Quality");
    // The first fill chooses whole days; the page starts at today until now.
    fillShifts();
    const QDateTime now = QDateTime::currentDateTime();
    m_Ranges.setTime(QStringLiteral("pushButton_Set1_Quality"), QDateTime(now.date(), QTime(0, 0)));
    m_Ranges.setTime(QStringLiteral("pushButton_Set2_Quality"), now);
    setModels({});
}

QualityPage::~QualityPage()
{
    if (m_pThread) {
        m_pThread->cancel();
        m_pThread->wait();
    }
}

QWidget* QualityPage::buildControls()
{
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    m_pGrid = grid;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(6);
    m_pTime1 = new QLabel;
    m_pTime1->setObjectName(QStringLiteral("label_Time1_Quality"));
    m_pTime2 = new QLabel;
    m_pTime2->setObjectName(QStringLiteral("label_Time2_Quality"));
    for (QLabel* l : { m_pTime1, m_pTime2 }) {
        l->setMinimumHeight(30);
        l->setStyleSheet(kTimeStyle);
        l->setAlignment(Qt::AlignCenter);
    }
    QPushButton* set1
        = button("pushButton_Set1_Quality", QCoreApplication::translate("hxReport", "设置开始时间"));
    QPushButton* set2
        = button("pushButton_Set2_Quality", QCoreApplication::translate("hxReport", "设置结束时间"));
    connect(set1, &QPushButton::clicked, this, &QualityPage::onEditTime);
    connect(set2, &QPushButton::clicked, this, &QualityPage::onEditTime);

    m_pShift = new QComboBox;
    m_pShift->setObjectName(QStringLiteral("comboBox_Banci_Quality"));
    m_pModel = new QComboBox;
    m_pModel->setObjectName(QStringLiteral("comboBox_Model_Quality"));
    m_pSize = new QComboBox;
    m_pSize->setObjectName(QStringLiteral("comboBox_Period_Quality"));
    // In the order of TrendBuckets::Size.
    m_pSize->addItems({ QCoreApplication::translate("hxReport", "自动"),
        QCoreApplication::translate("hxReport", "每小时"), QCoreApplication::translate("hxReport", "每班次"),
        QCoreApplication::translate("hxReport", "每天") });
    for (QComboBox* c : { m_pShift, m_pModel, m_pSize }) {
        c->setMinimumHeight(30);
        c->setStyleSheet(QStringLiteral("font: 75 12pt \"Consolas\";"));
    }
    // Boxes keep one width whatever they hold, so that a query or a new
    // list never moves the row: the shift and model boxes as wide as their
    // first choices need (a longer name shows whole in the open list).
    PageLayout::fitTexts(m_pShift,
        { QCoreApplication::translate("hxReport", "全天"), QCoreApplication::translate("hxReport", "全部"),
            QStringLiteral("MMMMMMMM") });
    PageLayout::fitTexts(m_pModel,
        { QCoreApplication::translate("hxReport", "全天"), QCoreApplication::translate("hxReport", "全部"),
            QStringLiteral("MMMMMMMM") });
    // The period box holds its widest text from the start: "自动 (每小时)"
    // after a query must not move the row's other controls.
    QStringList periods;
    for (int i = 0; i < m_pSize->count(); ++i)
        periods << m_pSize->itemText(i) << autoText(m_pSize->itemText(i));
    PageLayout::fitTexts(m_pSize, periods);
    connect(m_pShift, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &QualityPage::onShiftChosen);
    QPushButton* check = button("pushButton_Check_Quality", QCoreApplication::translate("hxReport", "查询"));
    connect(check, &QPushButton::clicked, this, &QualityPage::query);

    grid->addWidget(title(QCoreApplication::translate("hxReport", "开始日期时间：")), 0, 0);
    grid->addWidget(m_pTime1, 0, 1);
    grid->addWidget(set1, 0, 2);
    grid->addWidget(title(QCoreApplication::translate("hxReport", "生产班次")), 0, 3);
    grid->addWidget(m_pShift, 0, 4);
    grid->addWidget(title(QCoreApplication::translate("hxReport", "时段")), 0, 5);
    grid->addWidget(m_pSize, 0, 6);
    grid->addWidget(title(QCoreApplication::translate("hxReport", "结束日期时间：")), 1, 0);
    grid->addWidget(m_pTime2, 1, 1);
    grid->addWidget(set2, 1, 2);
    grid->addWidget(title(QCoreApplication::translate("hxReport", "型号")), 1, 3);
    grid->addWidget(m_pModel, 1, 4);
    grid->addWidget(check, 1, 5, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(4, 1);
    return box;
}

QWidget* QualityPage::buildTrendTab()
{
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(4, 4, 4, 4);
    m_pTrendChart = QualityCharts::chartView("chartView_Trend");
    m_pTrendTable = table("tableView_Trend");
    m_pTrendModel = new TrendTableModel(this);
    m_pTrendTable->setModel(m_pTrendModel);
    layout->addWidget(m_pTrendChart, 3);
    layout->addWidget(m_pTrendTable, 2);
    auto* row = new QHBoxLayout;
    m_pTrendInfo = new QLabel;
    m_pTrendInfo->setObjectName(QStringLiteral("label_Trend_Quality"));
    m_pTrendInfo->setWordWrap(true);
    row->addWidget(m_pTrendInfo, 1);
    for (auto* b : { button("pushButton_SaveTrendCsv", QCoreApplication::translate("hxReport", "导出CSV")),
             button("pushButton_SaveTrendPng", QCoreApplication::translate("hxReport", "导出图片")) }) {
        connect(b, &QPushButton::clicked, this, &QualityPage::onExport);
        row->addWidget(b);
    }
    layout->addLayout(row);
    return tab;
}

QWidget* QualityPage::buildMeasureTab()
{
    auto* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* row = new QHBoxLayout;
    m_pMeasure = new QComboBox;
    m_pMeasure->setObjectName(QStringLiteral("comboBox_Measure_Quality"));
    for (int m = 0; m < QualityAnalysis::MeasureCount; ++m)
        m_pMeasure->addItem(QualityTables::measureName(m));
    connect(m_pMeasure, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this] {
        // The limit fields show the chosen measure's limits.
        const MeasureLimits& l = m_Limits[m_pMeasure->currentIndex()];
        const QSignalBlocker lower(m_pLower);
        const QSignalBlocker upper(m_pUpper);
        m_pLower->setText(l.hasLower ? QString::number(l.lower) : QString());
        m_pUpper->setText(l.hasUpper ? QString::number(l.upper) : QString());
        showHistogram();
    });
    m_pLower = new QLineEdit;
    m_pLower->setObjectName(QStringLiteral("lineEdit_Lower_Quality"));
    m_pUpper = new QLineEdit;
    m_pUpper->setObjectName(QStringLiteral("lineEdit_Upper_Quality"));
    for (QLineEdit* e : { m_pLower, m_pUpper }) {
        e->setMaximumWidth(90);
        connect(e, &QLineEdit::editingFinished, this, &QualityPage::onLimitsEdited);
    }
    row->addWidget(new QLabel(QCoreApplication::translate("hxReport", "测量项")));
    row->addWidget(m_pMeasure);
    row->addWidget(new QLabel(QCoreApplication::translate("hxReport", "下限")));
    row->addWidget(m_pLower);
    row->addWidget(new QLabel(QCoreApplication::translate("hxReport", "上限")));
    row->addWidget(m_pUpper);
    row->addStretch(1);
    for (auto* b : { button("pushButton_SaveMeasureCsv", QCoreApplication::translate("hxReport", "导出CSV")),
             button("pushButton_SaveMeasurePng", QCoreApplication::translate("hxReport", "导出图片")) }) {
        connect(b, &QPushButton::clicked, this, &QualityPage::onExport);
        row->addWidget(b);
    }
    layout->addLayout(row);
    auto* body = new QHBoxLayout;
    m_pMeasureTable = table("tableView_Measure");
    m_pMeasureModel = new QStandardItemModel(this);
    m_pMeasureTable->setModel(m_pMeasureModel);
    m_pMeasureTable->verticalHeader()->hide();
    m_pMeasureChart = QualityCharts::chartView("chartView_Measure");
    body->addWidget(m_pMeasureTable, 6);
    body->addWidget(m_pMeasureChart, 4);
    layout->addLayout(body, 1);
    return tab;
}

void QualityPage::setModels(const QStringList& models)
{
    m_pModel->clear();
    m_pModel->addItem(QCoreApplication::translate("hxReport", "全部"));
    m_pModel->addItems(models);
}

void QualityPage::fillShifts()
{
    const QString station = PageChecks::chosenStation(m_pStation);
    const QString gone
        = m_Ranges.fillShifts(m_pShift, m_pShifts ? m_pShifts->of(station) : QMap<QString, ShiftRecord>(),
            QCoreApplication::translate("hxReport", "全天"), QTime(0, 0, 0), QTime(23, 59, 59));
    if (!gone.isEmpty())
        m_pHost->showStatus(PageChecks::shiftGone(station, gone));
}

void QualityPage::setIndexReader(const IndexReader& reader)
{
    m_Index = reader;
    m_bWithIndex = true;
}

void QualityPage::setPlantServer(const DataBaseSql* plant, const QStringList& stations)
{
    m_pPlant = plant;
    if (!m_pStation) {
        // A row of its own under the model: beside it the first row would
        // no longer fit the window.
        // In the window's font, as on the other pages: the titles' font
        // would widen the column past the window in English.
        auto* label = new QLabel(QCoreApplication::translate("hxReport", "工位"));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setObjectName(QStringLiteral("comboBox_Station_Quality_Label"));
        m_pStation = new QComboBox;
        m_pStation->setObjectName(QStringLiteral("comboBox_Station_Quality"));
        m_pStation->setMinimumHeight(30);
        m_pStation->setStyleSheet(m_pModel->styleSheet());
        m_pStation->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        m_pStation->setMinimumContentsLength(7);
        m_pGrid->addWidget(label, 2, 3);
        m_pGrid->addWidget(m_pStation, 2, 4);
    }
    const QSignalBlocker block(m_pStation);
    PageChecks::fillStations(m_pStation, stations);
    connect(m_pStation, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &QualityPage::onStationChosen, Qt::UniqueConnection);
    fillShifts(); // "全部" again
}

void QualityPage::onStationChosen()
{
    fillShifts();
}

void QualityPage::onEditTime()
{
    m_Ranges.editTime(sender() ? sender()->objectName() : QString());
}

void QualityPage::onShiftChosen()
{
    m_Ranges.applyShift(
        m_pShift, QCoreApplication::translate("hxReport", "全天"), QTime(0, 0, 0), QTime(23, 59, 59));
}

void QualityPage::query()
{
    if (PageChecks::refuseWhileBusy(m_pHost, m_bBusy))
        return;
    const QMap<QString, ShiftRecord> shifts = m_Ranges.shifts(m_pShift);
    const QString problem = PageChecks::dateProblem(m_Start, m_End, shifts, m_pShift->currentText(), false);
    if (!problem.isEmpty()) {
        m_pHost->showMessageBox(
            QMessageBox::Information, QCoreApplication::translate("hxReport", "提示"), problem, 0);
        return;
    }
    const QDateTime start = QDateTime::fromString(m_pTime1->text(), kTimeFormat);
    const QDateTime end = QDateTime::fromString(m_pTime2->text(), kTimeFormat);
    const QString tooLong = PageChecks::trendProblem(TrendBuckets::Size(m_pSize->currentIndex()), start, end);
    if (!tooLong.isEmpty()) {
        m_pHost->showMessageBox(
            QMessageBox::Information, QCoreApplication::translate("hxReport", "提示"), tooLong, 0);
        return;
    }
    m_bBusy = true;
    QualityRequest request;
    // As the labels show them: the texts are what the records are compared with.
    request.start = start;
    request.end = end;
    request.model = m_pModel->currentIndex() == 0 ? QString() : m_pModel->currentText();
    request.size = TrendBuckets::Size(m_pSize->currentIndex());
    request.shifts = shifts;

    m_pThread = m_pPlant
        ? std::make_unique<QualityThread>(m_pPlant, PageChecks::chosenStation(m_pStation), request)
        : std::make_unique<QualityThread>(m_StationPath, request, m_bWithIndex, m_Index);
    QualityThread* thread = m_pThread.get();
    WaitingDialog::runThread(
        thread, QCoreApplication::translate("hxReport", "正在分析数据"), [thread] { thread->cancel(); });

    // A cancelled or failed pass leaves the page as it was.
    bool shown = false;
    if (thread->isCancelled()) {
        m_pHost->showStatus(QCoreApplication::translate("hxReport", "已取消"));
    } else if (!thread->ok()) {
        m_pHost->showMessageBox(QMessageBox::Warning, QCoreApplication::translate("hxReport", "提示"),
            QCoreApplication::translate("hxReport", "分析失败：%1").arg(thread->errorString()), 0);
    } else {
        m_Result = thread->result();
        m_bHasResult = true;
        showResult();
        shown = true;
    }
    m_pThread.reset();
    m_bBusy = false;
    if (shown)
        emit sgShown();
}

void QualityPage::showResult()
{
    // Each model's limits are remembered in the settings file: a model's
    // result shows the limits set for it, none when there are none (the shift
    // report reads them too).
    if (!m_Result.request.model.isEmpty()) {
        MeasureLimitStore::read(AppPaths::settingsFile(), m_Result.request.model, m_Limits);
        const MeasureLimits& l = m_Limits[m_pMeasure->currentIndex()];
        const QSignalBlocker lower(m_pLower);
        const QSignalBlocker upper(m_pUpper);
        m_pLower->setText(l.hasLower ? QString::number(l.lower) : QString());
        m_pUpper->setText(l.hasUpper ? QString::number(l.upper) : QString());
    }
    m_pTrendModel->setResult(&m_Result);
    const QString model = m_Result.request.model.isEmpty() ? QCoreApplication::translate("hxReport", "全部")
                                                           : m_Result.request.model;
    QString info
        = QCoreApplication::translate("hxReport", "型号：%1  记录：%2").arg(model).arg(m_Result.total);
    if (!m_Result.request.model.isEmpty())
        info += QStringLiteral("    ") + QualityTables::ngNote();
    m_pTrendInfo->setText(info);
    {
        const QSignalBlocker block(m_pSize);
        m_pSize->setItemText(0, autoText(m_pSize->itemText(int(m_Result.size))));
    }
    showTrendChart();
    fillMeasureTable();
    showHistogram();
}

void QualityPage::showTrendChart()
{
    QualityCharts::drawTrend(m_pTrendChart, m_Result);
}

void QualityPage::fillMeasureTable()
{
    m_pMeasureModel->clear();
    m_pMeasureModel->setHorizontalHeaderLabels(QualityTables::measureHeader());
    // The figures' names keep their room; the measures share the rest.
    m_pMeasureTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_pMeasureTable->clearSpans();
    if (!m_bHasResult)
        return;
    if (!m_Result.measured) {
        // Where the numbers would be: all models' measurements mean nothing.
        auto* note = new QStandardItem(QualityTables::measuredNote());
        note->setTextAlignment(Qt::AlignCenter);
        m_pMeasureModel->appendRow(note);
        // The note's width must not squeeze the measures' headers.
        m_pMeasureTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
        m_pMeasureTable->setSpan(0, 0, 1, m_pMeasureModel->columnCount());
        return;
    }
    for (int row = 0; row < QualityTables::measureRowCount(); ++row) {
        QList<QStandardItem*> items;
        const QStringList cells = QualityTables::measureRow(m_Result, m_Limits, row);
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QStandardItem(cells[c]);
            item->setTextAlignment(
                c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
            items << item;
        }
        m_pMeasureModel->appendRow(items);
    }
}

void QualityPage::showHistogram()
{
    QChart* chart = QualityCharts::newChart(m_pMeasureChart);
    if (!m_bHasResult)
        return;
    if (!m_Result.measured) {
        chart->setTitle(QualityTables::measuredNote());
        return;
    }
    const int measure = m_pMeasure->currentIndex();
    const MeasureStats& stats = m_Result.measures[measure];
    chart->setTitle(QualityTables::measureHeader().value(measure + 1));
    QualityCharts::drawHistogram(chart, stats, kBins, QualityTables::measureScale(measure));
}

void QualityPage::onLimitsEdited()
{
    MeasureLimits l;
    const bool lowerOk = readLimit(m_pLower, &l.hasLower, &l.lower);
    const bool upperOk = readLimit(m_pUpper, &l.hasUpper, &l.upper);
    if (!lowerOk || !upperOk || (l.hasLower && l.hasUpper && l.lower > l.upper)) {
        m_pHost->showStatus(
            QCoreApplication::translate("hxReport", "限值无效：下限和上限须为数字，且下限不大于上限"));
        l = MeasureLimits();
    } else {
        m_pHost->showStatus(QString());
    }
    m_Limits[m_pMeasure->currentIndex()] = l;
    if (m_bHasResult && !m_Result.request.model.isEmpty())
        MeasureLimitStore::write(AppPaths::settingsFile(), m_Result.request.model, m_Limits);
    fillMeasureTable();
}

QString QualityPage::titleOf(const QString& view) const
{
    const QString model = m_Result.request.model.isEmpty() ? QCoreApplication::translate("hxReport", "全部")
                                                           : m_Result.request.model;
    return QCoreApplication::translate("hxReport", "%1：%2 至 %3，型号 %4")
        .arg(view, m_Result.request.start.toString(kTimeFormat), m_Result.request.end.toString(kTimeFormat),
            model);
}

bool QualityPage::exportTrendCsv(const QString& fileName)
{
    QVector<QStringList> rows;
    for (int r = 0; r < QualityTables::trendRowCount(m_Result); ++r)
        rows << QualityTables::trendRow(m_Result, r);
    QString error;
    const bool ok = QualityTables::writeCsv(fileName,
        titleOf(QCoreApplication::translate("hxReport", "趋势")), QualityTables::trendHeader(), rows, &error);
    if (!ok)
        m_pHost->showStatus(error);
    return ok;
}

bool QualityPage::exportMeasureCsv(const QString& fileName)
{
    QVector<QStringList> rows;
    for (int r = 0; r < QualityTables::measureRowCount(); ++r)
        rows << QualityTables::measureRow(m_Result, m_Limits, r);
    QString error;
    const bool ok
        = QualityTables::writeCsv(fileName, titleOf(QCoreApplication::translate("hxReport", "测量值")),
            QualityTables::measureHeader(), rows, &error);
    if (!ok)
        m_pHost->showStatus(error);
    return ok;
}

bool QualityPage::exportTrendPng(const QString& fileName)
{
    return m_pTrendChart->grab().save(fileName, "PNG");
}

bool QualityPage::exportMeasurePng(const QString& fileName)
{
    return m_pMeasureChart->grab().save(fileName, "PNG");
}

QString QualityPage::askFileName(const QString& defaultName, bool png)
{
    if (!png)
        return ExportRunner::askSaveFileName(defaultName);
    QFileDialog dialog(nullptr, QString(), defaultName, QString());
    dialog.setWindowTitle(QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setMinimumSize(640, 420);
    dialog.setDirectory(QStringLiteral("."));
    dialog.setNameFilter(QStringLiteral("PNG(*.png)"));
    dialog.selectFile(defaultName);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        return dialog.selectedFiles().constFirst();
    return QString();
}

void QualityPage::onExport()
{
    const QString name = sender() ? sender()->objectName() : QString();
    if (!m_bHasResult) {
        m_pHost->showMessageBox(QMessageBox::Warning, QCoreApplication::translate("hxReport", "提示"),
            QCoreApplication::translate("hxReport", "没有数据，请重新查询"), 0);
        return;
    }
    const bool trend = name.contains(QLatin1String("Trend"));
    const bool png = name.endsWith(QLatin1String("Png"));
    if (!trend && !m_Result.measured) {
        m_pHost->showMessageBox(QMessageBox::Warning, QCoreApplication::translate("hxReport", "提示"),
            QualityTables::measuredNote(), 0);
        return;
    }
    const QString prefix = trend ? QStringLiteral("Trend") : QStringLiteral("Measure");
    QString fileName = ExportRunner::defaultCsvName(prefix);
    if (png)
        fileName.replace(fileName.size() - 4, 4, QStringLiteral(".png"));
    fileName = askFileName(fileName, png);
    if (fileName.isEmpty())
        return;
    bool ok = false;
    if (trend)
        ok = png ? exportTrendPng(fileName) : exportTrendCsv(fileName);
    else
        ok = png ? exportMeasurePng(fileName) : exportMeasureCsv(fileName);
    if (ok)
        m_pHost->showMessageBox(QMessageBox::Information, QCoreApplication::translate("hxReport", "提示"),
            QCoreApplication::translate("hxReport", "数据导出完成"), 0);
    else
        m_pHost->showMessageBox(QMessageBox::Warning, QCoreApplication::translate("hxReport", "提示"),
            QCoreApplication::translate("hxReport", "数据导出失败：%1").arg(fileName), 0);
    emit sgExportDone(ok);
}
