#include "commandlineexport.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "pagefixture.h"
#include "qsavecsvthread.h"
#include "reportbuilder.h"

#include <QAction>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTextCodec>
#include <QtTest>

#include <atomic>
#include <cmath>

namespace {
using GuiTest::child;
using GuiTest::pick;

// The file's lines without the closing date and time line, which tells when
// it was written.
QStringList linesOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { QStringLiteral("<cannot open>") };
    const QRegularExpression when(
        QStringLiteral("^(时间:|保存时间:),\\d{4}-\\d{2}-\\d{2},\\d{2}:\\d{2}:\\d{2}\r?$"));
    QStringList lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        // Read in the code page the file was written in.
        const QString text = QTextCodec::codecForLocale()->toUnicode(line);
        if (!when.match(text).hasMatch())
            lines << text;
    }
    return lines;
}

int runExport(const QStringList& options, QString* error = nullptr)
{
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    const int status
        = CommandLineExport::run(QStringList { QStringLiteral("hxReport") } + options, outStream, errStream);
    errStream.flush();
    if (error)
        *error = err;
    return status;
}
}

class TestCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void sameBytesAsWindow_data();
    void sameBytesAsWindow();
    void badInput_data();
    void badInput();
    void stationFileUntouched_data();
    void stationFileUntouched();
    void snapshotBesideLiveStation_data();
    void snapshotBesideLiveStation();
    void withoutDisplay_data();
    void withoutDisplay();
    void reportHoldsStatementFigures_data();
    void reportHoldsStatementFigures();
};

void TestCommandLine::sameBytesAsWindow_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("options");
    // The code page the files are written in (empty: the test's UTF-8).
    QTest::addColumn<QByteArray>("codePage");
    QTest::newRow("production, one model")
        << 0 << QStringList { "--export", "production", "--model", "B,2" } << QByteArray();
    QTest::newRow("log, usage") << 2 << QStringList { "--export", "log", "--kind", "usage" } << QByteArray();
    QTest::newRow("statistics") << 1 << QStringList { "--export", "statistics" } << QByteArray();
    // A model name GBK cannot hold: both say how many characters became <U+XXXX>.
    QTest::newRow("production, GBK") << 0 << QStringList { "--export", "production" } << QByteArray("GBK");
}

// The same query through the window and through the command line gives the
// same file, byte for byte, but for the line that says when it was written.
void TestCommandLine::sameBytesAsWindow()
{
    QFETCH(int, page);
    QFETCH(QStringList, options);
    QFETCH(QByteArray, codePage);
    PageFixture fixture;
    fixture.addRecords(30,
        { QStringLiteral("A1"), QStringLiteral("B,2"), QStringLiteral("=1+1"),
            QStringLiteral("型\U0001F600") });
    struct CodePage
    {
        explicit CodePage(const QByteArray& name)
        {
            if (!name.isEmpty())
                QTextCodec::setCodecForLocale(QTextCodec::codecForName(name));
        }
        ~CodePage() { QTextCodec::setCodecForLocale(nullptr); }
    } usedCodePage(codePage);
    fixture.addLogs(12, 1, QStringLiteral("alarm"));
    fixture.addLogs(9, 5, QStringLiteral("-usage;"));
    fixture.done();
    const QDateTime from(QDate(2020, 5, 1), QTime(8, 0));
    const QDateTime to(QDate(2020, 5, 1), QTime(9, 0));

    hxReport window;
    window.show();
    child<QListWidget>(window, "check_listWidget")->setCurrentRow(page);
    const char* const buttons[3][4] = {
        { "pushButton_Set1_History", "pushButton_Set2_History", "pushButton_Checkdata",
            "pushButton_SaveHistory" },
        { "pushButton_Set1_Count", "pushButton_Set2_Count", "pushButton_Checkdata_Calculate",
            "pushButton_SaveCalculate" },
        { "pushButton_Set1_Warning", "pushButton_Set2_Warning", "pushButton_Wandring",
            "pushButton_SaveWaring" },
    };
    pick(window, buttons[page][0], from);
    pick(window, buttons[page][1], to);
    const int model = options.indexOf(QStringLiteral("--model"));
    if (page == 0)
        child<QComboBox>(window, "comboBox_Model")
            ->setCurrentText(model >= 0 ? options.at(model + 1) : QStringLiteral("全部"));
    if (page == 2)
        child<QComboBox>(window, "comboBox_Wandring_Log")->setCurrentText(QStringLiteral("使用记录查询"));
    QVERIFY(GuiTest::clickAndWait(window, buttons[page][2], &hxReport::sgPageShown));
    const QString byWindow = fixture.path() + QStringLiteral("/window.csv");
    QString message;
    GuiTest::answerFileDialog(byWindow);
    GuiTest::answerMessageBox(&message);
    child<QPushButton>(window, buttons[page][3])->click();
    const QStringList said = message.split(QLatin1Char('\n'));
    QCOMPARE(
        said.mid(0, 2), QStringList({ QStringLiteral("数据导出完成"), QDir::toNativeSeparators(byWindow) }));

    const QString byCommand = fixture.path() + QStringLiteral("/command.csv");
    QString error;
    QCOMPARE(runExport(options
                     + QStringList { "--dir", fixture.path(), "--from", from.toString("yyyy-MM-dd hh:mm:ss"),
                         "--to", to.toString("yyyy-MM-dd hh:mm:ss"), "--out", byCommand },
                 &error),
        int(CommandLineExport::Ok));
    // Without a code page of its own a row writes in the machine's: UTF-8
    // here, code page 936 under Wine, which lacks the emoji of one model.
    // Either way the window and the command line say the same.
    const bool replacedAny = said.size() > 2;
    if (!codePage.isEmpty())
        QVERIFY2(replacedAny, qPrintable(message));
    if (!replacedAny) {
        QCOMPARE(said.size(), 2);
        QCOMPARE(error, QString());
    } else {
        const int replaced = said.value(2).section(QStringLiteral("个字符"), 0, 0).toInt();
        QVERIFY2(replaced > 0, qPrintable(message));
        const QString name
            = codePage.isEmpty() ? QStringLiteral("code page 936") : QString::fromLatin1(codePage);
        QCOMPARE(error,
            QStringLiteral("hxReport: %1 character(s) not in the code page (%2) were written as <U+XXXX>\n")
                .arg(replaced)
                .arg(name));
    }
    const QStringList lines = linesOf(byCommand);
    QVERIFY(lines.size() > 5);
    QCOMPARE(lines, linesOf(byWindow));
}

void TestCommandLine::badInput_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    const QStringList day { "--date", "2020-05-01" };
    QTest::newRow("unknown option") << QStringList { "--export", "log", "--colour", "red" }
                                    << "Unknown option";
    QTest::newRow("unknown export") << (QStringList { "--export", "pictures" } + day) << "--export takes";
    QTest::newRow("unknown kind") << (QStringList { "--export", "log", "--kind", "noise" } + day)
                                  << "--kind takes";
    QTest::newRow("malformed time") << QStringList { "--export", "log", "--from", "2020-05-01", "--to",
        "2020-05-02 00:00:00" } << "--from and --to take times";
    QTest::newRow("reversed times") << QStringList { "--export", "log", "--from", "2020-05-02 00:00:00",
        "--to", "2020-05-01 00:00:00" }
                                    << "ends before it starts";
    QTest::newRow("unknown shift") << (QStringList { "--export", "statistics", "--shift", "早班" } + day)
                                   << "unknown shift";
    QTest::newRow("no range") << QStringList { "--export", "log" } << "give either";
    QTest::newRow("folder without a station file")
        << (QStringList { "--export", "log", "--dir", "<empty>" } + day) << "no station file";
    QTest::newRow("not a database") << (QStringList { "--export", "log", "--dir", "<garbage>" } + day)
                                    << "cannot read";
    QTest::newRow("report, unknown shift")
        << (QStringList { "--export", "report", "--shift", "早班" } + day) << "unknown shift";
    QTest::newRow("target in a missing folder")
        << (QStringList { "--export", "log", "--out", "<missing>" } + day) << "no such folder";
}

// Each mistake is named on one line, the status says so, and no file is left.
void TestCommandLine::badInput()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    PageFixture fixture;
    fixture.addRecords(3);
    fixture.done();
    QTemporaryDir other;
    QFile garbage(other.filePath(QStringLiteral("garbage/wheelhubwf.db")));
    QVERIFY(QDir(other.path()).mkpath(QStringLiteral("empty"))
        && QDir(other.path()).mkpath(QStringLiteral("garbage")));
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    const QString out = fixture.path() + QStringLiteral("/out.csv");
    QStringList args = options;
    if (!args.contains(QStringLiteral("--dir")))
        args << QStringLiteral("--dir") << fixture.path();
    if (!args.contains(QStringLiteral("--out")))
        args << QStringLiteral("--out") << out;
    args.replaceInStrings(QStringLiteral("<empty>"), other.filePath(QStringLiteral("empty")));
    args.replaceInStrings(QStringLiteral("<garbage>"), other.filePath(QStringLiteral("garbage")));
    args.replaceInStrings(QStringLiteral("<missing>"), fixture.path() + QStringLiteral("/missing/out.csv"));

    QString error;
    QCOMPARE(runExport(args, &error), int(CommandLineExport::BadInput));
    QVERIFY2(error.contains(message), qPrintable(error));
    QCOMPARE(error.count(QLatin1Char('\n')), 1);
    QVERIFY(!QFile::exists(out));
    QCOMPARE(QDir(fixture.path()).entryList({ QStringLiteral("*.csv") }, QDir::Files), QStringList());
}

void TestCommandLine::stationFileUntouched_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QStringList day { "--from", "2020-05-01 00:00:00", "--to", "2020-05-02 00:00:00" };
    const QStringList production = QStringList { "--export", "production" } + day;
    QTest::newRow("empty file") << "empty" << production << int(CommandLineExport::BadInput)
                                << "not a station file";
    QTest::newRow("other tables") << "foreign" << production << int(CommandLineExport::BadInput)
                                  << "not a station file";
    QTest::newRow("no log table") << "detections only" << (QStringList { "--export", "log" } + day)
                                  << int(CommandLineExport::BadInput) << "no table warningtable";
    QTest::newRow("unknown model") << "station" << (production + QStringList { "--model", "A9" })
                                   << int(CommandLineExport::BadInput)
                                   << "unknown model \"A9\" (the station has: A1, B2, Z9)";
    QTest::newRow("model of the records, none in range")
        << "station"
        << QStringList { "--export", "production", "--model", "B2", "--from", "2021-01-01 00:00:00", "--to",
               "2021-01-02 00:00:00" }
        << int(CommandLineExport::Ok) << "";
    QTest::newRow("model of the model list only")
        << "station" << (production + QStringList { "--model", "Z9" }) << int(CommandLineExport::Ok) << "";
    QTest::newRow("log records") << "station" << (QStringList { "--export", "log" } + day)
                                 << int(CommandLineExport::Ok) << "";
    QTest::newRow("statistics") << "station" << (QStringList { "--export", "statistics" } + day)
                                << int(CommandLineExport::Ok) << "";
    QTest::newRow("report") << "station" << (QStringList { "--export", "report" } + day)
                            << int(CommandLineExport::Ok) << "";
    // The alarms' statement fails after the counts were read: no file at all.
    QTest::newRow("report, log table without classes")
        << "log without classes" << (QStringList { "--export", "report" } + day)
        << int(CommandLineExport::Failed) << "export failed: no such column";
}

// The command line only reads: whatever the file, its bytes stay as they
// were, and a file or a model it cannot have meant is refused.
void TestCommandLine::stationFileUntouched()
{
    QFETCH(QString, layout);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, message);
    PageFixture fixture;
    fixture.addRecords(6, { QStringLiteral("A1"), QStringLiteral("B2") });
    fixture.addLogs(3, 1);
    fixture.done();
    QVERIFY(fixture.station().writeModels({ QStringLiteral("A1"), QStringLiteral("Z9") }));
    fixture.closeStation();
    QTemporaryDir other;
    const QString file
        = layout == QLatin1String("station") ? fixture.detectionDatabase() : other.filePath("wheelhubwf.db");
    if (layout == QLatin1String("empty")) {
        QFile empty(file);
        QVERIFY(empty.open(QIODevice::WriteOnly));
    } else if (layout == QLatin1String("foreign")) {
        QVERIFY(
            PageFixture::execAll(file, { QStringLiteral("create table notes (uid integer, text text)") }));
    } else if (layout == QLatin1String("detections only")) {
        QVERIFY(PageFixture::execAll(file, PageFixture::detectionTableSql()));
    } else if (layout == QLatin1String("log without classes")) {
        QVERIFY(PageFixture::execAll(file,
            PageFixture::detectionTableSql() << QStringLiteral(
                "create table warningtable (uid integer primary key, time text, message text)")));
    }
    const QByteArray before
        = QCryptographicHash::hash(PageFixture::fileBytes(file), QCryptographicHash::Sha256);
    const QStringList filesBefore = QDir(QFileInfo(file).path()).entryList(QDir::Files);

    const QString out = fixture.path() + QStringLiteral("/out.csv");
    QString error;
    QCOMPARE(
        runExport(options + QStringList { "--dir", QFileInfo(file).path(), "--out", out }, &error), status);
    QVERIFY2(error.contains(message), qPrintable(error));
    QCOMPARE(QFile::exists(out), status == CommandLineExport::Ok);
    QCOMPARE(QCryptographicHash::hash(PageFixture::fileBytes(file), QCryptographicHash::Sha256), before);
    // Not even a journal or lock file beside it.
    QStringList filesAfter = QDir(QFileInfo(file).path()).entryList(QDir::Files);
    filesAfter.removeAll(QStringLiteral("out.csv"));
    QCOMPARE(filesAfter, filesBefore);
}

void TestCommandLine::snapshotBesideLiveStation_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("production, all models") << QStringList { "--export", "production" };
    QTest::newRow("production, one model") << QStringList { "--export", "production", "--model", "A1" };
    QTest::newRow("log") << QStringList { "--export", "log", "--kind", "alarm" };
}

// While the station writes, each file's title, rows and total agree: the
// records present when the export began, and only those.
void TestCommandLine::snapshotBesideLiveStation()
{
    QFETCH(QStringList, options);
    TestAppDir app;
    QVERIFY(app.generate(600, 200));
    // Small chunks: the station writes between the chunks of one export.
    QSaveCSVThread::setDefaultChunkSize(7);
    // A live station on its own thread, stamping records with the current time.
    std::atomic_bool stop { false };
    int failedWrites = 0;
    QThread* writer = QThread::create([&]() {
        StationSimulator live(app.options(0));
        while (!stop)
            failedWrites += live.runLive(60, 1).failedWrites;
        live.close();
    });
    writer->start();
    const QString out = app.path() + QStringLiteral("/live.csv");
    const QStringList range { "--dir", app.path(), "--from", "2000-01-01 00:00:00", "--to",
        "9999-12-31 00:00:00", "--out", out };
    const QRegularExpression title(QStringLiteral("共(\\d+)条"));
    int grown = 0;
    int previous = -1;
    // Until the station was seen writing between two files, a few times.
    for (int i = 0; i < 100 && (i < 4 || grown < 2); ++i) {
        QString error;
        QCOMPARE(runExport(options + range, &error), int(CommandLineExport::Ok));
        // In the code page the file was written in.
        const QStringList lines
            = QTextCodec::codecForLocale()->toUnicode(PageFixture::fileBytes(out)).split(QLatin1Char('\n'));
        QVERIFY(lines.size() > 4);
        const QRegularExpressionMatch count = title.match(lines.at(0));
        QVERIFY2(count.hasMatch(), qPrintable(lines.at(0)));
        int rows = 0;
        int total = -1;
        const QString totalLine = QStringLiteral("总数,");
        for (int l = 2; l < lines.size(); ++l) {
            if (lines.at(l).startsWith(totalLine)) {
                total = lines.at(l).mid(totalLine.size()).trimmed().toInt();
                break;
            }
            if (lines.at(l).startsWith(QString::number(rows + 1) + QLatin1Char(',')))
                ++rows;
        }
        QCOMPARE(count.captured(1).toInt(), rows);
        QCOMPARE(total, rows);
        if (previous >= 0 && rows > previous)
            ++grown;
        previous = rows;
    }
    stop = true;
    writer->wait();
    delete writer;
    QSaveCSVThread::setDefaultChunkSize(QSaveCSVThread::DefaultChunkSize);
    QCOMPARE(failedWrites, 0);
    // The station wrote while the files were made.
    QVERIFY(grown >= 2);
}

void TestCommandLine::withoutDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("error");
    QTest::newRow("help") << QStringList { "--help" } << 0 << "--server-settings"
                          << "";
    QTest::newRow("short help") << QStringList { "-h" } << 0 << "--dir <folder>"
                                << "";
    QTest::newRow("mistyped option") << QStringList { "--expor", "production" } << 2 << ""
                                     << "hxReport: Unknown option 'expor'.";
    QTest::newRow("missing value") << QStringList { "--dir" } << 2 << ""
                                   << "Missing value after '--dir'";
    QTest::newRow("export help") << QStringList { "--export", "--help" } << 0 << "--model <model>"
                                 << "";
    QTest::newRow("export mistake") << QStringList { "--export", "log", "--colour", "red" } << 2 << ""
                                    << "Unknown option 'colour'";
}

// The real program on a machine without a display: help and mistakes reach
// the terminal with their statuses instead of an abort.
void TestCommandLine::withoutDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, output);
    QFETCH(QString, error);
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(environment);
    program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/hxReport"), arguments);
    QVERIFY(program.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == status, qPrintable(err));
    QVERIFY2(out.contains(output), qPrintable(out));
    QVERIFY2(err.contains(error), qPrintable(err));
    QCOMPARE(out.isEmpty(), output.isEmpty());
}

namespace {
// A PDF's text as pdftotext gives it, one line per row, blanks collapsed.
QStringList pdfLines(const QString& pdf)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), { QStringLiteral("-layout"), pdf, QStringLiteral("-") });
    if (!text.waitForFinished(60000) || text.exitCode() != 0)
        return { QStringLiteral("<pdftotext failed>") };
    QStringList lines;
    for (const QString& line : QString::fromUtf8(text.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QString simple = line.simplified();
        if (!simple.isEmpty())
            lines << simple;
    }
    return lines;
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// What the report must say for [from, to], read with plain statements from
// the station file, in the report's order.
QStringList expectedLines(const QString& file, const QDateTime& from, const QDateTime& to, int alarmLines)
{
    QStringList lines;
    const QString connection = QStringLiteral("expected-report");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        db.open();
        const QString t1 = from.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const QString t2 = to.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const auto run = [&db, &t1, &t2](const QString& sql, const QVariantList& more = {}) {
            QSqlQuery q(db);
            q.prepare(sql);
            q.addBindValue(t1);
            q.addBindValue(t2);
            for (const QVariant& v : more)
                q.addBindValue(v);
            q.exec();
            return q;
        };
        QStringList models;
        qint64 total = 0;
        qint64 ng = 0;
        QSqlQuery counts = run(QStringLiteral(
            "select model, count(*) from wftable where time > ? and time < ? group by model order by model"));
        while (counts.next()) {
            total += counts.value(1).toLongLong();
            if (counts.value(0).toString() == QLatin1String("NG")) {
                ng = counts.value(1).toLongLong();
                continue;
            }
            models << counts.value(0).toString();
            lines << counts.value(0).toString() + QLatin1Char(' ') + counts.value(1).toString();
        }
        lines << QStringLiteral("NG %1").arg(ng) << QStringLiteral("总数 %1").arg(total)
              << QStringLiteral("NG率(%) ") + (total ? fixed(100.0 * ng / total, 2) : QStringLiteral("-"));

        // Hours up to two days, days beyond, empty ones included.
        const bool days = from.secsTo(to) > 2 * 86400;
        const int length = days ? 10 : 13;
        QMap<QString, QPair<qint64, qint64>> periods;
        QSqlQuery trend
            = run(QStringLiteral("select substr(time, 1, %1), count(*), sum(model = 'NG') from wftable "
                                 "where time > ? and time < ? group by 1")
                      .arg(length));
        while (trend.next())
            periods.insert(
                trend.value(0).toString(), { trend.value(1).toLongLong(), trend.value(2).toLongLong() });
        for (QDateTime t = days ? QDateTime(from.date(), QTime(0, 0))
                                : QDateTime(from.date(), QTime(from.time().hour(), 0));
             t <= to; t = days ? t.addDays(1) : t.addSecs(3600)) {
            const QString label = t.toString(QStringLiteral("yyyy-MM-dd hh")).left(length);
            const auto p = periods.value(label);
            lines << QStringLiteral("%1 %2 %3 %4")
                         .arg(label)
                         .arg(p.first)
                         .arg(p.second)
                         .arg(p.first ? fixed(100.0 * p.second / p.first, 2) : QStringLiteral("-"));
        }

        QSqlQuery alarms = run(
            QStringLiteral("select count(*) from warningtable where time > ? and time < ? and class = 1"));
        alarms.next();
        const int alarmTotal = alarms.value(0).toInt();
        lines << QStringLiteral("共%1条报警记录，以下为最新的%2条")
                     .arg(alarmTotal)
                     .arg(std::min(alarmTotal, alarmLines));
        QSqlQuery newest
            = run(QStringLiteral("select time, message from warningtable where time > ? and time < ? "
                                 "and class = 1 order by time desc, uid desc limit ?"),
                { alarmLines });
        while (newest.next())
            lines << newest.value(0).toString() + QLatin1Char(' ') + newest.value(1).toString().simplified();

        const QSettings limits(QStringLiteral("hubdetect.ini"), QSettings::IniFormat);
        for (const QString& model : qAsConst(models)) {
            lines << QStringLiteral("型号 ") + model;
            QStringList rows[7] = { { QStringLiteral("数量") }, { QStringLiteral("平均值") },
                { QStringLiteral("标准差σ") }, { QStringLiteral("最小值") }, { QStringLiteral("最大值") },
                { QStringLiteral("Cp") }, { QStringLiteral("Cpk") } };
            const char* const columns[] = { "diameter", "hight", "correlate", "detecttime" };
            for (const char* column : columns) {
                QVector<double> values;
                QSqlQuery q
                    = run(QStringLiteral("select %1 from wftable where time > ? and time < ? and model = ?")
                              .arg(QLatin1String(column)),
                        { model });
                while (q.next())
                    values << q.value(0).toDouble() * (qstrcmp(column, "correlate") == 0 ? 100 : 1);
                double sum = 0;
                for (const double v : values)
                    sum += v;
                const double mean = sum / values.size();
                double squares = 0;
                for (const double v : values)
                    squares += (v - mean) * (v - mean);
                const double sigma = std::sqrt(squares / (values.size() - 1));
                rows[0] << QString::number(values.size());
                rows[1] << fixed(mean, 3);
                rows[2] << fixed(sigma, 3);
                rows[3] << fixed(*std::min_element(values.begin(), values.end()), 3);
                rows[4] << fixed(*std::max_element(values.begin(), values.end()), 3);
                const QString key = QStringLiteral("QualityLimits/%1/%2_").arg(model, QLatin1String(column));
                if (limits.contains(key + QStringLiteral("lower"))) {
                    const double lower = limits.value(key + QStringLiteral("lower")).toDouble();
                    const double upper = limits.value(key + QStringLiteral("upper")).toDouble();
                    rows[5] << fixed((upper - lower) / (6 * sigma), 3);
                    rows[6] << fixed(std::min(upper - mean, mean - lower) / (3 * sigma), 3);
                } else {
                    rows[5] << QStringLiteral("-");
                    rows[6] << QStringLiteral("-");
                }
            }
            for (const QStringList& row : rows)
                lines << row.join(QLatin1Char(' '));
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return lines;
}

// The lines of expected that the report lacks, or holds out of order.
QStringList missing(const QStringList& report, const QStringList& expected)
{
    QStringList out;
    int at = 0;
    for (const QString& line : expected) {
        const int found = report.indexOf(line, at);
        if (found < 0)
            out << line;
        else
            at = found + 1;
    }
    return out;
}
}

void TestCommandLine::reportHoldsStatementFigures_data()
{
    QTest::addColumn<QStringList>("range");
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    QTest::addColumn<bool>("limits"); // limits set for A1 on the quality page
    QTest::addColumn<bool>("window"); // the window's PDF too
    const QDate day(2024, 6, 29);
    QTest::newRow("day shift") << QStringList { "--date", "2024-06-29", "--shift", "白班" }
                               << QDateTime(day, QTime(8, 0)) << QDateTime(day, QTime(20, 0)) << false
                               << false;
    QTest::newRow("night shift, limits")
        << QStringList { "--date", "2024-06-29", "--shift", "夜班" }
        << QDateTime(day.addDays(-1), QTime(20, 0)) << QDateTime(day, QTime(8, 0)) << true << false;
    QTest::newRow("whole day, by the window")
        << QStringList { "--from", "2024-06-29 00:00:00", "--to", "2024-06-29 23:59:00" }
        << QDateTime(day, QTime(0, 0)) << QDateTime(day, QTime(23, 59)) << true << true;
    // More alarms than a page; a trend per day.
    QTest::newRow("four days") << QStringList { "--from", "2024-06-26 00:00:00", "--to",
        "2024-06-29 23:59:59" } << QDateTime(day.addDays(-3), QTime(0, 0))
                               << QDateTime(day, QTime(23, 59, 59)) << false << false;
}

// The report's text holds exactly what plain statements over the station
// file give for the range: counts, NG and rates, the trend, the newest alarms
// with their total, and each model's figures with Cp/Cpk where limits were
// set; the window writes the same text.
void TestCommandLine::reportHoldsStatementFigures()
{
    QFETCH(QStringList, range);
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    QFETCH(bool, limits);
    QFETCH(bool, window);
    // The PDF is read back with poppler's pdftotext, a Linux program (not
    // there under Wine).
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    PageFixture fixture;
    fixture.done();
    StationSimulator::Options options = fixture.options(20000, 4000);
    options.days = 10;
    options.seed = 25;
    QVERIFY(fixture.generate(options));
    if (limits) {
        QSettings ini(QStringLiteral("hubdetect.ini"), QSettings::IniFormat);
        ini.setValue(QStringLiteral("QualityLimits/A1/diameter_lower"), 390);
        ini.setValue(QStringLiteral("QualityLimits/A1/diameter_upper"), 402.5);
        ini.setValue(QStringLiteral("QualityLimits/A1/correlate_lower"), 55);
        ini.setValue(QStringLiteral("QualityLimits/A1/correlate_upper"), 100);
    }
    const QString byCommand = fixture.path() + QStringLiteral("/command.pdf");
    QString error;
    QCOMPARE(
        runExport(QStringList { "--export", "report", "--dir", fixture.path(), "--out", byCommand } + range,
            &error),
        int(CommandLineExport::Ok));
    QCOMPARE(error, QString());
    const QStringList lines = pdfLines(byCommand);
    const QStringList expected
        = expectedLines(fixture.detectionDatabase(), from, to, ReportBuilder::AlarmLines);
    QVERIFY(expected.size() > 30);
    QVERIFY2(
        missing(lines, expected).isEmpty(), qPrintable(missing(lines, expected).join(QLatin1Char('\n'))));
    QCOMPARE(lines.filter(QStringLiteral("Cp ")).size(), expected.filter(QStringLiteral("Cp ")).size());
    if (!window)
        return;

    hxReport view;
    view.show();
    child<QListWidget>(view, "check_listWidget")->setCurrentRow(1);
    pick(view, "pushButton_Set1_Count", from);
    pick(view, "pushButton_Set2_Count", to);
    const QString byWindow = fixture.path() + QStringLiteral("/window.pdf");
    QString message;
    GuiTest::answerFileDialog(byWindow);
    GuiTest::answerMessageBox(&message);
    view.findChild<QAction*>(QStringLiteral("action_ReportPdf"))->trigger();
    QCOMPARE(message, QStringLiteral("数据导出完成\n") + QDir::toNativeSeparators(byWindow));
    // The same text but for when it was made and the shift box's words.
    const auto comparable = [](QStringList text) {
        for (const QString& prefix : { QStringLiteral("生成时间："), QStringLiteral("班次：") })
            text.erase(std::remove_if(text.begin(), text.end(),
                           [&prefix](const QString& l) { return l.startsWith(prefix); }),
                text.end());
        return text;
    };
    QCOMPARE(comparable(pdfLines(byWindow)), comparable(lines));

    // The preview draws the same pages.
    int previewed = -1;
    GuiTest::whenModal<QPrintPreviewDialog>([&previewed](QPrintPreviewDialog* dialog) {
        if (auto* pages = dialog->findChild<QPrintPreviewWidget*>())
            previewed = pages->pageCount();
        dialog->reject();
    });
    view.findChild<QAction*>(QStringLiteral("action_ReportPreview"))->trigger();
    QCOMPARE(previewed, lines.filter(QRegularExpression(QStringLiteral("^第\\d+页$"))).size());
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
