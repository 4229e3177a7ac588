#ifndef QTIMEDLG_H
#define QTIMEDLG_H

#include <QDate>
#include <QDateTime>
#include <QDialog>
#include <QTime>

#include <memory>

class QClockDlg;
namespace Ui {
class QTimeDlg;
}

// Modal picker for one date-time: a day on the calendar plus hour and minute
// (seconds become 0 once hour or minute is changed). The caller presets it
// with SetDateTime(), runs exec() and, when accepted, reads the value back
// with GetDateTime(). UI thread only.
class QTimeDlg : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(QTimeDlg)

public:
    explicit QTimeDlg(QWidget* parent = nullptr);
    ~QTimeDlg() override;

    void SetDateTime(QDateTime value);
    // Overwrites the date and then the time of out with the picked value.
    void GetDateTime(QDateTime& out);

    QDate selectedDate() const { return m_SelDate; }
    QTime selectedTime() const { return m_SelTime; }
    QClockDlg* clock() const { return m_pClock; }

public slots:
    void SlotOk();
    // For hour and minute dials named dial_timedlg and dial_2_timedlg; the
    // form has none, so nothing connects it.
    void valuechange(int m_value);
    void SlotCalWidget(QDate m_date);
    void onCurrentStrChange(QString str);
    void oncurrentPageChanged(int nyear, int nMonth);

private:
    void setTimeFromParts(int hour, int minute);
    void updateLabel();

    // Held by pointer so the generated header stays private to this library.
    const std::unique_ptr<Ui::QTimeDlg> ui;
    QDate m_SelDate; // null until preset
    QTime m_SelTime; // null until preset; seconds and milliseconds 0 once edited
    QClockDlg* m_pClock = nullptr; // owned; placed in ui.gridLayout
};

#endif // QTIMEDLG_H
