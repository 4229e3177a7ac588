#include "rangecontrols.h"

#include "qtimedlg.h"
#include "timeranges.h"

#include <QComboBox>
#include <QLabel>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
}

void RangeControls::addRange(const End& start, const End& end, const char* shiftCombo)
{
    for (const End& e : { start, end })
        m_Targets.append(Target { QLatin1String(e.button), e.time, e.label });
    if (shiftCombo)
        m_Choices.append(ShiftChoice {
            QLatin1String(shiftCombo), QLatin1String(start.button), QLatin1String(end.button) });
}

const RangeControls::Target* RangeControls::target(const QString& button) const
{
    for (const Target& t : m_Targets) {
        if (t.button == button)
            return &t;
    }
    return nullptr;
}

void RangeControls::setTime(const QString& button, const QDateTime& value)
{
    if (const Target* t = target(button)) {
        *t->time = value;
        t->label->setText(value.toString(kTimeFormat));
    }
}

bool RangeControls::editTime(const QString& button)
{
    const Target* t = target(button);
    if (!t)
        return false;
    QTimeDlg dialog(nullptr);
    dialog.SetDateTime(*t->time);
    if (dialog.exec() == QDialog::Accepted) {
        dialog.GetDateTime(*t->time);
        t->label->setText(t->time->toString(kTimeFormat));
    }
    return true;
}

void RangeControls::applyShift(const QComboBox* combo, const QMap<QString, ShiftRecord>& shifts,
    const QString& wholeDay, const QTime& dayStart, const QTime& dayEnd)
{
    for (const ShiftChoice& choice : qAsConst(m_Choices)) {
        const Target* start = target(choice.startButton);
        const Target* end = target(choice.endButton);
        if (!combo || choice.combo != combo->objectName() || !start || !end)
            continue;
        const QString text = combo->currentText();
        const auto shift = shifts.constFind(text);
        TimeRanges::Range range { *start->time, *end->time };
        if (shift != shifts.constEnd())
            range = TimeRanges::ofShift(*shift, end->time->date());
        else if (text == wholeDay)
            range = TimeRanges::wholeDays(start->time->date(), end->time->date(), dayStart, dayEnd);
        setTime(choice.startButton, range.first);
        setTime(choice.endButton, range.second);
        return;
    }
}
