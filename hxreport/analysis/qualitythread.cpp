#include "qualitythread.h"

QualityThread::QualityThread(const QString& stationPath, const QualityRequest& request, bool withIndex,
    const IndexReader& index, QObject* parent)
    : QThread(parent)
    , m_StationPath(stationPath)
    , m_Request(request)
    , m_bWithIndex(withIndex)
    , m_Index(index)
{
}

QualityThread::QualityThread(
    const DataBaseSql* plant, const QString& station, const QualityRequest& request, QObject* parent)
    : QThread(parent)
    , m_Request(request)
    , m_pPlant(plant)
    , m_Station(station)
{
}

void QualityThread::run()
{
    QualityAnalysis analysis = m_pPlant ? QualityAnalysis(m_pPlant, m_Station)
                                        : QualityAnalysis(m_StationPath, m_bWithIndex ? &m_Index : nullptr);
    m_bOk = analysis.run(m_Request, &m_Result, &m_Stop);
    m_Error = analysis.errorString();
}
