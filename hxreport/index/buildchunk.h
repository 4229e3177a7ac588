#ifndef BUILDCHUNK_H
#define BUILDCHUNK_H

#include "sqlitehandle.h"

#include <QByteArray>
#include <QVector>

struct sqlite3_context;

// One chunk of station records on its way from the build's reader thread to
// the index: the keys and model slots made by the reader, the four measured
// values with their exact storage class, and the chunk's hour counts.
// Texts and blobs live in one byte arena, so a record costs no allocation.
class BuildChunk
{
public:
    // A measured value: its SQLite type, a number, or offset and size of its
    // bytes in the arena.
    struct Cell
    {
        int type = 0; // SQLITE_NULL (5)
        int size = 0;
        union {
            qint64 integer;
            double real;
            qint64 offset;
        };
        Cell()
            : integer(0)
        {
        }
    };
    struct Record
    {
        qint64 uid = 0;
        qint64 ti = 0;
        int slot = 0; // the reader's number of the record's model
        int txSize = 0; // odd texts: the key's text in the arena
        qint64 txOffset = 0;
        Cell values[4];
    };
    struct HourCount
    {
        int slot = 0;
        qint64 hour = 0;
        qint64 n = 0;
        qint64 x = 0;
    };

    QVector<Record> records;
    QVector<HourCount> hours; // a (slot, hour) may come more than once
    // Models first seen in this chunk: their values get the slots
    // firstNewSlot, firstNewSlot + 1, ...
    QVector<SqliteValue> newModels;
    int firstNewSlot = 0;
    // The first and last record in the station's order: the index's first
    // record and where the build goes on.
    SqliteValue firstTime; // the first record with a time (NULL: none)
    qint64 firstUid = 0;
    SqliteValue lastTime;
    // The hours the chunk's timed records lie in (firstHour < 0: none).
    qint64 firstHour = -1;
    qint64 lastHour = -1;
    bool finished = false; // the last chunk of the build

    // Copies a value of the station's statement into cell (its bytes into
    // the arena).
    void setCell(Cell* cell, sqlite3_value* value);
    void setText(Record* record, const QByteArray& tx);
    // Gives a cell or a record's key text as a function result (the bytes
    // stay in the arena while the statement runs).
    void result(sqlite3_context* context, const Cell& cell) const;
    void resultTx(sqlite3_context* context, const Record& record) const;
    void clear();
    // Room for records of about bytesEach bytes of text.
    void reserve(int records, int bytesEach);

private:
    QByteArray m_Arena;
};

#endif // BUILDCHUNK_H
