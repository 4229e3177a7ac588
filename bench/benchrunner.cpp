#include "benchrunner.h"
#include "benchutil.h"

#include "apppaths.h"
#include "detectdatadb.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "modaldriver.h"
#include "pageindex.h"
#include "recordindex.h"
#include "stationsimulator.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The generated records end here and span one year; the range below holds
// them all.
const QDateTime DataEnd(QDate(2024, 6, 30), QTime(23, 59, 59));
const int DataDays = 365;
const QDateTime RangeStart(QDate(2023, 6, 1), QTime(0, 0));
const QDateTime RangeEnd(QDate(2024, 7, 1), QTime(0, 0));
const int PageSize = 50;
const int WaitLimitMs = 10 * 60 * 1000;
const char* const DataVersion = "bench-data v1";
const char* const StartupTag = "STARTUP_MS ";
const char* const StartupSqlTag = "STARTUP_SQL ";

QTextStream& (*const err)() = &BenchUtil::err;
double (*const median)(std::vector<double>) = &BenchUtil::median;

using GuiTest::child;

// Statements SQLite runs on its own (reading the schema of a new connection)
// are the viewer's cost but no statement of its own.
bool isInternal(const QString& sql)
{
    return sql.startsWith(QLatin1String("SELECT*FROM\""));
}

qint64 procStatusKb(const char* key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Makes VmHWM start again from the current resident size.
void resetPeakMemory()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

// "总数,N" is the export's own count of the rows it wrote.
qint64 exportedRows(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    file.seek(std::max<qint64>(0, file.size() - 512));
    const QString tail = QString::fromUtf8(file.readAll());
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("总数,(\\d+)")).match(tail);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

qint64 lineCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    qint64 lines = 0;
    while (!file.atEnd()) {
        const QByteArray block = file.read(1 << 20);
        lines += block.count('\n');
    }
    return lines;
}

QString fmt(double value, int decimals = 1)
{
    if (value < 0)
        return QStringLiteral("-");
    return QString::number(value, 'f', decimals);
}

QString ratio(double a, double b)
{
    // Below a tenth of a millisecond the shell's figure is noise.
    if (a < 0 || b < 0.1)
        return QStringLiteral("-");
    return QString::number(a / b, 'f', 2) + QLatin1Char('x');
}

QString sizeText(int size)
{
    if (size >= 1000000 && size % 1000000 == 0)
        return QStringLiteral("%1M").arg(size / 1000000);
    if (size >= 1000 && size % 1000 == 0)
        return QStringLiteral("%1k").arg(size / 1000);
    return QString::number(size);
}

QString normalized(const QString& sql)
{
    QString text = sql.simplified();
    text.replace(QRegularExpression(QStringLiteral("'[^']*'")), QStringLiteral("'?'"));
    text.replace(QRegularExpression(QStringLiteral("\\b\\d+\\b")), QStringLiteral("N"));
    return text;
}

} // namespace

BenchRunner::BenchRunner(const Options& options, QObject* parent)
    : QObject(parent)
    , m_Options(options)
{
    m_pDriver = new ModalDriver([this] { return m_Monitor.now(); }, this);
}

BenchRunner::~BenchRunner() = default;

int BenchRunner::startupChild(const QString& folder)
{
    const QString appDir = QDir(folder).absolutePath();
    AppPaths::setApplicationDir(appDir);
    // The operations' index folder (see runSize()), not the user's cache.
    AppPaths::setIndexFolder(QDir::cleanPath(QDir(appDir).absoluteFilePath(QStringLiteral("../index"))));
    QDir::setCurrent(appDir);
    QElapsedTimer clock;
    SqlTrace::start();
    clock.start();
    double ms = 0;
    QVector<SqlTrace::Entry> statements;
    {
        hxReport window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return 1;
        window.repaint();
        ms = double(clock.nsecsElapsed()) / 1e6;
        statements = SqlTrace::stop();
    }
    QTextStream out(stdout);
    out << StartupTag << ms << '\n';
    // The window's statements run on the GUI thread; the record index's first
    // pass, which starts once the event loop runs, on its own thread, and is
    // not start-up's work.
    for (const SqlTrace::Entry& entry : statements) {
        if (entry.guiThread)
            out << StartupSqlTag << entry.ms << ' ' << entry.sql.simplified() << '\n';
    }
    return 0;
}

bool BenchRunner::prepareData(int size, QString* dir)
{
    *dir = QDir(m_Options.dataDir).absoluteFilePath(QStringLiteral("db-%1").arg(size));
    const QString marker = QDir(*dir).absoluteFilePath(QStringLiteral("bench-data.txt"));
    const QString wanted = QStringLiteral("%1 records=%2 logs=%3 image=%4x%5 days=%6 seed=1")
                               .arg(QLatin1String(DataVersion))
                               .arg(size)
                               .arg(m_Options.logs)
                               .arg(m_Options.imageSize.width())
                               .arg(m_Options.imageSize.height())
                               .arg(DataDays);
    QFile markerFile(marker);
    if (markerFile.open(QIODevice::ReadOnly) && QString::fromUtf8(markerFile.readAll()).trimmed() == wanted
        && QFile::exists(QDir(*dir).absoluteFilePath(QStringLiteral("wheelhubwf.db")))) {
        err() << "using cached " << *dir << '\n';
    } else {
        markerFile.close();
        QFile::remove(marker);
        err() << "generating " << size << " records into " << *dir << " ..." << Qt::endl;
        StationSimulator::Options options;
        options.appDir = *dir;
        options.records = size;
        options.days = DataDays;
        options.endTime = DataEnd;
        options.logs = m_Options.logs;
        options.imageSize = m_Options.imageSize;
        options.format = "JPEG";
        QElapsedTimer clock;
        clock.start();
        {
            StationSimulator simulator(options);
            if (!simulator.generate()) {
                err() << "generation failed: " << simulator.errorString() << '\n';
                return false;
            }
        }
        err() << "generated in " << clock.elapsed() / 1000.0 << " s" << Qt::endl;
        if (!markerFile.open(QIODevice::WriteOnly))
            return false;
        markerFile.write(wanted.toUtf8() + '\n');
    }
    // The viewer loads its translations from beside its own folder.
    const QString language = QDir(*dir).absoluteFilePath(QStringLiteral("language"));
    if (!QFileInfo::exists(language))
        QFile::link(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("language")),
            language);
    return true;
}

bool BenchRunner::run()
{
    if (!m_Shell.available()) {
        err() << "sqlite3 shell not found\n";
        return false;
    }
    QDir().mkpath(m_Options.dataDir);
    for (int size : qAsConst(m_Options.sizes)) {
        QString dir;
        if (!prepareData(size, &dir))
            return false;
        if (!runSize(size, dir))
            return false;
    }
    printReport();
    return true;
}

void BenchRunner::note(const Result& r)
{
    err() << QStringLiteral("  %1 %2: viewer %3 ms (sql %4), sqlite3 %5 ms, ratio %6, ui show %7 other %8")
                 .arg(sizeText(r.size), r.op, fmt(r.viewerMs), fmt(r.viewerSqlMs), fmt(r.shellMs),
                     ratio(r.viewerMs, r.shellMs), fmt(r.showGapMs), fmt(r.otherGapMs))
          << Qt::endl;
}

BenchRunner::Result BenchRunner::startup(int size, const QString& dir)
{
    Result result;
    result.op = QStringLiteral("start-up");
    result.size = size;
    std::vector<double> times;
    QStringList statements;
    double sql = 0;
    for (int i = 0; i < m_Options.reps; ++i) {
        QProcess process;
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(m_Options.program, { QStringLiteral("--startup"), dir });
        if (!process.waitForFinished(120000) || process.exitCode() != 0) {
            result.note = QStringLiteral("start-up run failed");
            return result;
        }
        statements.clear();
        sql = 0;
        for (const QString& line :
            QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String(StartupTag))) {
                times.push_back(line.mid(int(qstrlen(StartupTag))).toDouble());
            } else if (line.startsWith(QLatin1String(StartupSqlTag))) {
                const QString rest = line.mid(int(qstrlen(StartupSqlTag)));
                const int space = rest.indexOf(QLatin1Char(' '));
                const QString text = rest.mid(space + 1);
                sql += rest.left(space).toDouble();
                // The model list lives in the other file; the shell runs the detection file's statements.
                if (!isInternal(text) && !text.contains(QLatin1String("modelTable")))
                    statements.append(text);
            }
        }
    }
    result.viewerMs = median(times);
    result.viewerSqlMs = sql;
    result.viewerStatements = statements.size();
    result.statements = statements;
    const QString db = QDir(dir).absoluteFilePath(QStringLiteral("wheelhubwf.db"));
    result.shellMs = m_Shell.time(db, statements, m_Options.reps);
    result.note = QStringLiteral("fresh process; constructor to painted window");
    return result;
}

void BenchRunner::pick(hxReport& window, const char* button, const QDateTime& value)
{
    m_pDriver->expectPicker(value);
    child<QPushButton>(window, button)->click();
}

void BenchRunner::showPage(hxReport& window, const char* button)
{
    auto* list = child<QListWidget>(window, "check_listWidget");
    auto* stack = child<QStackedWidget>(window, "stackedWidget");
    QWidget* target = child<QWidget>(window, button);
    for (int i = 0; i < stack->count(); ++i) {
        if (stack->widget(i)->isAncestorOf(target)) {
            list->setCurrentRow(i);
            break;
        }
    }
    QCoreApplication::processEvents();
}

BenchRunner::Run BenchRunner::timePage(
    hxReport& window, void (hxReport::*signal)(), const std::function<void()>& act)
{
    Run run;
    QEventLoop loop;
    double shownAt = -1;
    const QMetaObject::Connection connection = connect(&window, signal, &loop, [&] {
        shownAt = m_Monitor.now();
        loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);

    SqlTrace::start();
    m_Monitor.start();
    const double begin = m_Monitor.now();
    act();
    if (shownAt < 0) {
        limit.start(WaitLimitMs);
        loop.exec();
    }
    disconnect(connection);
    if (shownAt >= 0) {
        // On screen: the layout and the repaint the result asked for are done
        // (the dirty regions painted into the window's backing store).
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        run.ok = true;
    }
    const double end = m_Monitor.now();
    if (qEnvironmentVariableIsSet("HXBENCH_DEBUG") && shownAt >= 0)
        err() << "    paint " << end - shownAt << " ms, until shown " << shownAt - begin << " ms" << Qt::endl;
    m_Monitor.markShow(shownAt < 0 ? end : shownAt, end);
    m_Monitor.stop();
    const QVector<SqlTrace::Entry> entries = SqlTrace::stop();

    run.ms = end - begin;
    run.showGap = m_Monitor.longestShowGap();
    run.otherGap = m_Monitor.longestOtherGap();
    run.addStatements(entries, &isInternal);
    return run;
}

BenchRunner::Result BenchRunner::measurePage(const QString& op, int size, const QString& dir,
    hxReport& window, void (hxReport::*signal)(), const std::function<void()>& act,
    const std::function<QStringList()>& shell)
{
    Result result;
    result.op = op;
    result.size = size;
    std::vector<double> times;
    std::vector<double> sql;
    QStringList ran;
    // One unmeasured run first, so that the viewer and the shell after it
    // both find the file's pages in the system's cache.
    timePage(window, signal, act);
    for (int i = 0; i < m_Options.reps; ++i) {
        const Run run = timePage(window, signal, act);
        if (!run.ok) {
            result.note = QStringLiteral("no result on screen");
            m_Results.append(result);
            return result;
        }
        if (i == 0)
            result.statements = shell();
        if (qEnvironmentVariableIsSet("HXBENCH_DEBUG"))
            err() << result.statements.join(QLatin1String(" ;; ")) << Qt::endl;
        times.push_back(run.ms);
        sql.push_back(run.sqlMs);
        result.showGapMs = std::max(result.showGapMs, run.showGap);
        result.otherGapMs = std::max(result.otherGapMs, run.otherGap);
        result.guiSqlMs = std::max(result.guiSqlMs, run.guiSqlMs);
        result.viewerStatements = run.statements.size();
        ran = run.statements;
    }
    result.viewerMs = median(times);
    result.viewerSqlMs = median(sql);
    const QString db = QDir(dir).absoluteFilePath(QStringLiteral("wheelhubwf.db"));
    result.shellMs = m_Shell.time(db, result.statements, m_Options.reps);
    note(result);
    collectPlans(db, ran);
    m_Results.append(result);
    return result;
}

BenchRunner::Run BenchRunner::timeExport(QPushButton* button, const QString& file)
{
    Run run;
    QFile::remove(file);
    double acceptedAt = -1;
    double doneAt = -1;
    m_pDriver->expectSaveDialog(file, &acceptedAt);
    m_pDriver->expectMessageBox(&run.message, &doneAt);

    resetPeakMemory();
    run.rssBeforeKb = procStatusKb("VmRSS");
    SqlTrace::start();
    m_Monitor.start();
    const double begin = m_Monitor.now();
    button->click(); // returns once the closing message box was answered
    const double end = m_Monitor.now();
    // The save dialog and the closing message box are no database work.
    m_Monitor.markShow(begin, acceptedAt < 0 ? end : acceptedAt);
    m_Monitor.markShow(doneAt < 0 ? end : doneAt, end);
    m_Monitor.stop();
    const QVector<SqlTrace::Entry> entries = SqlTrace::stop();
    run.peakKb = procStatusKb("VmHWM");

    run.ok = acceptedAt >= 0 && doneAt >= 0 && m_pDriver->idle();
    run.ms = doneAt - acceptedAt;
    run.showGap = m_Monitor.longestShowGap();
    run.otherGap = m_Monitor.longestOtherGap();
    run.addStatements(entries, &isInternal);
    return run;
}

BenchRunner::Result BenchRunner::measureExport(
    const QString& op, int size, const QString& dir, QPushButton* button, const QString& shellStatement)
{
    Result result;
    result.op = op;
    result.size = size;
    const QString out = QDir(m_Options.dataDir).absoluteFilePath(QStringLiteral("export-viewer.csv"));
    const QString shellOut = QDir(m_Options.dataDir).absoluteFilePath(QStringLiteral("export-sqlite3.csv"));
    std::vector<double> times;
    QStringList ran;
    const QString db = QDir(dir).absoluteFilePath(QStringLiteral("wheelhubwf.db"));
    // An unmeasured shell export first, so that both read from a warm cache.
    m_Shell.timeCsv(db, shellStatement, shellOut, 1, nullptr);
    for (int i = 0; i < m_Options.exportReps; ++i) {
        const Run run = timeExport(button, out);
        if (!run.ok) {
            result.note = QStringLiteral("export did not finish: %1").arg(run.message);
            m_Results.append(result);
            return result;
        }
        times.push_back(run.ms);
        result.viewerSqlMs = run.sqlMs;
        result.showGapMs = std::max(result.showGapMs, run.showGap);
        result.otherGapMs = std::max(result.otherGapMs, run.otherGap);
        result.guiSqlMs = std::max(result.guiSqlMs, run.guiSqlMs);
        result.peakKb = std::max(result.peakKb, run.peakKb);
        result.rssBeforeKb = run.rssBeforeKb;
        result.viewerStatements = run.statements.size();
        result.rows = exportedRows(out);
        ran = run.statements;
    }
    result.viewerMs = median(times);
    QFile::remove(out);

    result.statements = QStringList { shellStatement };
    result.shellMs = m_Shell.timeCsv(db, shellStatement, shellOut, m_Options.exportReps, &result.shellPeakKb);
    result.shellRows = double(lineCount(shellOut));
    QFile::remove(shellOut);
    note(result);
    collectPlans(db, ran);
    m_Results.append(result);
    return result;
}

void BenchRunner::collectPlans(const QString& dir, const QStringList& statements)
{
    for (const QString& sql : statements) {
        const QString key = normalized(sql);
        if (m_PlanKeys.contains(key))
            continue;
        m_PlanKeys.append(key);
        m_Plans.append(m_Shell.queryPlan(dir, sql));
    }
}

bool BenchRunner::runSize(int size, const QString& dir)
{
    err() << "== " << size << " records (" << dir << ")" << Qt::endl;
    const auto runIndex = [&]() {
        err() << "index figures" << (m_Options.cold ? " (cold)" : "") << Qt::endl;
        IndexBench bench(m_Shell, m_Options.reps, m_Options.cold);
        m_IndexRows += bench.run(size, QDir(dir).absoluteFilePath(QStringLiteral("wheelhubwf.db")));
    };
    if (m_Options.indexOnly) {
        runIndex();
        return true;
    }
    if (m_Options.qualityOnly) {
        err() << "quality figures" << Qt::endl;
        QualityBench bench(m_Shell, m_Options.reps);
        m_QualityRows += bench.run(size, dir);
        return true;
    }
    m_Results.append(startup(size, dir));
    note(m_Results.constLast());

    AppPaths::setApplicationDir(dir);
    // The window's record index beside the data, built (or brought in step)
    // before the operations, so the pages' figures are those with the index.
    AppPaths::setIndexFolder(QDir(m_Options.dataDir).absoluteFilePath(QStringLiteral("index")));
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(dir);
    {
        hxReport window;
        window.resize(1280, 800);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            return false;
        if (auto* index = window.findChild<PageIndex*>()) {
            QElapsedTimer indexClock;
            indexClock.start();
            const bool inStep = QTest::qWaitFor([index] { return index->recordIndex()->isInStep(); }, 900000);
            err() << "window's record index " << (inStep ? "in step" : "NOT in step") << " after "
                  << indexClock.elapsed() << " ms" << Qt::endl;
        }
        DetectDataDB* db = window.detectDataBase();

        auto* query = child<QPushButton>(window, "pushButton_Checkdata");
        auto* next = child<QPushButton>(window, "Next_checkShengchang");
        auto* models = child<QComboBox>(window, "comboBox_Model");
        auto* view = child<QTableView>(window, "tableView_checkShengchang");
        auto* prodStart = child<QLabel>(window, "label_Time1_History");
        auto* prodEnd = child<QLabel>(window, "label_Time2_History");

        showPage(window, "pushButton_Checkdata");
        pick(window, "pushButton_Set1_History", RangeStart);
        pick(window, "pushButton_Set2_History", RangeEnd);
        models->setCurrentIndex(models->findText(QStringLiteral("全部")));

        // The statements of the production page as the window builds them:
        // the count of the query builder and the page statement with its
        // LIMIT and OFFSET.
        auto productionCount = [&]() -> QString {
            const bool all = models->currentText() == QStringLiteral("全部");
            QVariantMap request;
            request.insert(QStringLiteral("Type"), all ? 2 : 1);
            request.insert(QStringLiteral("time1"), prodStart->text());
            request.insert(QStringLiteral("time2"), prodEnd->text());
            request.insert(QStringLiteral("name"), all ? QStringLiteral("*") : models->currentText());
            request.insert(QStringLiteral("Count"), 1);
            return db->buildQuerySql(request);
        };
        auto productionPage = [&window](int offset) -> QString {
            return window.historySqlBase() + QStringLiteral(" LIMIT %1 OFFSET %2").arg(PageSize).arg(offset);
        };

        measurePage(
            QStringLiteral("production query, all models"), size, dir, window, &hxReport::sgPageShown,
            [query] { query->click(); },
            [&] {
                return QStringList { productionCount(), productionPage(0) };
            });
        const int total = window.productionPaging().total;
        if (total != size) {
            err() << "production total " << total << ", expected " << size << '\n';
            return false;
        }

        // No widget jumps to a page: the offset is placed one page before the
        // wanted one and Next pressed, which runs the statement a user reaches
        // after paging there.
        auto& production = const_cast<hxReport::Paging&>(window.productionPaging());
        const int middle = (total / 2 / PageSize) * PageSize;
        measurePage(
            QStringLiteral("production Next (middle)"), size, dir, window, &hxReport::sgPageShown,
            [&production, next, middle] {
                production.offset = middle - PageSize;
                next->setEnabled(true);
                next->click();
            },
            [&] { return QStringList { productionPage(production.offset) }; });
        measurePage(
            QStringLiteral("production last page"), size, dir, window, &hxReport::sgPageShown,
            [&production, next, total] {
                production.offset = std::max(0, total - 2 * PageSize);
                next->setEnabled(true);
                next->click();
            },
            [&] { return QStringList { productionPage(production.offset) }; });
        measurePage(
            QStringLiteral("full picture"), size, dir, window, &hxReport::sgPictureShown,
            [view] {
                const QModelIndex first = view->model()->index(0, 0);
                const QPoint centre = view->visualRect(first).center();
                bool doubleClicked = false;
                const QMetaObject::Connection seen = QObject::connect(view, &QAbstractItemView::doubleClicked,
                    view, [&doubleClicked] { doubleClicked = true; });
                QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
                QObject::disconnect(seen);
                // Synthetic mouse input does not reach every platform plugin;
                // the view's own signal is what a real double-click produces.
                if (!doubleClicked)
                    emit view->doubleClicked(first);
            },
            [&] {
                QVariantMap request;
                request.insert(
                    QStringLiteral("uid"), window.productionModel()->index(0, 7).data().toString());
                request.insert(QStringLiteral("Type"), 5);
                return QStringList { db->buildQuerySql(request) };
            });
        QString exportStatement = window.historySqlBase();
        exportStatement.replace(QStringLiteral("select * "),
            QStringLiteral("select time,model,correlate,detecttime,diameter,hight "));
        measureExport(QStringLiteral("export production CSV"), size, dir,
            child<QPushButton>(window, "pushButton_SaveHistory"), exportStatement);

        models->setCurrentIndex(models->findText(QStringLiteral("A1")));
        measurePage(
            QStringLiteral("production query, one model"), size, dir, window, &hxReport::sgPageShown,
            [query] { query->click(); },
            [&] {
                return QStringList { productionCount(), productionPage(0) };
            });

        showPage(window, "pushButton_Checkdata_Calculate");
        pick(window, "pushButton_Set1_Count", RangeStart);
        pick(window, "pushButton_Set2_Count", RangeEnd);
        auto* calculate = child<QPushButton>(window, "pushButton_Checkdata_Calculate");
        measurePage(
            QStringLiteral("statistics"), size, dir, window, &hxReport::sgPageShown,
            [calculate] { calculate->click(); },
            [&] {
                QVariantMap request;
                request.insert(QStringLiteral("Type"), 4);
                request.insert(QStringLiteral("time1"), child<QLabel>(window, "label_Time1_Count")->text());
                request.insert(QStringLiteral("time2"), child<QLabel>(window, "label_Time2_Count")->text());
                request.insert(QStringLiteral("CheckType"), QStringLiteral("Count"));
                const QString records = db->buildQuerySql(request);
                request.insert(QStringLiteral("Count"), 1);
                return QStringList { db->buildQuerySql(request),
                    QStringLiteral("select model,count(model) from (%1) GROUP BY model ;").arg(records) };
            });

        showPage(window, "pushButton_Wandring");
        pick(window, "pushButton_Set1_Warning", RangeStart);
        pick(window, "pushButton_Set2_Warning", RangeEnd);
        auto* logQuery = child<QPushButton>(window, "pushButton_Wandring");
        auto* logNext = child<QPushButton>(window, "Next_checklog");
        auto logPage = [&window](int offset) -> QString {
            return window.logSql(false) + QStringLiteral(" LIMIT %1 OFFSET %2 ").arg(PageSize).arg(offset);
        };
        measurePage(
            QStringLiteral("log query (alarm)"), size, dir, window, &hxReport::sgPageShown,
            [logQuery] { logQuery->click(); },
            [&] {
                return QStringList { window.logSql(true), logPage(0) };
            });
        auto& log = const_cast<hxReport::Paging&>(window.logPaging());
        const int logTotal = log.total;
        measurePage(
            QStringLiteral("log last page"), size, dir, window, &hxReport::sgPageShown,
            [&log, logNext, logTotal] {
                log.offset = std::max(0, logTotal - 2 * PageSize);
                logNext->setEnabled(true);
                logNext->click();
            },
            [&] { return QStringList { logPage(log.offset) }; });
        QString logExport = window.logSql(false);
        logExport.replace(QStringLiteral("select * "), QStringLiteral("select time,message "));
        measureExport(QStringLiteral("export log CSV"), size, dir,
            child<QPushButton>(window, "pushButton_SaveWaring"), logExport);
        if (!m_pDriver->idle()) {
            err() << "a dialog was expected but never shown\n";
            return false;
        }
    }
    QDir::setCurrent(oldCwd);
    AppPaths::setApplicationDir(QString());
    runIndex();
    return true;
}

void BenchRunner::printReport()
{
    QString text;
    QTextStream out(&text);
    out << "### Operations (median of " << m_Options.reps << " runs; times in ms)\n\n"
        << "| operation | records | viewer | sqlite3 | ratio | viewer SQL (stmts) | SQL ratio | UI show | UI "
           "other max | UI-thread SQL |\n"
        << "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const Result& r : qAsConst(m_Results)) {
        if (r.op.startsWith(QLatin1String("export")))
            continue;
        out << "| " << r.op << " | " << sizeText(r.size) << " | " << fmt(r.viewerMs) << " | "
            << fmt(r.shellMs) << " | " << ratio(r.viewerMs, r.shellMs) << " | " << fmt(r.viewerSqlMs) << " ("
            << r.viewerStatements << ") | " << ratio(r.viewerSqlMs, r.shellMs) << " | " << fmt(r.showGapMs)
            << " | " << fmt(r.otherGapMs) << " | " << fmt(r.guiSqlMs) << " |\n";
    }
    out << "\n### Exports (" << m_Options.exportReps << " run(s) each)\n\n"
        << "| export | records | rows | viewer ms | viewer rows/s | sqlite3 ms | sqlite3 rows/s | "
           "viewer/sqlite3 rows/s "
           "| viewer SQL ms (stmts) | viewer peak MB | growth MB | sqlite3 peak MB | UI other max ms |\n"
        << "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const Result& r : qAsConst(m_Results)) {
        if (!r.op.startsWith(QLatin1String("export")))
            continue;
        const double viewerRate = r.viewerMs > 0 ? r.rows / (r.viewerMs / 1000.0) : -1;
        const double shellRate = r.shellMs > 0 ? r.shellRows / (r.shellMs / 1000.0) : -1;
        out << "| " << r.op.mid(7) << " | " << sizeText(r.size) << " | " << r.rows << " | " << fmt(r.viewerMs)
            << " | " << fmt(viewerRate, 0) << " | " << fmt(r.shellMs) << " | " << fmt(shellRate, 0) << " | "
            << (viewerRate > 0 && shellRate > 0
                       ? QString::number(100.0 * viewerRate / shellRate, 'f', 0) + QLatin1Char('%')
                       : QStringLiteral("-"))
            << " | " << fmt(r.viewerSqlMs) << " (" << r.viewerStatements << ") | " << fmt(r.peakKb / 1024.0)
            << " | " << fmt((r.peakKb - r.rssBeforeKb) / 1024.0) << " | "
            << (r.shellPeakKb > 0 ? fmt(r.shellPeakKb / 1024.0) : QStringLiteral("-")) << " | "
            << fmt(r.otherGapMs) << " |\n";
    }

    // Growth: the viewer's time per operation across the sizes.
    QStringList ops;
    for (const Result& r : qAsConst(m_Results)) {
        if (!ops.contains(r.op))
            ops.append(r.op);
    }
    out << "\n### Growth (viewer ms, ratio to sqlite3)\n\n| operation |";
    for (int size : qAsConst(m_Options.sizes))
        out << ' ' << sizeText(size) << " |";
    out << "\n|---|";
    for (int i = 0; i < m_Options.sizes.size(); ++i)
        out << "---:|";
    out << '\n';
    for (const QString& op : qAsConst(ops)) {
        out << "| " << op << " |";
        for (int size : qAsConst(m_Options.sizes)) {
            const auto it = std::find_if(m_Results.cbegin(), m_Results.cend(),
                [&](const Result& r) { return r.op == op && r.size == size; });
            if (it == m_Results.cend())
                out << " - |";
            else
                out << ' ' << fmt(it->viewerMs) << " (" << ratio(it->viewerMs, it->shellMs) << ") |";
        }
        out << '\n';
    }

    if (!m_IndexRows.isEmpty())
        out << "\n### Index (median of " << (m_Options.cold ? 1 : m_Options.reps) << " runs"
            << (m_Options.cold ? ", file cache dropped before each" : ", warm") << ")\n\n"
            << IndexBench::table(m_IndexRows);

    if (!m_QualityRows.isEmpty())
        out << "\n### Quality analyses (median of " << m_Options.reps << " warm runs)\n\n"
            << QualityBench::table(m_QualityRows);

    out << "\n### Query plans of the statements the viewer ran\n\n";
    for (int i = 0; i < m_PlanKeys.size(); ++i)
        out << "- `" << m_PlanKeys.at(i) << "`\n\n  ```\n  "
            << QString(m_Plans.at(i)).replace(QLatin1Char('\n'), QLatin1String("\n  ")) << "\n  ```\n";
    out << "\nColumns: *viewer* is click to painted result (exports: save dialog accepted to the closing "
           "message); "
           "*sqlite3* the same statements in the sqlite3 shell (session time less an empty session); *viewer "
           "SQL* "
           "the time SQLite itself spent on the viewer's statements (profile hook); *UI show* the longest "
           "stall "
           "of the GUI thread while it fills and paints the result (thumbnail decoding included); *UI other "
           "max* "
           "the longest stall at any other time during the operation; *UI-thread SQL* SQL run on the GUI "
           "thread.\n";
    out.flush();

    QTextStream(stdout) << text << Qt::flush;
    if (!m_Options.markdownFile.isEmpty()) {
        QFile file(m_Options.markdownFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Text))
            file.write(text.toUtf8());
    }
}
