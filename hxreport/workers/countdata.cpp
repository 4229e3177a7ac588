#include "countdata.h"

#include "detectdatadb.h"

#include <QSqlQuery>

CountData::CountData(QObject* parent)
    : QObject(parent)
{
}

void CountData::setDataBase(DetectDataDB* db)
{
    m_pDB = db;
}

void CountData::doWork(QVariantMap m_Map)
{
    auto* counts = new QMap<QString, int>;
    QVariantMap progress;
    progress.insert(QStringLiteral("Type"), QStringLiteral("start"));
    emit sgShowProgress(progress);
    QString total;

    const QString sqlCount = m_Map.value(QStringLiteral("SqlCount")).toString();
    const QString sqlCheck = m_Map.value(QStringLiteral("SqlCheck")).toString();

    if (m_pDB) {
        progress.insert(QStringLiteral("msg"), QStringLiteral("正在获取数量..."));
        emit sgShowProgress(progress);

        QSqlQuery countQuery;
        m_pDB->execSql(sqlCount, countQuery);
        int n = 0;
        while (countQuery.next())
            n = countQuery.value(0).toInt();

        const QString grouping = QStringLiteral("select model,count(model) from (%1) GROUP BY model ;").arg(sqlCheck);
        QSqlQuery groups;
        m_pDB->execSql(grouping, groups);

        progress.remove(QStringLiteral("msg"));
        progress.insert(QStringLiteral("msg"), QStringLiteral("共%1条记录，正在分类核算数据，请稍后").arg(n));
        emit sgShowProgress(progress);

        // A NULL model and an empty model both read as "": their counts add up,
        // so the per-model numbers stay right.
        while (groups.next())
            (*counts)[groups.value(0).toString()] += groups.value(1).toInt();

        const QSqlError error = countQuery.lastError().isValid() ? countQuery.lastError() : groups.lastError();
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
