#ifndef STATIONFILE_H
#define STATIONFILE_H

#include "sqlitehandle.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

// Reads what the index (and the plant sync) needs from the station's
// wheelhubwf.db, on a read-only connection (the file is never written), each
// step in one short statement or read transaction so the station never waits
// long for its lock.
class StationFile
{
public:
    // The measured columns the index copies, in the order of IndexFile's rec.
    static const QStringList& columns(); // time, model, correlate, detecttime, diameter, hight
    // A statement on the production table, "%1" standing for its name.
    static QByteArray onRecords(const char* sql);

    struct Check
    {
        qint64 maxUid = 0; // 0 when the table is empty
        bool hasSequence = false; // the table is AUTOINCREMENT: uids never come back
        qint64 sequence = 0;
        bool hasRow = false; // the record uid == asked uid
        SqliteValue rowTime;
        SqliteValue rowModel;
        // First record in (time, uid) order among those with a time.
        bool hasFirst = false;
        SqliteValue firstTime;
        qint64 firstUid = 0;
        SqliteValue firstModel;
        qint64 minUid = 0; // 0 when the table is empty
        // First record in (time, uid) order among those with a time and a
        // uid <= the asked uid (when asked).
        bool hasOldFirst = false;
        SqliteValue oldFirstTime;
        qint64 oldFirstUid = 0;
        SqliteValue oldFirstModel;
    };

    struct Row
    {
        qint64 uid = 0;
        SqliteValue values[6]; // in columns() order
    };

    // Any table of the file, for the plant sync: the columns it asks for,
    // NULL where the table lacks one (older station files).
    struct TableRow
    {
        qint64 uid = 0;
        QVector<SqliteValue> values;
    };
    struct TableProbe
    {
        qint64 maxUid = 0; // 0 when the table is empty
        bool hasSequence = false;
        qint64 sequence = 0;
        bool hasRow = false; // the row uid == asked uid
        QVector<SqliteValue> row;
        bool hasFirstTime = false; // the smallest time that is not NULL
        SqliteValue firstTime;
        QVector<TableRow> others; // those of the other asked uids that are there, in uid order
    };

    explicit StationFile(const QString& path, const std::atomic<bool>* interrupt = nullptr);

    bool open();
    SqliteConnection& connection() { return m_Db; }
    QString errorString() const { return m_Error; }

    // Device and inode of the file (on Windows the volume serial number and
    // the file index); empty where unknown.
    static QByteArray fileId(const QString& path);
    // Declared types of columns(), in that order (empty for a missing column);
    // false when the file has no wftable.
    bool declaredTypes(QStringList* types);

    // One read transaction: max and min uid, sequence, the record `uid` and
    // the first record up to it (when uid > 0), the first record: lookups on
    // the uid key or the start of the time index.
    bool check(qint64 uid, Check* check);
    // Records with uid > afterUid in uid order, at most maxRows, stopping
    // early after maxMs; *caughtUp when there were no more. With caughtUp the
    // same read transaction also fills *check.
    bool readAfter(qint64 afterUid, int maxRows, int maxMs, QVector<Row>* rows, bool* caughtUp, Check* check);
    // "uid, time, model, correlate, detecttime, diameter, hight" as a select
    // list of wftable, NULL for a column the table lacks (after declaredTypes).
    const QByteArray& recordList() const { return m_List; }
    // Records with uid > afterUid whose time lies in (time1, time2), counted
    // along the uid key (reads only the records after afterUid).
    bool countAfterInRange(qint64 afterUid, const QByteArray& time1, const QByteArray& time2, qint64* count);

    // Rows of table with uid > afterUid in uid order, at most maxRows, stopping
    // early after maxMs (with at least one row): one read transaction.
    // *caughtUp when no row was left. False (errorString()) when the table is
    // missing or the read failed.
    bool readTableAfter(const QString& table, const QStringList& columns, qint64 afterUid, int maxRows,
        int maxMs, QVector<TableRow>* rows, bool* caughtUp);
    // One read transaction on table: its largest uid and sequence, the row
    // uid (columns; uid > 0), with firstTime the smallest time, and the rows
    // of otherUids that are there.
    bool probeTable(const QString& table, const QStringList& columns, qint64 uid, bool firstTime,
        TableProbe* probe, const QVector<qint64>& otherUids = {});
    // True when the file has the table.
    bool hasTable(const QString& table);

private:
    QByteArray selectList(const QString& table, const QStringList& columns);
    bool readCheck(qint64 uid, Check* check);
    bool fail();

    QString m_Path;
    const std::atomic<bool>* m_pInterrupt;
    SqliteConnection m_Db;
    QString m_Error;
    QByteArray m_ChunkSql;
    QByteArray m_List; // uid and columns() (NULL for those the table lacks)
    QHash<QString, QByteArray> m_SelectLists; // by table and columns
};

#endif // STATIONFILE_H
