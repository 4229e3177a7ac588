#include "rangecontrols.h"

#include "qtimedlg.h"
#include "timeranges.h"
#include "translationloader.h"

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
            QLatin1String(shiftCombo), QLatin1String(start.button), QLatin1String(end.button), {} });
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
    dialog.setLocale(TranslationLoader::interfaceLocale());
    dialog.SetDateTime(*t->time);
    if (dialog.exec() == QDialog::Accepted) {
        dialog.GetDateTime(*t->time);
        t->label->setText(t->time->toString(kTimeFormat));
    }
    return true;
}

const RangeControls::ShiftChoice* RangeControls::choice(const QComboBox* combo) const
{
    for (const ShiftChoice& c : m_Choices) {
        if (combo && c.combo == combo->objectName())
            return &c;
    }
    return nullptr;
}

RangeControls::ShiftChoice* RangeControls::choice(const QComboBox* combo)
{
    return const_cast<ShiftChoice*>(qAsConst(*this).choice(combo));
}

void RangeControls::applyShift(
    const QComboBox* combo, const QString& wholeDay, const QTime& dayStart, const QTime& dayEnd)
{
    const ShiftChoice* c = choice(combo);
    const Target* start = c ? target(c->startButton) : nullptr;
    const Target* end = c ? target(c->endButton) : nullptr;
    if (!start || !end)
        return;
    const QString text = combo->currentText();
    const auto shift = c->shifts.constFind(text);
    TimeRanges::Range range { *start->time, *end->time };
    if (shift != c->shifts.constEnd())
        range = TimeRanges::ofShift(*shift, end->time->date());
    else if (text == wholeDay)
        range = TimeRanges::wholeDays(start->time->date(), end->time->date(), dayStart, dayEnd);
    setTime(c->startButton, range.first);
    setTime(c->endButton, range.second);
}

RangeControls::Refill RangeControls::refillOf(const QString& chosen, const QString& wholeDay,
    const QMap<QString, ShiftRecord>& before, const QMap<QString, ShiftRecord>& after)
{
    // An empty text is the box's first fill, even beside a shift without a name.
    if (chosen.isEmpty())
        return Refill::WholeDay;
    if (chosen == wholeDay)
        return Refill::Keep;
    const auto now = after.constFind(chosen);
    if (now == after.constEnd())
        return Refill::WholeDay;
    const auto was = before.constFind(chosen);
    return was != before.constEnd() && was->startTime == now->startTime && was->endTime == now->endTime
        ? Refill::Keep
        : Refill::Reapply;
}

QString RangeControls::fillShifts(QComboBox* combo, const QMap<QString, ShiftRecord>& shifts,
    const QString& wholeDay, const QTime& dayStart, const QTime& dayEnd)
{
    ShiftChoice* c = choice(combo);
    if (!c)
        return QString();
    const QString chosen = combo->currentText();
    const Refill refill = refillOf(chosen, wholeDay, c->shifts, shifts);
    c->shifts = shifts;
    {
        // The entries in between would each set the range.
        const QSignalBlocker block(combo);
        combo->clear();
        combo->addItem(wholeDay);
        combo->addItems(shifts.keys());
        combo->setCurrentIndex(refill == Refill::WholeDay ? 0 : combo->findText(chosen));
    }
    if (refill != Refill::Keep)
        applyShift(combo, wholeDay, dayStart, dayEnd);
    return refill == Refill::WholeDay ? chosen : QString();
}

QMap<QString, ShiftRecord> RangeControls::shifts(const QComboBox* combo) const
{
    const ShiftChoice* c = choice(combo);
    return c ? c->shifts : QMap<QString, ShiftRecord>();
}
