#ifndef STATIONSHIFTS_H
#define STATIONSHIFTS_H

#include "shiftrecord.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>

// The current shifts of the stations read: one station named "" for a
// station file, each station of the plant archive for the server. A page
// asks for the shifts of the station it shows, or of the whole plant.
class StationShifts
{
public:
    // A later shift of the same station and name replaces the earlier one.
    void add(const QString& station, const ShiftRecord& shift);
    // The shifts of station by name. For an empty name every station's,
    // merged: a name that several stations give takes the times of the
    // first of them in the order they were first added (the archive adds
    // them by name), so the plant's list does not depend on the reading.
    QMap<QString, ShiftRecord> of(const QString& station) const;
    bool isEmpty() const { return m_Order.isEmpty(); }

private:
    QStringList m_Order;
    QHash<QString, QMap<QString, ShiftRecord>> m_ByStation;
};

#endif // STATIONSHIFTS_H
