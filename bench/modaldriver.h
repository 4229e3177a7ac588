#ifndef MODALDRIVER_H
#define MODALDRIVER_H

#include <QDateTime>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>

class QWidget;

// Answers the modal dialogs the window opens, in the order they are expected,
// the moment each one is shown (an application event filter sees its Show
// event and acts from the dialog's own event loop). Each answer records when
// it acted, on the clock given to the constructor.
//
// Thread: GUI thread only.
class ModalDriver : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<double()>;

    explicit ModalDriver(Clock clock, QObject* parent = nullptr);
    ~ModalDriver() override;

    // Sets date, hour and minute in the date-time picker and accepts it.
    void expectPicker(const QDateTime& value);
    // Names the file in the save dialog and accepts it; *acceptedAt is the
    // moment just before the dialog is accepted.
    void expectSaveDialog(const QString& path, double* acceptedAt);
    // Presses the message box's OK; *text gets its text, *shownAt the moment it
    // was shown.
    void expectMessageBox(QString* text, double* shownAt);

    // Whether every expected dialog has been answered.
    bool idle() const { return m_Pending.empty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Returns false when the widget is not the dialog it waits for.
    using Answer = std::function<bool(QWidget*)>;

    Clock m_Clock;
    std::deque<Answer> m_Pending;
};

#endif // MODALDRIVER_H
