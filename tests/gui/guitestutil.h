#ifndef GUITESTUTIL_H
#define GUITESTUTIL_H

// Drives the modal dialogs the window opens: each helper arms a timer that
// waits for the next modal widget of the wanted kind, acts on it and closes it,
// so the code under test can run its own exec() unchanged.

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <functional>
#include <memory>

namespace GuiTest {

#ifdef Q_OS_WIN
// Qt's own file dialog, as on Linux: the native one runs a loop of its own in
// which no test finds its widgets to answer it.
inline void useQtDialogs()
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}
Q_COREAPP_STARTUP_FUNCTION(useQtDialogs)
#endif

// Calls act() with the first modal widget of type T (for which wanted() holds)
// that shows up; polled every 10 ms, up to about 20 s.
template <class T> void whenModal(std::function<void(T*)> act, std::function<bool(T*)> wanted = nullptr)
{
    auto timer = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act, wanted] {
        auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
        if (widget && (!wanted || wanted(widget))) {
            timer->stop();
            timer->deleteLater();
            act(widget);
        } else if (++*tries > 2000) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

// Presses the box's first (accept) button and stores its text.
inline void answerMessageBox(QString* text, QString* title = nullptr)
{
    whenModal<QMessageBox>(
        [text, title](QMessageBox* box) {
            if (text)
                *text = box->text();
            if (title)
                *title = box->windowTitle();
            box->button(QMessageBox::Ok)->click();
        },
        [](QMessageBox* box) { return box->button(QMessageBox::Ok) != nullptr; });
}

// Sets date, hour and minute in an open date-time picker and presses its OK
// button (rejects it when it is not the picker).
inline void fillPicker(QDialog* dialog, const QDateTime& value)
{
    auto* calendar = dialog->findChild<QCalendarWidget*>(QStringLiteral("calendarWidget_timedlg"));
    auto* hour = dialog->findChild<QComboBox*>(QStringLiteral("hour_comboBox"));
    auto* minute = dialog->findChild<QComboBox*>(QStringLiteral("minute_comboBox"));
    auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("pushButton_timedlg"));
    if (!calendar || !hour || !minute || !ok) {
        dialog->reject();
        return;
    }
    calendar->setSelectedDate(value.date());
    emit calendar->clicked(value.date());
    hour->setCurrentText(QString::number(value.time().hour()));
    minute->setCurrentText(QString::number(value.time().minute()));
    ok->click();
}

// Names the file in an open save dialog, as a user types it: selectFile()
// alone can be undone when the dialog finishes loading its folder and
// restores its first selection.
inline void fillSaveDialog(QFileDialog* dialog, const QString& path)
{
    dialog->selectFile(path);
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
}

// Picks a date, hour and minute in the date-time picker and presses its OK button.
inline void answerPicker(const QDateTime& value)
{
    whenModal<QDialog>([value](QDialog* dialog) { fillPicker(dialog, value); });
}

// Types a file name into the save dialog and accepts it, confirming the
// question whether to replace an existing file.
inline void answerFileDialog(const QString& path)
{
    whenModal<QFileDialog>([path](QFileDialog* dialog) {
        whenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); },
            [](QMessageBox* box) { return box->button(QMessageBox::Yes) != nullptr; });
        fillSaveDialog(dialog, path);
        // accept() is protected in QFileDialog; it runs the dialog's own checks.
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

inline void cancelFileDialog()
{
    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
}

// The window's widget of that object name; a missing one ends the test run.
template <class T> T* child(QWidget& window, const char* name)
{
    T* widget = window.findChild<T*>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

// Sets a time with one of the window's range buttons and the picker.
inline void pick(QWidget& window, const char* button, const QDateTime& value)
{
    answerPicker(value);
    child<QPushButton>(window, button)->click();
}

// Clicks a button and waits for the window's signal (it may have come during
// the click already, as when the button runs a modal wait).
template <class Window, class Signal>
bool clickAndWait(Window& window, const char* button, Signal signal, int timeoutMs = 20000)
{
    QSignalSpy done(&window, signal);
    child<QPushButton>(window, button)->click();
    return done.count() > 0 || done.wait(timeoutMs);
}

} // namespace GuiTest

#endif // GUITESTUTIL_H
