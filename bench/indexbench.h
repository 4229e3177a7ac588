#ifndef INDEXBENCH_H
#define INDEXBENCH_H

#include "sqliteshell.h"

#include <QString>
#include <QVector>

// Times the viewer's own index of the records (RecordIndex) on a generated
// station file against the direct statements in the sqlite3 shell: the first
// build, a sync of 1 000 new records, the statistics, one model's count and
// its last page from the index, and the index's size.
//
// The sync adds 1 000 copies of existing records (thumbnails included) and
// removes them again afterwards, so the cached file keeps its records.
//
// Thread: GUI thread (it waits for the index's worker by event loop).
class IndexBench
{
public:
    struct Row
    {
        QString op;
        int size = 0;
        double indexMs = -1; // or the figure named in note
        double directMs = -1; // the direct statements in the shell
        QString note;
    };

    // cold: drop the system's file cache before each measured run (root only).
    IndexBench(SqliteShell& shell, int reps, bool cold);

    QVector<Row> run(int size, const QString& stationPath);
    static QString table(const QVector<Row>& rows);

private:
    void dropCaches();

    SqliteShell& m_Shell;
    int m_nReps;
    bool m_bCold;
};

#endif // INDEXBENCH_H
