#include "countdata.h"

#include "cancelflag.h"
#include "detectdatadb.h"
#include "quickanswers.h"
#include "timeslicer.h"

#include <QSqlQuery>

CountData::CountData(QObject* parent)
    : RangeWorker(parent)
{
}

void CountData::doWork(QVariantMap m_Map)
{
    const QVariant range = m_Map.value(QStringLiteral("range"));
    if (range.canConvert<RangeQuery>()) {
        countRange(range.value<RangeQuery>());
        return;
    }
    const QString sqlCount = m_Map.value(QStringLiteral("SqlCount")).toString();
    const QString grouping = QStringLiteral("select model,count(model) from (%1) GROUP BY model ;")
                                 .arg(m_Map.value(QStringLiteral("SqlCheck")).toString());
    serve(
        [sqlCount] {
            return QVector<BoundStatement> { { sqlCount, {} } };
        },
        [grouping] {
            return QVector<BoundStatement> { { grouping, {} } };
        });
}

void CountData::countRange(RangeQuery range)
{
    QVector<RangeQuery> edges;
    BoundStatement dayTotal;
    BoundStatement dayGrouping;
    if (splitDays(&range, &edges, &dayTotal, &dayGrouping)) {
        QVector<BoundStatement> counts { dayTotal };
        QVector<BoundStatement> groupings { dayGrouping };
        for (const RangeQuery& edge : qAsConst(edges)) {
            counts << edge.countStatement();
            groupings << edge.groupingStatement();
        }
        serve([counts] { return counts; }, [groupings] { return groupings; });
        return;
    }
    const auto counts = [this, range] { return TimeSlicer(m_pDB).countStatements(range); };
    const auto groupings = [this, range] {
        QVector<BoundStatement> statements;
        for (const RangeQuery& slice : TimeSlicer(m_pDB).split(range))
            statements << slice.groupingStatement();
        return statements;
    };
    Quick quick;
    if (m_pQuick) {
        QuickAnswers* answers = m_pQuick;
        quick = [answers, range](int* total, QMap<QString, int>* counts) {
            return answers->countByModel(range, total, counts);
        };
    }
    serve(counts, groupings, quick);
}

void CountData::serve(
    const Statements& countStatements, const Statements& groupingStatements, const Quick& quick)
{
    const CancelFlag::Scope cancel(m_pCancel);
    auto* counts = new QMap<QString, int>;
    QVariantMap progress;
    progress.insert(QStringLiteral("Type"), QStringLiteral("start"));
    emit sgShowProgress(progress);
    QString total;

    int quickTotal = 0;
    if (m_pDB && quick && quick(&quickTotal, counts)) {
        total = QString::number(quickTotal);
        emit sgShowMsg(QStringLiteral("统计完成"));
    } else if (m_pDB) {
        counts->clear();
        progress.insert(QStringLiteral("msg"), QStringLiteral("正在获取数量..."));
        emit sgShowProgress(progress);

        // A long range is counted and grouped slice by slice so the station
        // can commit in between; the slices' counts add up to the range's.
        QSqlError error;
        int n = 0;
        for (const BoundStatement& part : countStatements()) {
            QSqlQuery countQuery;
            m_pDB->runDetached(part, countQuery);
            int partCount = 0;
            while (countQuery.next())
                partCount = countQuery.value(0).toInt();
            n += partCount;
            if (countQuery.lastError().isValid())
                error = countQuery.lastError();
        }

        const QVector<BoundStatement> groupings = groupingStatements();

        progress.remove(QStringLiteral("msg"));
        progress.insert(QStringLiteral("msg"), QStringLiteral("共%1条记录，正在分类核算数据，请稍后").arg(n));
        emit sgShowProgress(progress);

        // A NULL model and an empty model both read as "": their counts add up,
        // so the per-model numbers stay right; so do the slices' counts.
        for (const BoundStatement& part : groupings) {
            QSqlQuery groups;
            m_pDB->runDetached(part, groups);
            while (groups.next())
                (*counts)[groups.value(0).toString()] += groups.value(1).toInt();
            if (groups.lastError().isValid())
                error = groups.lastError();
        }

        if (error.isValid())
            emit sgError(error.text());
        total = QString::number(n);
        emit sgShowMsg(QStringLiteral("统计完成"));
    }

    progress.remove(QStringLiteral("Type"));
    progress.insert(QStringLiteral("Type"), QStringLiteral("stop"));
    emit sgShowProgress(progress);

    emit resultReady(total, counts);
}
