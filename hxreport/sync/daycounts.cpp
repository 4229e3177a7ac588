#include "daycounts.h"

QString DayCounts::day(const QString& time)
{
    int end = 0;
    for (int n = 0; n < 10 && end < time.size(); ++n) {
        const bool pair
            = time.at(end).isHighSurrogate() && end + 1 < time.size() && time.at(end + 1).isLowSurrogate();
        end += pair ? 2 : 1;
    }
    return time.left(end);
}

void DayCounts::add(const QVariant& time, const QVariant& model)
{
    if (time.isNull())
        return;
    // Never a null QString: it would be bound as NULL.
    ++m_Counts[{ day(time.toString()), model.isNull() ? QStringLiteral("") : model.toString() }];
}

QVector<DayCounts::Row> DayCounts::rows() const
{
    QVector<Row> list;
    list.reserve(int(m_Counts.size()));
    for (const auto& count : m_Counts)
        list.append({ count.first.first, count.first.second, count.second });
    return list;
}
