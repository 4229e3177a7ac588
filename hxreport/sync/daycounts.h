#ifndef DAYCOUNTS_H
#define DAYCOUNTS_H

#include <QString>
#include <QVariant>
#include <QVector>

#include <map>
#include <utility>

// The records of one batch per day and model, as the archive's record_counts
// keeps them, so the sync can add them in the transaction of the batch's
// rows: day is the first 10 characters of the time as the server stores it
// (LEFT(time, 10): characters, not bytes), a NULL model counts as "", and a
// record without a time is in no range and not counted.
class DayCounts
{
public:
    struct Row
    {
        QString day;
        QString model;
        qint64 records = 0;
    };

    // time and model as bound for the server (SyncValues::toServer).
    void add(const QVariant& time, const QVariant& model);
    void clear() { m_Counts.clear(); }
    bool isEmpty() const { return m_Counts.empty(); }

    // One row per day and model, in key order.
    QVector<Row> rows() const;

    // The first 10 characters of a time, a character beyond the BMP as one.
    static QString day(const QString& time);

private:
    std::map<std::pair<QString, QString>, qint64> m_Counts;
};

#endif // DAYCOUNTS_H
