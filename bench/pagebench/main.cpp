// Times what a user waits for on one station file: the window from the
// program's start to its first paint, the statistics of the whole range, and
// the production page's first page of all models, each from the click to the
// painted result, with the record index in step. The same program runs on
// Linux and, cross-built, under Wine, so the two can be set side by side.
//
// usage: hxpagebench --dir STATION_FOLDER [--reps N]

#include "apppaths.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "pageindex.h"
#include "recordindex.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QListWidget>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {
const QDateTime RangeStart(QDate(2000, 1, 1), QTime(0, 0));
const QDateTime RangeEnd(QDate(2099, 1, 1), QTime(0, 0));

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

void showPage(hxReport& window, const char* button)
{
    auto* list = GuiTest::child<QListWidget>(window, "check_listWidget");
    auto* stack = GuiTest::child<QStackedWidget>(window, "stackedWidget");
    QWidget* target = GuiTest::child<QWidget>(window, button);
    for (int i = 0; i < stack->count(); ++i) {
        if (stack->widget(i)->isAncestorOf(target))
            list->setCurrentRow(i);
    }
    QCoreApplication::processEvents();
}

// Milliseconds from the click to the window's signal and the repaint after it.
double timeClick(hxReport& window, const char* button)
{
    QElapsedTimer clock;
    clock.start();
    if (!GuiTest::clickAndWait(window, button, &hxReport::sgPageShown, 600000))
        return -1;
    window.repaint();
    return double(clock.nsecsElapsed()) / 1e6;
}
// The median of reps queries of a page over the whole range.
double timePage(hxReport& window, const char* setStart, const char* setEnd, const char* query, int reps)
{
    showPage(window, query);
    GuiTest::pick(window, setStart, RangeStart);
    GuiTest::pick(window, setEnd, RangeEnd);
    std::vector<double> times;
    for (int i = 0; i < reps; ++i)
        times.push_back(timeClick(window, query));
    return median(times);
}
}

int main(int argc, char* argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption(
        { QStringLiteral("dir"), QStringLiteral("The station folder."), QStringLiteral("folder") });
    parser.addOption({ QStringLiteral("reps"), QStringLiteral("Repeats of each query (default 5)."),
        QStringLiteral("n"), QStringLiteral("5") });
    parser.process(app);
    QTextStream out(stdout);
    if (!parser.isSet(QStringLiteral("dir"))) {
        out << parser.helpText();
        return 2;
    }
    AppPaths::setStationDir(QDir(parser.value(QStringLiteral("dir"))).absolutePath());
    QTemporaryDir index;
    AppPaths::setIndexFolder(index.path());
    const int reps = qMax(1, parser.value(QStringLiteral("reps")).toInt());

    hxReport window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    window.repaint();
    const double startup = double(sinceStart.nsecsElapsed()) / 1e6;

    QElapsedTimer indexClock;
    indexClock.start();
    auto* pageIndex = window.findChild<PageIndex*>();
    const bool inStep
        = pageIndex && QTest::qWaitFor([pageIndex] { return pageIndex->recordIndex()->isInStep(); }, 900000);
    const double indexMs = double(indexClock.nsecsElapsed()) / 1e6;

    const double statistics = timePage(
        window, "pushButton_Set1_Count", "pushButton_Set2_Count", "pushButton_Checkdata_Calculate", reps);
    const double production = timePage(
        window, "pushButton_Set1_History", "pushButton_Set2_History", "pushButton_Checkdata", reps);

    out << "start-up to painted window: " << QString::number(startup, 'f', 0) << " ms\n"
        << "record index " << (inStep ? "in step" : "NOT in step") << " after "
        << QString::number(indexMs, 'f', 0) << " ms\n"
        << "statistics, whole range (median of " << reps << "): " << QString::number(statistics, 'f', 1)
        << " ms\n"
        << "production, first page of all models (median of " << reps
        << "): " << QString::number(production, 'f', 1) << " ms\n";
    return inStep ? 0 : 1;
}
