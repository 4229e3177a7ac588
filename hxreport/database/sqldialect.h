#ifndef SQLDIALECT_H
#define SQLDIALECT_H

// Which engine runs the viewer's statements: a station's SQLite file, or the
// plant's MariaDB archive (tables records and logs with a station column,
// equal times in the order of their id).
enum class SqlDialect
{
    Station,
    Plant,
};

#endif // SQLDIALECT_H
