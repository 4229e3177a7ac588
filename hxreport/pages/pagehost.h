#ifndef PAGEHOST_H
#define PAGEHOST_H

#include <QMessageBox>
#include <QString>

#include <functional>

class QObject;
class QThread;

// What a page needs from the window that holds it: the shared dialogs, the
// status bar, and one-shot threads whose results arrive in the window's slots
// (the window waits for them at shutdown). UI thread only.
class PageHost
{
public:
    virtual ~PageHost() = default;

    // Modal box with "确认" (and "取消" when withCancel is 1); true for "确认".
    virtual bool showMessageBox(QMessageBox::Icon icon, QString title, QString text, int withCancel) = 0;
    // Modal waiting dialog until the window's sgFinish(); false when the wait
    // ended because the application is quitting.
    virtual bool waitForFinish(QString title) = 0;
    // The same saying what runs (activity), with a "取消" button in the
    // dialog that calls cancel().
    virtual bool waitForFinishCancelable(
        const QString& title, const QString& activity, const std::function<void()>& cancel)
        = 0;
    virtual void showStatus(const QString& text) = 0;
    // The operation-note and message hooks; they keep nothing.
    virtual void noteOperation(QString text) = 0;
    virtual void onShowMessage(QString str) = 0;
    // Starts a thread that deletes itself when finished; its signal (a
    // SIGNAL() text) goes to the window's slot (a SLOT() text).
    virtual void startThread(QThread* thread, const char* signal, const char* slot) = 0;
    // The same with the signal going to a page's own slot.
    virtual void startThread(QThread* thread, QObject* receiver, const char* signal, const char* slot) = 0;
    // A page shows a result it asked its worker for (the window's sgPageShown).
    virtual void pageShown() = 0;
    // A page shows a record's picture it asked for (the window's sgPictureShown).
    virtual void pictureShown() = 0;
    // What a page waits for arrived: ends waitForFinish() (the window's sgFinish).
    virtual void finishWait() = 0;
};

#endif // PAGEHOST_H
