#include "syncwitnesses.h"

#include <QList>

SyncWitnesses SyncWitnesses::fromText(const QByteArray& text)
{
    SyncWitnesses witnesses;
    const QList<QByteArray> items = text.split(' ');
    for (const QByteArray& item : items) {
        const int colon = item.indexOf(':');
        bool ok = false;
        const qint64 uid = item.left(colon).toLongLong(&ok);
        if (colon > 0 && ok && uid > 0)
            witnesses.add(uid, item.mid(colon + 1));
    }
    return witnesses;
}

QByteArray SyncWitnesses::toText() const
{
    QByteArrayList items;
    for (const Witness& witness : m_List)
        items << QByteArray::number(witness.uid) + ':' + witness.mark;
    return items.join(' ');
}

void SyncWitnesses::add(qint64 uid, const QByteArray& mark)
{
    int at = 0;
    while (at < m_List.size() && m_List.at(at).uid < uid)
        ++at;
    if (at < m_List.size() && m_List.at(at).uid == uid)
        m_List[at].mark = mark;
    else
        m_List.insert(at, { uid, mark });
    while (m_List.size() > MaxCount) {
        // Drops the inner row whose neighbours lie closest together measured
        // against their distance from the newest: the rows end up spaced
        // roughly geometrically back from it, and the oldest stays.
        const qint64 newest = m_List.constLast().uid;
        int drop = 1;
        double best = 0;
        for (int i = 1; i + 1 < m_List.size(); ++i) {
            const double gap = double(m_List.at(i + 1).uid - m_List.at(i - 1).uid)
                / double(newest - m_List.at(i - 1).uid + 1);
            if (i == 1 || gap < best) {
                best = gap;
                drop = i;
            }
        }
        m_List.remove(drop);
    }
}

QVector<qint64> SyncWitnesses::uidsBelow(qint64 uid) const
{
    QVector<qint64> uids;
    for (const Witness& witness : m_List)
        if (witness.uid < uid)
            uids << witness.uid;
    return uids;
}
