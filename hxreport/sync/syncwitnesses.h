#ifndef SYNCWITNESSES_H
#define SYNCWITNESSES_H

#include <QByteArray>
#include <QVector>

// Copied rows of one station table that the sync remembers on the server
// (uid and the digest of the values that identify the row in its file), so
// that a later pass can tell a file replaced by another one (these rows are
// other ones there) from one whose last copied row the station deleted or
// edited (the others are still the same). At most MaxCount, dense near the
// newest and thinning out towards the oldest, which stays: retention deletes
// the old ones, an operator the last few.
class SyncWitnesses
{
public:
    static const int MaxCount = 16;

    struct Witness
    {
        qint64 uid = 0;
        QByteArray mark;
    };

    // The server's text: "uid:mark" separated by blanks, in uid order.
    static SyncWitnesses fromText(const QByteArray& text);
    QByteArray toText() const;

    // Adds (or renews) a row and thins the list to MaxCount.
    void add(qint64 uid, const QByteArray& mark);
    const QVector<Witness>& list() const { return m_List; }
    QVector<qint64> uidsBelow(qint64 uid) const;

private:
    QVector<Witness> m_List; // by uid
};

#endif // SYNCWITNESSES_H
