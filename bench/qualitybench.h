#ifndef QUALITYBENCH_H
#define QUALITYBENCH_H

#include "sqliteshell.h"

#include <QString>
#include <QVector>

// Times the quality analyses on a generated station file with its index
// built: a year's trend per hour and one model's measurement figures over the
// year, each from the index and from the station file (warm, median of the
// runs), beside the sqlite3 shell's grouping and aggregate statements for the
// same figures; then the real window's quality page driven through its
// widgets, with the GUI thread's longest stall from the click to the painted
// chart.
//
// Thread: GUI thread (it drives the window and waits for the index's worker).
class QualityBench
{
public:
    struct Row
    {
        QString op;
        int size = 0;
        double ms = -1;
        double shellMs = -1;
        double uiMaxMs = -1; // window rows only
        QString note;
    };

    QualityBench(SqliteShell& shell, int reps);

    // appDir holds wheelhubwf.db (and the model file) of the size.
    QVector<Row> run(int size, const QString& appDir);
    static QString table(const QVector<Row>& rows);

private:
    SqliteShell& m_Shell;
    int m_nReps;
};

#endif // QUALITYBENCH_H
