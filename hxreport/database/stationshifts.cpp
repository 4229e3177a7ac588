#include "stationshifts.h"

void StationShifts::add(const QString& station, const ShiftRecord& shift)
{
    if (!m_ByStation.contains(station))
        m_Order.append(station);
    m_ByStation[station].insert(shift.type, shift);
}

QMap<QString, ShiftRecord> StationShifts::of(const QString& station) const
{
    if (!station.isEmpty())
        return m_ByStation.value(station);
    QMap<QString, ShiftRecord> plant;
    for (const QString& name : m_Order) {
        const QMap<QString, ShiftRecord> own = m_ByStation.value(name);
        for (auto it = own.cbegin(); it != own.cend(); ++it) {
            if (!plant.contains(it.key()))
                plant.insert(it.key(), it.value());
        }
    }
    return plant;
}
