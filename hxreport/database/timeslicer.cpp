#include "timeslicer.h"

#include "databasesql.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QVariant>

namespace {
// A quoted value may hold doubled quotes; it is kept as written.
const QRegularExpression kRange(
    QStringLiteral("from (\\w+) where time >'((?:[^']|'')*)' and time < '((?:[^']|'')*)'"));

QString firstValue(DataBaseSql* db, const QString& sql, bool* ok)
{
    QSqlQuery query;
    *ok = db->runDetached(sql, query);
    return *ok && query.next() ? query.value(0).toString() : QString();
}
}

TimeSlicer::TimeSlicer(DataBaseSql* db, int rowsPerSlice)
    : m_pDB(db)
    , m_nRows(qMax(1, rowsPerSlice))
{
}

QStringList TimeSlicer::split(const QString& sql) const
{
    const QRegularExpressionMatch match = kRange.match(sql);
    if (!m_pDB || !match.hasMatch())
        return { sql };
    // A bare count of the range is answered from the time index alone, which
    // is quick for any range: it is not worth slicing.
    if (sql.leftRef(match.capturedStart()) == QLatin1String("select count(*) ")
        && sql.midRef(match.capturedEnd()).trimmed().isEmpty())
        return { sql };
    const QString table = match.captured(1);
    const QString upper = match.captured(3);

    // Boundaries b1 < b2 < ...: slice 0 is (t1, b1), slice i is [bi, bi+1),
    // the last one [bn, t2).
    QStringList bounds;
    QString lower = match.captured(2);
    QString lowerOp = QStringLiteral(">");
    for (;;) {
        bool ok = false;
        QString next = firstValue(m_pDB,
                                  QStringLiteral("select time from %1 where time %2'%3' and time < '%4' order by time limit 1 offset %5")
                                      .arg(table, lowerOp, lower, upper, QString::number(m_nRows)),
                                  &ok);
        if (!ok)
            return { sql };
        if (next.isNull())
            break;
        if (next == QString(lower).replace(QLatin1String("''"), QLatin1String("'"))) {
            // More rows share this time than a slice holds: the slice ends at
            // the next time that differs.
            next = firstValue(m_pDB,
                              QStringLiteral("select min(time) from %1 where time >'%2' and time < '%3'").arg(table, lower, upper),
                              &ok);
            if (!ok)
                return { sql };
            if (next.isNull())
                break;
        }
        lower = sqlQuoted(next);
        lowerOp = QStringLiteral(">=");
        bounds << lower;
    }
    if (bounds.isEmpty())
        return { sql };

    QStringList statements;
    QString from = match.captured(2);
    QString fromOp = QStringLiteral(">");
    bounds << upper;
    for (const QString& to : qAsConst(bounds)) {
        const QString range = QStringLiteral("from %1 where time %2'%3' and time < '%4'").arg(table, fromOp, from, to);
        statements << QString(sql).replace(match.capturedStart(), match.capturedLength(), range);
        from = to;
        fromOp = QStringLiteral(">=");
    }
    return statements;
}
