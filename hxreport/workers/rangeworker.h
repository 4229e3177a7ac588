#ifndef RANGEWORKER_H
#define RANGEWORKER_H

#include "rangequery.h"

#include <QObject>
#include <QVector>

class CancelFlag;
class DetectDataDB;
class QuickAnswers;

// What the query workers share: the database they read and the flag that
// cancels the request being served. A worker lives on its own long-lived
// thread; requests arrive by queued signal and are served in order.
class RangeWorker : public QObject
{
    Q_OBJECT
public:
    explicit RangeWorker(QObject* parent = nullptr);

    // Not owned; set once before the thread starts.
    void setDataBase(DetectDataDB* db) { m_pDB = db; }
    // Not owned; may be null. The requester resets it before each request.
    void setCancelFlag(const CancelFlag* flag) { m_pCancel = flag; }
    // Asked first for the requests they can answer (not owned; may be null).
    void setQuickAnswers(QuickAnswers* quick) { m_pQuick = quick; }

protected:
    // Puts range into the database's dialect. On the plant server, true with
    // the statements of the whole days' counts (kept ahead by the server) and
    // the ends that still read records; false when the range has no such split.
    bool splitDays(RangeQuery* range, QVector<RangeQuery>* edges, BoundStatement* dayTotal,
        BoundStatement* dayGrouping) const;

    DetectDataDB* m_pDB = nullptr;
    const CancelFlag* m_pCancel = nullptr;
    QuickAnswers* m_pQuick = nullptr;
};

#endif // RANGEWORKER_H
