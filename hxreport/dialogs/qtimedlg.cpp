#include "qtimedlg.h"

#include "qclockdlg.h"
#include "ui_qtimedlg.h"

#include <QIcon>

// Pulls the compiled-in images of this static library into every program
// that uses the dialog. Must stay outside any namespace.
static void initDialogResources()
{
    Q_INIT_RESOURCE(hxreport);
}

QTimeDlg::QTimeDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::QTimeDlg)
{
    initDialogResources();

    ui->setupUi(this);

    m_pClock = new QClockDlg;
    m_pClock->setMinimumSize(100, 150);
    ui->gridLayout->addWidget(m_pClock);

    setWindowIcon(QIcon(QStringLiteral(":/image/corvel")));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    connect(ui->hour_comboBox, SIGNAL(currentTextChanged(QString)), this, SLOT(onCurrentStrChange(QString)));
    connect(
        ui->minute_comboBox, SIGNAL(currentTextChanged(QString)), this, SLOT(onCurrentStrChange(QString)));
    connect(ui->pushButton_timedlg, SIGNAL(clicked()), this, SLOT(SlotOk()));
    connect(
        ui->calendarWidget_timedlg, SIGNAL(clicked(const QDate&)), this, SLOT(SlotCalWidget(const QDate&)));
    connect(ui->calendarWidget_timedlg, SIGNAL(currentPageChanged(int, int)), this,
        SLOT(oncurrentPageChanged(int, int)));
}

QTimeDlg::~QTimeDlg()
{
    delete m_pClock;
}

void QTimeDlg::SetDateTime(QDateTime value)
{
    m_SelTime = value.time();
    m_SelDate = value.date();

    m_pClock->showTime(m_SelTime.hour(), m_SelTime.minute());

    // Each combo box whose text changes runs onCurrentStrChange(), which drops
    // the seconds; one already showing the number keeps them.
    ui->hour_comboBox->setCurrentText(QString::number(m_SelTime.hour()));
    ui->minute_comboBox->setCurrentText(QString::number(m_SelTime.minute()));

    ui->calendarWidget_timedlg->setSelectedDate(m_SelDate);
    updateLabel();
}

void QTimeDlg::GetDateTime(QDateTime& out)
{
    out.setDate(m_SelDate);
    out.setTime(m_SelTime);
}

void QTimeDlg::SlotOk()
{
    accept();
}

// Callers read a time not preset yet as 00:00, never as the -1 of a null
// QTime; values out of range are ignored.
void QTimeDlg::setTimeFromParts(int hour, int minute)
{
    if (!QTime::isValid(hour, minute, 0))
        return;
    m_SelTime = QTime(hour, minute, 0, 0);
    m_pClock->flipTime(m_SelTime.hour(), m_SelTime.minute());
    updateLabel();
}

void QTimeDlg::valuechange(int m_value)
{
    const QObject* from = sender();
    if (!from)
        return;
    const int hour = m_SelTime.isValid() ? m_SelTime.hour() : 0;
    const int minute = m_SelTime.isValid() ? m_SelTime.minute() : 0;
    if (from->objectName() == QLatin1String("dial_timedlg"))
        setTimeFromParts(m_value, minute);
    else if (from->objectName() == QLatin1String("dial_2_timedlg"))
        setTimeFromParts(hour, m_value);
}

void QTimeDlg::SlotCalWidget(QDate m_date)
{
    Q_UNUSED(m_date)
    m_SelDate = ui->calendarWidget_timedlg->selectedDate();
    updateLabel();
}

void QTimeDlg::onCurrentStrChange(QString str)
{
    const QObject* from = sender();
    const int hour = m_SelTime.isValid() ? m_SelTime.hour() : 0;
    const int minute = m_SelTime.isValid() ? m_SelTime.minute() : 0;
    if (from == ui->hour_comboBox)
        setTimeFromParts(str.toInt(), minute);
    else if (from == ui->minute_comboBox)
        setTimeFromParts(hour, str.toInt());
}

void QTimeDlg::oncurrentPageChanged(int nyear, int nMonth)
{
    // The picked day follows the page; a day the new month lacks becomes its
    // last day, so the picked date is never invalid.
    const QDate first(nyear, nMonth, 1);
    if (!first.isValid())
        return;
    const int day = m_SelDate.isValid() ? m_SelDate.day() : ui->calendarWidget_timedlg->selectedDate().day();
    m_SelDate = QDate(nyear, nMonth, qMin(day, first.daysInMonth()));
    updateLabel();
}

void QTimeDlg::updateLabel()
{
    ui->label_timedlg->setText(QStringLiteral("%1 %2").arg(
        m_SelDate.toString(QStringLiteral("yyyy-MM-dd")), m_SelTime.toString(QStringLiteral("hh:mm"))));
}
