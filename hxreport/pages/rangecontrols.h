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
    // The range of the entry chosen in the combo box: a shift of shifts
    // anchored on the end date, or whole days for wholeDay (from dayStart to
    // dayEnd); any other entry leaves the range as it is.
    void applyShift(const QComboBox* combo, const QMap<QString, ShiftRecord>& shifts, const QString& wholeDay,
        const QTime& dayStart, const QTime& dayEnd);

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
    };
    const Target* target(const QString& button) const;

    QVector<Target> m_Targets;
    QVector<ShiftChoice> m_Choices;
};

#endif // RANGECONTROLS_H
