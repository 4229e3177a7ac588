#ifndef RANGECONTROLS_H
#define RANGECONTROLS_H

#include "shiftrecord.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>

class QComboBox;
class QLabel;

// The pages' time ranges as the user sets them: each range end is a date-time
// of the window shown in a label and set through the picker by a button; a
// shift combo box sets both ends of its page's range. UI thread only.
class RangeControls
{
public:
    // One end of a range: the picker button (by object name) that sets time,
    // shown in label.
    struct End
    {
        const char* button;
        QDateTime* time;
        QLabel* label;
    };
    // A page's range, with the shift combo box (by object name) that sets
    // both ends, if it has one.
    void addRange(const End& start, const End& end, const char* shiftCombo);

    void setTime(const QString& button, const QDateTime& value);
    // Opens the picker for the button's time; false for an unknown button.
    bool editTime(const QString& button);
    // The range of the entry chosen in the combo box: a shift of the box's
    // shifts anchored on the end date, or whole days for wholeDay (from
    // dayStart to dayEnd); any other entry leaves the range as it is.
    void applyShift(
        const QComboBox* combo, const QString& wholeDay, const QTime& dayStart, const QTime& dayEnd);

    // What a refill of a shift box does with the entry chosen in it.
    enum class Refill
    {
        Keep, // the same entry, the range untouched
        Reapply, // the same shift with other times: the range follows them
        WholeDay, // wholeDay instead, whole days over the range's dates
    };
    // Whole days and a shift whose times stay are kept as they are (the
    // user may have moved the range since), a shift the new list has with
    // other times is applied anew, and anything else, the empty box's
    // nothing included, gives way to whole days.
    static Refill refillOf(const QString& chosen, const QString& wholeDay,
        const QMap<QString, ShiftRecord>& before, const QMap<QString, ShiftRecord>& after);
    // Fills the combo box with wholeDay and the names of shifts, keeps them
    // as the box's shifts, and treats the entry chosen before as refillOf()
    // says, without passing through the other entries. The shift that gave
    // way to whole days, empty when none did.
    QString fillShifts(QComboBox* combo, const QMap<QString, ShiftRecord>& shifts, const QString& wholeDay,
        const QTime& dayStart, const QTime& dayEnd);
    // The shifts the box was last filled with.
    QMap<QString, ShiftRecord> shifts(const QComboBox* combo) const;

private:
    struct Target
    {
        QString button;
        QDateTime* time;
        QLabel* label;
    };
    struct ShiftChoice
    {
        QString combo;
        QString startButton;
        QString endButton;
        QMap<QString, ShiftRecord> shifts;
    };
    const Target* target(const QString& button) const;
    const ShiftChoice* choice(const QComboBox* combo) const;
    ShiftChoice* choice(const QComboBox* combo);

    QVector<Target> m_Targets;
    QVector<ShiftChoice> m_Choices;
};

#endif // RANGECONTROLS_H
