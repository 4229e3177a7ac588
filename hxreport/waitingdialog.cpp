#include "waitingdialog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

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

    // The window's translation of the word, so both dialogs and message boxes
    // say the same.
    m_pCancel = new QPushButton(QCoreApplication::translate("hxReport", "取消"), this);
    m_pCancel->setObjectName(QStringLiteral("pushButton_Cancel"));
    m_pCancel->setAutoDefault(false);
    m_pCancel->hide();
    connect(m_pCancel, &QPushButton::clicked, this, [this] {
        m_pCancel->setEnabled(false); // one request, one cancel
        emit cancelRequested();
    });

    // Without a window manager's title bar the title is not seen: the line
    // above the bar says what runs.
    m_pActivity = new QLabel(this);
    m_pActivity->setObjectName(QStringLiteral("label_Waiting"));
    m_pActivity->hide();
    auto* row = new QHBoxLayout;
    row->addWidget(m_Bar);
    row->addWidget(m_pCancel);
    auto* layout = new QVBoxLayout;
    layout->addWidget(m_pActivity);
    layout->addLayout(row);
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

void WaitingDialog::setCancelable(bool cancelable)
{
    // The window's dialog is made before its translations are loaded.
    m_pCancel->setText(QCoreApplication::translate("hxReport", "取消"));
    m_pCancel->setVisible(cancelable);
    m_pCancel->setEnabled(cancelable);
}

void WaitingDialog::setActivity(const QString& text)
{
    m_pActivity->setText(text);
    m_pActivity->setVisible(!text.isEmpty());
}

QString WaitingDialog::activity() const
{
    return m_pActivity->text();
}

void WaitingDialog::prepareModal(
    WaitingDialog& dialog, const QString& title, const std::function<void()>& cancel)
{
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowIcon(QIcon(QStringLiteral(":/image/corvel")));
    // A waiting dialog must not keep the program alive once the window is
    // closed: it would hide when the work ends and leave an invisible process.
    dialog.setAttribute(Qt::WA_QuitOnClose, false);
    dialog.setWindowTitle(title);
    if (cancel) {
        dialog.setCancelable(true);
        connect(&dialog, &WaitingDialog::cancelRequested, &dialog, cancel);
    }
    dialog.startProgress(50, 150);
}

void WaitingDialog::runThread(QThread* thread, const QString& title, const std::function<void()>& cancel)
{
    WaitingDialog dialog(nullptr);
    prepareModal(dialog, title, cancel);
    QEventLoop loop;
    connect(thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    thread->start();
    dialog.show();
    loop.exec();
    dialog.stopProgress();
    dialog.hide();
    thread->wait();
}

bool WaitingDialog::waitFor(QObject* source, const char* signal, const QString& title,
    const QString& activity, const std::function<void()>& cancel)
{
    WaitingDialog dialog(nullptr);
    prepareModal(dialog, title, cancel);
    dialog.setActivity(activity);
    dialog.show();
    QEventLoop loop;
    connect(source, signal, &dialog, SLOT(markFinished()));
    connect(source, signal, &loop, SLOT(quit()));
    loop.exec();
    return dialog.m_bFinished;
}

void WaitingDialog::markFinished()
{
    m_bFinished = true;
}
