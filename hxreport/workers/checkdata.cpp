#include "checkdata.h"

#include "detectdatadb.h"
#include "timeslicer.h"

CheckData::CheckData(QObject* parent)
    : QObject(parent)
{
}

void CheckData::setDataBase(DetectDataDB* db)
{
    m_pDB = db;
}

void CheckData::doWork(QVariantMap m_map)
{
    // One progress map per request: later messages keep the keys set earlier.
    QVariantMap progress;
    progress.insert(QStringLiteral("Type"), QStringLiteral("start"));
    emit sgShowProgress(progress);

    const QString sqlCount = m_map.value(QStringLiteral("SqlCount")).toString();
    const QString sqlCheck = m_map.value(QStringLiteral("SqlCheck")).toString();
    const int limit = m_map.value(QStringLiteral("limit")).toInt();
    int count = 0;
    QSqlQuery rows;
    QString error;

    if (m_pDB) {
        progress.insert(QStringLiteral("msg"), QStringLiteral("正在获取数量"));
        emit sgShowProgress(progress);

        // A long range is counted slice by slice so the station can commit in
        // between; each statement's last row holds its count.
        for (const QString& part : TimeSlicer(m_pDB).split(sqlCount)) {
            QSqlQuery countQuery;
            m_pDB->execSql(part, countQuery);
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

        m_pDB->execSql(sqlCheck, rows);
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
