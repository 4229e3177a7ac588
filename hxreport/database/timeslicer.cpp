#include "timeslicer.h"

#include "databasesql.h"

#include <QAtomicInt>
#include <QSqlQuery>
#include <QVariant>

namespace {
QAtomicInt defaultRows(TimeSlicer::DefaultRowsPerSlice);

QString firstValue(DataBaseSql* db, const BoundStatement& statement, bool* ok)
{
    QSqlQuery query;
    *ok = db->runDetached(statement, query);
    return *ok && query.next() ? query.value(0).toString() : QString();
}
}

TimeSlicer::TimeSlicer(DataBaseSql* db, int rowsPerSlice)
    : m_pDB(db)
    , m_nRows(rowsPerSlice > 0 ? rowsPerSlice : defaultRowsPerSlice())
{
}

int TimeSlicer::defaultRowsPerSlice()
{
    return defaultRows.loadAcquire();
}

void TimeSlicer::setDefaultRowsPerSlice(int rows)
{
    defaultRows.storeRelease(qMax(1, rows));
}

bool TimeSlicer::boundaries(const QString& table, const QString& lower, bool lowerIncluded,
    const QString& upper, QStringList* bounds) const
{
    // Boundaries b1 < b2 < ...: slice 0 is (t1, b1), slice i is [bi, bi+1),
    // the last one [bn, t2).
    const QString time = StationSchema::timeColumn();
    const QString nth
        = QStringLiteral("select %1 from %2 where %1 %3 ? and %1 < ? order by %1 limit 1 offset ?");
    QString from = lower;
    bool included = lowerIncluded;
    for (;;) {
        bool ok = false;
        QString next = firstValue(m_pDB,
            { nth.arg(time, table, included ? QStringLiteral(">=") : QStringLiteral(">")),
                { from, upper, m_nRows } },
            &ok);
        if (!ok)
            return false;
        if (next.isNull())
            return true;
        if (next == from) {
            // More rows share this time than a slice holds: the slice ends at
            // the next time that differs.
            next = firstValue(m_pDB,
                { QStringLiteral("select min(%1) from %2 where %1 > ? and %1 < ?").arg(time, table),
                    { from, upper } },
                &ok);
            if (!ok)
                return false;
            if (next.isNull())
                return true;
        }
        from = next;
        included = true;
        *bounds << next;
    }
}

QVector<RangeQuery> TimeSlicer::split(const RangeQuery& range) const
{
    QStringList bounds;
    // The server's reads take no lock against its writers: nothing to slice.
    if (!m_pDB || !range.isValid() || range.dialect() == SqlDialect::Plant
        || !boundaries(range.table(), range.lower(), range.lowerIncluded(), range.upper(), &bounds)
        || bounds.isEmpty())
        return { range };
    QVector<RangeQuery> slices;
    QString from = range.lower();
    bool included = range.lowerIncluded();
    bounds << range.upper();
    for (const QString& to : qAsConst(bounds)) {
        slices << range.slice(from, included, to);
        from = to;
        included = true;
    }
    return slices;
}

QVector<BoundStatement> TimeSlicer::countStatements(const RangeQuery& range) const
{
    if (range.isTimeOnly())
        return { range.countStatement() };
    QVector<BoundStatement> statements;
    for (const RangeQuery& slice : split(range))
        statements << slice.countStatement();
    return statements;
}
