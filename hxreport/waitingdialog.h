#ifndef WAITINGDIALOG_H
#define WAITINGDIALOG_H

#include <QDialog>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

// A dialog with a line saying what runs and a progress bar that fills up and
// starts again while work goes on elsewhere. It knows nothing about the work;
// title, that line, modality, icon and visibility are set by its user. UI
// thread only.
class QThread;

class WaitingDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(WaitingDialog)

public:
    explicit WaitingDialog(QWidget* parent = nullptr);
    ~WaitingDialog() override;

    // Starts or restarts the animation at 0: one step every interval
    // milliseconds on a bar of range 0..maximum. The bar shows 1..maximum-1
    // and then 0 again; the full value is never shown.
    void startProgress(int interval, int maximum);
    // Stops the steps; the bar keeps its value.
    void stopProgress();

    int value() const;
    int interval() const { return m_Interval; }
    int maximum() const { return m_Maximum; }
    bool isRunning() const { return m_Timer.isActive(); }
    // The one timer that drives the steps (read-only, for observers).
    const QTimer* timer() const { return &m_Timer; }
    // Shows the "取消" button (object name "pushButton_Cancel"), which emits
    // cancelRequested(); the dialog itself stays until the work ends. Escape
    // still only hides the dialog.
    void setCancelable(bool cancelable);
    // The line above the bar (object name "label_Waiting"), e.g. "正在查询…".
    void setActivity(const QString& text);
    QString activity() const;

    // Shows a modal waiting dialog titled title and saying activity until
    // source emits signal (a SIGNAL() text); with cancel, its "取消" button
    // calls it. False when the wait ended without the signal (the application
    // is quitting).
    static bool waitFor(QObject* source, const char* signal, const QString& title, const QString& activity,
        const std::function<void()>& cancel);
    // Starts thread and shows the same dialog until it has finished; with
    // cancel, "取消" calls it. The thread has ended when this returns.
    static void runThread(
        QThread* thread, const QString& title, const std::function<void()>& cancel = nullptr);

signals:
    void cancelRequested();

public slots:
    // One animation step.
    void UpdateSlot();

private slots:
    void markFinished();

private:
    // Modal, the window's icon, no quit on close, the title, Cancel when given.
    static void prepareModal(
        WaitingDialog& dialog, const QString& title, const std::function<void()>& cancel);

    int m_Count = 0;
    int m_Interval = 0;
    int m_Maximum = 0;
    QTimer m_Timer;
    QProgressBar* m_Bar = nullptr; // child of the dialog
    QLabel* m_pActivity = nullptr; // child of the dialog
    QPushButton* m_pCancel = nullptr; // child of the dialog
    bool m_bFinished = false; // the awaited signal came (waitFor)
};

#endif // WAITINGDIALOG_H
