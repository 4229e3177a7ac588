#include "checkthread.h"

#include "detectdatadb.h"

CheckThread::CheckThread(QObject* parent)
    : QThread(parent)
{
}

void CheckThread::setQuery(DetectDataDB* db, QString sql)
{
    m_pDB = db;
    m_Sql = sql;
}

void CheckThread::setMode(CheckMode mode)
{
    m_Mode = mode;
}

void CheckThread::setMode(int mode)
{
    setMode(mode == static_cast<int>(CheckMode::Count) ? CheckMode::Count : CheckMode::Rows);
}

void CheckThread::run()
{
    const CancelFlag::Scope cancel(&m_Cancel);
    QSqlQuery query;
    int count = 0;
    if (m_pDB) {
        m_pDB->execSql(m_Sql, query);
        if (m_Mode == CheckMode::Count) {
            while (query.next()) {
                bool ok = false;
                const int value = query.value(0).toString().toInt(&ok, 10);
                count = ok ? value : 0;
            }
        }
    }
    emit resultReady(query);
    emit resultCount(count);
}
