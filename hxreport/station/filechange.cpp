#include "filechange.h"

FileChange::State FileChange::judge(const Seen& seen, QString* why)
{
    why->clear();
    if (seen.lastUid <= 0)
        return State::Same;
    if (seen.hasSequence && seen.sequence < seen.lastUid) {
        *why = QStringLiteral("its uids start again (%1 after %2)").arg(seen.sequence).arg(seen.lastUid);
        return State::Replaced;
    }
    if (seen.row == Row::Same)
        return State::Same;
    const bool changed = seen.row == Row::Changed;
    if (seen.sameWitnesses > 0) {
        *why = QStringLiteral("row %1 %2 (%3 earlier copied rows are the same)")
                   .arg(seen.lastUid)
                   .arg(changed ? QStringLiteral("was edited") : QStringLiteral("was deleted"))
                   .arg(seen.sameWitnesses);
        return changed ? State::LastRowEdited : State::LastRowDeleted;
    }
    if (!seen.otherWitnesses.isEmpty()) {
        *why = QStringLiteral("rows %1 are other ones").arg(seen.otherWitnesses);
        return State::Replaced;
    }
    if (changed) {
        *why = QStringLiteral("row %1 is another one").arg(seen.lastUid);
        return State::Replaced;
    }
    if (!seen.hasSequence) {
        *why = QStringLiteral("row %1 is gone and the table keeps no sequence").arg(seen.lastUid);
        return State::Replaced;
    }
    if (seen.olderRows) {
        *why = QStringLiteral("row %1 is gone but older rows are there").arg(seen.lastUid);
        return State::Replaced;
    }
    return State::Same;
}
