#include "synctable.h"

#include "stationschema.h"

QStringList SyncTable::names() const
{
    QStringList list;
    for (const Column& column : columns)
        list << column.name;
    return list;
}

SyncTable SyncTable::records(bool withPicture)
{
    // Widths as in the server's schema (server/schema.sql).
    SyncTable table;
    table.stationTable = StationSchema::detectionTable();
    table.serverTable = QStringLiteral("records");
    table.columns = { { QStringLiteral("time"), Kind::Text, 64 },
        { QStringLiteral("model"), Kind::Text, 255 }, { QStringLiteral("channel"), Kind::Integer, 0 },
        { QStringLiteral("correlate"), Kind::Real, 0 }, { QStringLiteral("detecttime"), Kind::Text, 64 },
        { QStringLiteral("diameter"), Kind::Real, 0 }, { QStringLiteral("hight"), Kind::Real, 0 } };
    if (withPicture)
        table.columns.append({ QStringLiteral("pic"), Kind::Bytes, 0 });
    table.identity = 2; // time, model
    return table;
}

SyncTable SyncTable::logs()
{
    SyncTable table;
    table.stationTable = StationSchema::logTable();
    table.serverTable = QStringLiteral("logs");
    table.columns = { { QStringLiteral("time"), Kind::Text, 64 }, { QStringLiteral("class"), Kind::Text, 32 },
        { QStringLiteral("message"), Kind::Text, 0 } };
    table.identity = 3;
    return table;
}

SyncTable SyncTable::shifts()
{
    SyncTable table;
    table.stationTable = StationSchema::shiftTable();
    table.serverTable = QStringLiteral("shifts");
    table.columns = { { QStringLiteral("type"), Kind::Text, 255 },
        { QStringLiteral("starttime"), Kind::Text, 64 }, { QStringLiteral("endtime"), Kind::Text, 64 },
        { QStringLiteral("startType"), Kind::Integer, 0 }, { QStringLiteral("EndType"), Kind::Integer, 0 } };
    table.identity = 5;
    return table;
}
