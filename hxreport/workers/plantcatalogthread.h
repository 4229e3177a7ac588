#ifndef PLANTCATALOGTHREAD_H
#define PLANTCATALOGTHREAD_H

#include "stationshifts.h"

#include <QString>
#include <QStringList>
#include <QThread>

class DetectDataDB;

// Reads what the window lists from the plant server: the stations, every
// station's models and their current shifts. On a thread of its own, so that
// a slow, locked or stalled server never holds up the window; the window
// fills its boxes when catalogRead() arrives.
class PlantCatalogThread : public QThread
{
    Q_OBJECT
public:
    explicit PlantCatalogThread(DetectDataDB* db, QObject* parent = nullptr);

    // Valid once catalogRead() was emitted.
    const QStringList& stations() const { return m_Stations; }
    const QStringList& models() const { return m_Models; }
    const StationShifts& shifts() const { return m_Shifts; }
    // Why the server could not be read; empty when it was.
    const QString& error() const { return m_Error; }

signals:
    void catalogRead();

protected:
    void run() override;

private:
    DetectDataDB* m_pDB;
    QStringList m_Stations;
    QStringList m_Models;
    StationShifts m_Shifts;
    QString m_Error;
};

#endif // PLANTCATALOGTHREAD_H
