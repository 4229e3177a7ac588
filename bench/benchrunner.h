#ifndef BENCHRUNNER_H
#define BENCHRUNNER_H

#include "gapmonitor.h"
#include "indexbench.h"
#include "qualitybench.h"
#include "sqliteshell.h"
#include "sqltrace.h"

#include <QDateTime>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class hxReport;
class ModalDriver;
class QPushButton;

// Drives the real main window offscreen through its widgets on generated
// databases of several sizes, times each operation from the click to the
// painted result, runs the same statements through the sqlite3 shell, and
// prints the comparison.
//
// Thread: GUI thread only (it owns the windows it drives).
class BenchRunner : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString dataDir; // cached databases, one folder per size
        QString program; // this executable, re-run for the start-up figure
        QList<int> sizes { 10000, 100000, 1000000 };
        int logs = 100000;
        QSize imageSize { 240, 180 };
        int reps = 3;
        int exportReps = 2;
        QString markdownFile; // the table is also written here when set
        bool indexOnly = false; // only the index figures (IndexBench)
        bool cold = false; // index figures with the file cache dropped first
        bool qualityOnly = false; // only the quality analyses' figures (QualityBench)
    };

    // One operation at one size. Times in milliseconds; -1 when not measured.
    struct Result
    {
        QString op;
        int size = 0;
        double viewerMs = -1;
        double viewerSqlMs = -1; // time SQLite spent on the viewer's statements
        double shellMs = -1;
        double showGapMs = 0; // GUI thread busy filling and painting the result
        double otherGapMs = 0; // longest other stall of the GUI thread
        double guiSqlMs = 0; // SQL run on the GUI thread
        qint64 rows = 0; // exports
        double shellRows = 0;
        qint64 peakKb = 0;
        qint64 rssBeforeKb = 0;
        qint64 shellPeakKb = 0;
        int viewerStatements = 0; // statements the viewer ran (per run)
        QStringList statements; // what the shell ran
        QString note;
    };

    explicit BenchRunner(const Options& options, QObject* parent = nullptr);
    ~BenchRunner() override;

    // Runs everything and prints the tables; false when something failed.
    bool run();

    // The start-up measurement, run in a fresh process: prints the time from
    // the constructor to the painted window and the statements it ran.
    static int startupChild(const QString& folder);

private:
    struct Run
    {
        bool ok = false;
        double ms = 0;
        double showGap = 0;
        double otherGap = 0;
        double sqlMs = 0;
        double guiSqlMs = 0;
        QStringList statements;
        QString message;
        qint64 peakKb = 0;
        qint64 rssBeforeKb = 0;

        // Adds the statements the viewer ran during the run (from SqlTrace).
        template <class Entries> void addStatements(const Entries& entries, bool (*internal)(const QString&))
        {
            for (const auto& entry : entries) {
                sqlMs += entry.ms;
                if (entry.guiThread)
                    guiSqlMs += entry.ms;
                if (!internal(entry.sql))
                    statements.append(entry.sql);
            }
        }
    };

    bool prepareData(int size, QString* dir);
    bool runSize(int size, const QString& dir);
    Result startup(int size, const QString& dir);

    // Times act() until the window emits `signal`, then paints it.
    Run timePage(hxReport& window, void (hxReport::*signal)(), const std::function<void()>& act);
    Run timeExport(QPushButton* button, const QString& file);
    // shell() gives the statements the operation stands for, as the window
    // builds them (read after the first run, so paging offsets are set).
    Result measurePage(const QString& op, int size, const QString& dir, hxReport& window,
        void (hxReport::*signal)(), const std::function<void()>& act,
        const std::function<QStringList()>& shell);
    // shellStatement: the export's statement with the columns the file holds.
    Result measureExport(
        const QString& op, int size, const QString& dir, QPushButton* button, const QString& shellStatement);

    void pick(hxReport& window, const char* button, const QDateTime& value);
    void showPage(hxReport& window, const char* button);
    void note(const Result& result);
    void collectPlans(const QString& dir, const QStringList& statements);
    void printReport();

    Options m_Options;
    GapMonitor m_Monitor;
    ModalDriver* m_pDriver = nullptr;
    SqliteShell m_Shell;
    QVector<Result> m_Results;
    QVector<IndexBench::Row> m_IndexRows;
    QVector<QualityBench::Row> m_QualityRows;
    QStringList m_PlanKeys;
    QStringList m_Plans;
};

#endif // BENCHRUNNER_H
