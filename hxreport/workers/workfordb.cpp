#include "workfordb.h"

#include "detectdatadb.h"
#include "stationschema.h"

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
        m_pDB->trimLogClass(StationSchema::toInt(LogClass::Alarm), ncount);
        m_pDB->trimLogClass(StationSchema::toInt(LogClass::State), ncount);
    }
    emit resultReady(QString());
}
