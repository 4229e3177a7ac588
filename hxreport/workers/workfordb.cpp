#include "workfordb.h"

#include "detectdatadb.h"

WorkForDB::WorkForDB(QObject* parent)
    : QObject(parent)
{
}

void WorkForDB::setDataBase(DetectDataDB* db)
{
    m_pDB = db;
}

void WorkForDB::doWork(QString strTime, int ncount)
{
    if (m_pDB) {
        m_pDB->deleteBefore(strTime);
        m_pDB->trimLogClass(1, ncount);
        m_pDB->trimLogClass(4, ncount);
    }
    emit resultReady(QString());
}
