#ifndef SYNCTABLE_H
#define SYNCTABLE_H

#include <QString>
#include <QStringList>
#include <QVector>

// A station table and its copy on the server: the columns the sync copies,
// under the same names on both sides, and what each server column can hold.
class SyncTable
{
public:
    enum class Kind
    {
        Text, // at most maxChars characters (0: no limit)
        Integer,
        Real,
        Bytes
    };
    struct Column
    {
        QString name;
        Kind kind = Kind::Text;
        int maxChars = 0;
    };

    QString stationTable;
    QString serverTable;
    QVector<Column> columns; // after station, epoch, uid on the server
    int identity = 0; // the first `identity` columns identify a row in its file

    QStringList names() const;

    // wftable; pic only when thumbnails are copied.
    static SyncTable records(bool withPicture);
    static SyncTable logs(); // warningtable
    static SyncTable shifts(); // wftimetable_2
};

#endif // SYNCTABLE_H
