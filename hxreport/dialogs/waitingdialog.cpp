#include "waitingdialog.h"

#include <QHBoxLayout>
#include <QProgressBar>

// Pulls the compiled-in images of this static library into every program
// that uses the dialog. Must stay outside any namespace.
static void initDialogResources()
{
    Q_INIT_RESOURCE(hxreport);
}

WaitingDialog::WaitingDialog(QWidget* parent)
    : QDialog(parent)
    , m_Bar(new QProgressBar(this))
{
    initDialogResources();

    m_Bar->setRange(0, 100);
    m_Bar->setTextVisible(false);
    connect(&m_Timer, SIGNAL(timeout()), this, SLOT(UpdateSlot()));

    auto* layout = new QHBoxLayout;
    layout->addWidget(m_Bar);
    setLayout(layout);
}

WaitingDialog::~WaitingDialog() = default;

void WaitingDialog::startProgress(int interval, int maximum)
{
    m_Interval = interval;
    m_Maximum = maximum;
    m_Count = 0;

    if (m_Timer.isActive())
        m_Timer.stop();
    m_Timer.start(interval);

    m_Bar->setRange(0, maximum);
    m_Bar->setValue(0);
}

void WaitingDialog::stopProgress()
{
    m_Timer.stop();
}

int WaitingDialog::value() const
{
    return m_Bar->value();
}

void WaitingDialog::UpdateSlot()
{
    // ">=" rather than "==": a maximum of 0 or less (or a step before the
    // first start) must wrap at once instead of counting up for ever.
    ++m_Count;
    if (m_Count >= m_Maximum)
        m_Count = 0;
    m_Bar->setValue(m_Count);
}
