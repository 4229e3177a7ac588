#include "plantcatalogthread.h"

#include "detectdatadb.h"

PlantCatalogThread::PlantCatalogThread(DetectDataDB* db, QObject* parent)
    : QThread(parent)
    , m_pDB(db)
{
}

void PlantCatalogThread::run()
{
    if (!m_pDB->readStations(&m_Stations) || !m_pDB->readPlantModels(&m_Models)
        || !m_pDB->readShifts(&m_Shifts)) {
        m_Error = m_pDB->lastError().text();
        if (m_Error.trimmed().isEmpty())
            m_Error = QStringLiteral("the server did not answer");
    }
    emit catalogRead();
}
