#include "qreportwidget.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

// Pulls the compiled-in images of this static library into every program
// that uses the widget. Must stay outside any namespace.
static void initDialogResources()
{
    Q_INIT_RESOURCE(hxreport);
}

QReportWidget::QReportWidget(QString title, QWidget* parent)
    : QWidget(parent)
    , m_Title(std::move(title))
    , m_TitleLabel(new QLabel)
    , m_TableView(new QTableView(this))
    , m_Model(new QStandardItemModel(this))
{
    initDialogResources();

    m_TableView->setAlternatingRowColors(true);
    m_TableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_TableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_TableView->setWordWrap(true);
    m_TableView->resizeColumnsToContents();
    m_TableView->resizeRowsToContents();
    m_TableView->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_TableView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_TableView->setMinimumHeight(100);

    auto* layout = new QVBoxLayout;
    layout->addWidget(m_TitleLabel);
    layout->addWidget(m_TableView);
    setLayout(layout);
}

QReportWidget::~QReportWidget() = default;

void QReportWidget::SetData(QMap<QString, int>& m_strMap)
{
    m_CountMap = m_strMap;
}

void QReportWidget::clearReport()
{
    m_Title.clear();
    m_ExtraRows.clear();
    m_CountMap.clear();
}

void QReportWidget::setTitle(QString title)
{
    m_Title = std::move(title);
}

void QReportWidget::addRow(QString name, int value, bool append)
{
    if (!append)
        m_ExtraRows.clear();
    m_ExtraRows.append(qMakePair(std::move(name), value));
    update();
}

void QReportWidget::updateTable()
{
    m_TitleLabel->setText(m_Title);

    // The view looks at an empty stand-in while the real model is rebuilt.
    auto* standIn = new QStandardItemModel;
    setViewModel(standIn);

    QFont font = m_TitleLabel->font();
    font.setPixelSize(14);
    m_TitleLabel->setFont(font);

    m_Model->clear();
    m_Model->setHorizontalHeaderItem(0, new QStandardItem(tr("型号")));
    m_Model->setHorizontalHeaderItem(1, new QStandardItem(tr("数量")));

    int row = 0;
    for (auto it = m_CountMap.constBegin(); it != m_CountMap.constEnd(); ++it, ++row) {
        m_Model->setItem(row, 0, new QStandardItem(it.key()));
        m_Model->setItem(row, 1, new QStandardItem(QString::number(it.value())));
    }
    for (const auto& extra : qAsConst(m_ExtraRows)) {
        m_Model->setItem(row, 0, new QStandardItem(extra.first));
        m_Model->setItem(row, 1, new QStandardItem(QString::number(extra.second)));
        ++row;
    }

    setViewModel(m_Model);
    delete standIn;
}

void QReportWidget::setViewModel(QStandardItemModel* model)
{
    // setModel() gives the view and each header a new selection model, then
    // makes the headers share the view's; the replaced ones are left to the
    // caller. Without this every rebuild would leave some behind.
    QItemSelectionModel* oldSelection = m_TableView->selectionModel();
    m_TableView->setModel(model);
    delete oldSelection;
    for (QHeaderView* header : { m_TableView->horizontalHeader(), m_TableView->verticalHeader() }) {
        const auto orphans
            = header->findChildren<QItemSelectionModel*>(QString(), Qt::FindDirectChildrenOnly);
        for (QItemSelectionModel* orphan : orphans) {
            if (orphan != m_TableView->selectionModel())
                delete orphan;
        }
    }
}

void QReportWidget::paintEvent(QPaintEvent* event)
{
    // Children paint everything; the widget itself draws nothing.
    Q_UNUSED(event)
}

void QReportWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
}
