#ifndef QUICKANSWERS_H
#define QUICKANSWERS_H

#include <QMap>
#include <QSqlQuery>
#include <QString>

// A faster source for some of the workers' answers than the station's own
// statements (the viewer's record index, see PageIndex). Each function gives
// exactly what the direct statements give for records with time1 < time <
// time2, or returns false, and the worker then runs the direct statements.
//
// Threads: called from the workers' threads, possibly at the same time.
class QuickAnswers
{
public:
    virtual ~QuickAnswers() = default;

    // The statistics: the range's count and the per-model counts as CountData
    // adds them up (a NULL and an empty model both under "").
    virtual bool countByModel(
        const QString& time1, const QString& time2, int* total, QMap<QString, int>* counts)
        = 0;
    // The count of one model's records.
    virtual bool countOfModel(const QString& time1, const QString& time2, const QString& model, int* count)
        = 0;
    // The rows of the page statement of one model (every column, limit rows
    // from offset, in the station's order), detached like runDetached()'s.
    virtual bool pageOfModel(const QString& time1, const QString& time2, const QString& model, int offset,
        int limit, QSqlQuery* rows)
        = 0;
};

#endif // QUICKANSWERS_H
