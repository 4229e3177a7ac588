#include "qualitybench.h"
#include "benchutil.h"
#include "gapmonitor.h"
#include "guitestutil.h"

#include "apppaths.h"
#include "hxreport.h"
#include "qualityanalysis.h"
#include "qualitypage.h"
#include "recordindex.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

namespace {
// The generated year, as the other benchmarks query it.
const QDateTime Start(QDate(2023, 6, 1), QTime(0, 0));
const QDateTime End(QDate(2024, 7, 1), QTime(0, 0));
const QString Model = QStringLiteral("A1");
const int WaitMs = 60 * 60 * 1000;

QString text(const QDateTime& t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString fmt(double value)
{
    return value < 0 ? QStringLiteral("-") : QString::number(value, 'f', 1);
}

// The shell's statements for the same figures.
QStringList trendSql()
{
    return { QStringLiteral("select substr(time, 1, 13), count(*), total(model = 'NG') from wftable "
                            "where time > '%1' and time < '%2' group by 1;")
                 .arg(text(Start), text(End)) };
}

QStringList measureSql()
{
    QStringList parts;
    for (const char* c : { "diameter", "hight", "correlate", "detecttime" })
        parts << QStringLiteral("count(%1), avg(%1), min(%1), max(%1), total(%1 * %1)").arg(QLatin1String(c));
    return { QStringLiteral("select %1 from wftable where time > '%2' and time < '%3' and model = '%4';")
                 .arg(parts.join(QStringLiteral(", ")), text(Start), text(End), Model) };
}
}

QualityBench::QualityBench(SqliteShell& shell, int reps)
    : m_Shell(shell)
    , m_nReps(qMax(1, reps))
{
}

QVector<QualityBench::Row> QualityBench::run(int size, const QString& appDir)
{
    QVector<Row> rows;
    const QString station = QDir(appDir).absoluteFilePath(QStringLiteral("wheelhubwf.db"));
    QTemporaryDir cache;
    RecordIndex index(station, cache.path());
    index.setSyncInterval(0);
    {
        QSignalSpy pass(&index, &RecordIndex::passFinished);
        index.start();
        if (!pass.wait(WaitMs) || !pass.last().at(0).toBool()) {
            BenchUtil::err() << "index not built\n";
            return rows;
        }
    }

    // What every index answer starts with: the check that the index covers
    // the range (the station file is opened and looked at).
    {
        std::vector<double> times;
        for (int i = 0; i <= m_nReps; ++i) {
            QElapsedTimer clock;
            clock.start();
            const bool covered = index.reader().covers(text(Start), text(End)).available;
            if (i > 0 && covered)
                times.push_back(clock.nsecsElapsed() / 1e6);
        }
        Row row;
        row.op = QStringLiteral("index coverage check (part of each index answer)");
        row.size = size;
        row.ms = times.empty() ? -1 : BenchUtil::median(times);
        rows << row;
        BenchUtil::err() << "  " << row.op << ": " << fmt(row.ms) << " ms\n";
    }

    // The analyses alone, as the page's thread runs them.
    struct Case
    {
        const char* op;
        QString model;
        TrendBuckets::Size bucket;
        QStringList shell;
    };
    const Case cases[] = {
        { "trend, a year per hour", QString(), TrendBuckets::Size::Hour, trendSql() },
        { "measurements of one model, a year", Model, TrendBuckets::Size::Day, measureSql() },
    };
    for (const Case& c : cases) {
        const double shellMs = m_Shell.time(station, c.shell, m_nReps);
        for (const bool withIndex : { true, false }) {
            QualityRequest request { Start, End, c.model, c.bucket, {} };
            QualityAnalysis analysis(station, withIndex ? &index.reader() : nullptr);
            std::vector<double> times;
            QualityResult result;
            bool ok = true;
            for (int i = 0; i <= m_nReps; ++i) {
                QElapsedTimer clock;
                clock.start();
                ok = analysis.run(request, &result) && ok;
                if (i > 0) // the first run warms the caches
                    times.push_back(clock.nsecsElapsed() / 1e6);
            }
            Row row;
            row.op = QLatin1String(c.op)
                + (withIndex ? QStringLiteral(" (index)") : QStringLiteral(" (station file)"));
            row.size = size;
            row.ms = ok && result.fromIndex == withIndex ? BenchUtil::median(times) : -1;
            row.shellMs = shellMs;
            row.note
                = QStringLiteral("%1 records, %2 periods").arg(result.total).arg(result.trend.size() - 1);
            rows << row;
            BenchUtil::err() << "  " << row.op << ": " << fmt(row.ms) << " ms, sqlite3 " << fmt(shellMs)
                             << " ms\n";
        }
    }

    // The page in the real window, from the click to the painted charts.
    AppPaths::setApplicationDir(appDir);
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(appDir);
    {
        hxReport window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return rows;
        auto* page = GuiTest::child<QualityPage>(window, "page_Quality");
        page->setIndexReader(index.reader());
        GuiTest::child<QListWidget>(window, "check_listWidget")->setCurrentRow(3);
        GuiTest::pick(window, "pushButton_Set1_Quality", Start);
        GuiTest::pick(window, "pushButton_Set2_Quality", End);
        struct Step
        {
            const char* op;
            int model; // row of the model choice
            int period;
            int tab;
        };
        for (const Step& step : { Step { "page: trend of a year per hour", 0, 1, 0 },
                 Step { "page: measurements of one model, a year", 1, 3, 1 } }) {
            GuiTest::child<QComboBox>(window, "comboBox_Model_Quality")->setCurrentIndex(step.model);
            GuiTest::child<QComboBox>(window, "comboBox_Period_Quality")->setCurrentIndex(step.period);
            GuiTest::child<QTabWidget>(window, "tabWidget_Quality")->setCurrentIndex(step.tab);
            std::vector<double> times;
            std::vector<double> stalls;
            for (int i = 0; i <= m_nReps; ++i) {
                GapMonitor monitor;
                QSignalSpy shown(page, &QualityPage::sgShown);
                monitor.start();
                const double from = monitor.now();
                GuiTest::child<QPushButton>(window, "pushButton_Check_Quality")->click();
                if (shown.isEmpty() && !shown.wait(WaitMs))
                    break;
                window.repaint();
                QCoreApplication::processEvents();
                const double to = monitor.now();
                monitor.stop();
                if (i == 0)
                    continue;
                times.push_back(to - from);
                stalls.push_back(monitor.longestOtherGap());
            }
            Row row;
            row.op = QLatin1String(step.op);
            row.size = size;
            row.ms = times.empty() ? -1 : BenchUtil::median(times);
            row.uiMaxMs = stalls.empty() ? -1 : *std::max_element(stalls.cbegin(), stalls.cend());
            row.note = page->result().fromIndex ? QStringLiteral("from the index")
                                                : QStringLiteral("station file");
            rows << row;
            BenchUtil::err() << "  " << row.op << ": " << fmt(row.ms) << " ms, UI max stall "
                             << fmt(row.uiMaxMs) << " ms\n";
        }
    }
    QDir::setCurrent(oldCwd);
    return rows;
}

QString QualityBench::table(const QVector<Row>& rows)
{
    QString out;
    QTextStream s(&out);
    s << "| operation | records | viewer ms | sqlite3 ms | UI max stall ms | note |\n"
         "|---|---:|---:|---:|---:|---|\n";
    for (const Row& r : rows)
        s << "| " << r.op << " | " << r.size << " | " << fmt(r.ms) << " | " << fmt(r.shellMs) << " | "
          << fmt(r.uiMaxMs) << " | " << r.note << " |\n";
    return out;
}
