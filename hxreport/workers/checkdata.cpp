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
    // The statement texts are a station file's; another engine runs the
    // range's own statements.
    const QVariant range = m_map.value(QStringLiteral("range"));
    if (m_pDB && m_pDB->dialect() != SqlDialect::Station && range.canConvert<RangeQuery>()) {
        doRange(range.value<RangeQuery>(), m_map.value(QStringLiteral("limit")).toInt(), 0);
        return;
    }
    const QString sqlCount = m_map.value(QStringLiteral("SqlCount")).toString();
    const QString sqlCheck = m_map.value(QStringLiteral("SqlCheck")).toString();
    const auto counts = [this, sqlCount] { return TimeSlicer(m_pDB).splitStatements(sqlCount); };
    QuickQuery quick;
    quick.valid = m_map.contains(QStringLiteral("model"));
    quick.time1 = m_map.value(QStringLiteral("time1")).toString();
    quick.time2 = m_map.value(QStringLiteral("time2")).toString();
    quick.model = m_map.value(QStringLiteral("model")).toString();
    quick.offset = m_map.value(QStringLiteral("offset")).toInt();
    serve(counts, { sqlCheck, {} }, m_map.value(QStringLiteral("limit")).toInt(), quick);
}

void CheckData::doRange(RangeQuery range, int limit, int offset)
{
    QVector<RangeQuery> edges;
    BoundStatement dayTotal;
    BoundStatement dayGrouping;
    if (splitDays(&range, &edges, &dayTotal, &dayGrouping)) {
        QVector<BoundStatement> parts { dayTotal };
        for (const RangeQuery& edge : qAsConst(edges))
            parts << edge.countStatement();
        serve([parts] { return parts; }, PlantPage::statement(m_pDB, range, limit, offset), limit,
            QuickQuery());
        return;
    }
    const auto counts = [this, range] { return TimeSlicer(m_pDB).countStatements(range); };
    serve(counts, range.pageStatement(limit, offset), limit, QuickQuery());
}

void CheckData::serve(const std::function<QVector<BoundStatement>()>& countStatements,
    const BoundStatement& page, int limit, const QuickQuery& quick)
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

        const bool asked = m_pQuick && quick.valid;
        const bool counted = asked && m_pQuick->countOfModel(quick.time1, quick.time2, quick.model, &count);
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

        if (!asked
            || !m_pQuick->pageOfModel(quick.time1, quick.time2, quick.model, quick.offset, limit, &rows))
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
