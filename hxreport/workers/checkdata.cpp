#include "checkdata.h"

#include "cancelflag.h"
#include "detectdatadb.h"
#include "plantpage.h"
#include "quickanswers.h"
#include "timeslicer.h"

CheckData::CheckData(QObject* parent)
    : RangeWorker(parent)
{
}

void CheckData::doWork(QVariantMap m_map)
{
    const QVariant query = m_map.value(QStringLiteral("query"));
    if (query.canConvert<RangeQuery>()) {
        doQuery(query.value<RangeQuery>());
        return;
    }
    const QString sqlCount = m_map.value(QStringLiteral("SqlCount")).toString();
    const QString sqlCheck = m_map.value(QStringLiteral("SqlCheck")).toString();
    serve(
        [sqlCount] {
            return QVector<BoundStatement> { { sqlCount, {} } };
        },
        { sqlCheck, {} }, m_map.value(QStringLiteral("limit")).toInt(), RangeQuery());
}

void CheckData::doRange(RangeQuery range, int limit, int offset)
{
    doQuery(range.page(limit, offset));
}

void CheckData::doQuery(RangeQuery range)
{
    const int limit = range.limit();
    QVector<RangeQuery> edges;
    BoundStatement dayTotal;
    BoundStatement dayGrouping;
    if (splitDays(&range, &edges, &dayTotal, &dayGrouping)) {
        QVector<BoundStatement> parts { dayTotal };
        for (const RangeQuery& edge : qAsConst(edges))
            parts << edge.countStatement();
        serve([parts] { return parts; }, PlantPage::statement(m_pDB, range, limit, range.offset()), limit,
            range);
        return;
    }
    const auto counts = [this, range] { return TimeSlicer(m_pDB).countStatements(range); };
    serve(counts, range.pageStatement(), limit, range);
}

void CheckData::serve(const std::function<QVector<BoundStatement>()>& countStatements,
    const BoundStatement& page, int limit, const RangeQuery& quick)
{
    const CancelFlag::Scope cancel(m_pCancel);
    // One progress map per request: later messages keep the keys set earlier.
    QVariantMap progress;
    progress.insert(QStringLiteral("Type"), QStringLiteral("start"));
    emit sgShowProgress(progress);

    int count = 0;
    QSqlQuery rows;
    QString error;

    if (m_pDB) {
        progress.insert(QStringLiteral("msg"), QStringLiteral("正在获取数量"));
        emit sgShowProgress(progress);

        const bool asked = m_pQuick && quick.isValid();
        const bool counted = asked && m_pQuick->countOf(quick, &count);
        // A long range is counted slice by slice so the station can commit in
        // between; each statement's last row holds its count.
        for (const BoundStatement& part : counted ? QVector<BoundStatement>() : countStatements()) {
            QSqlQuery countQuery;
            m_pDB->runDetached(part, countQuery);
            if (countQuery.lastError().isValid())
                error = countQuery.lastError().text();
            int partCount = 0;
            while (countQuery.next())
                partCount = countQuery.value(0).toInt();
            count += partCount;
        }

        progress.remove(QStringLiteral("msg"));
        progress.insert(QStringLiteral("msg"), QStringLiteral("正在获取数据"));
        emit sgShowProgress(progress);

        if (!asked || !m_pQuick->pageOf(quick, &rows))
            m_pDB->runDetached(page, rows);
        if (error.isEmpty() && rows.lastError().isValid())
            error = rows.lastError().text();
    }

    QVariantMap result;
    result.insert(QStringLiteral("sum"), count);
    result.insert(QStringLiteral("nIndex"), 0);
    result.insert(QStringLiteral("limit"), limit);
    if (!error.isEmpty())
        result.insert(QStringLiteral("error"), error);

    progress.remove(QStringLiteral("Type"));
    progress.insert(QStringLiteral("Type"), QStringLiteral("stop"));
    emit sgShowProgress(progress);

    emit resultReady(result, rows);
}
