#include "commandlineexport.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "pagefixture.h"

#include <QtTest>

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
        if (!when.match(QString::fromUtf8(line)).hasMatch())
            lines << QString::fromUtf8(line);
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
};

void TestCommandLine::sameBytesAsWindow_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("options");
    QTest::newRow("production, one model") << 0 << QStringList { "--export", "production", "--model", "B,2" };
    QTest::newRow("log, usage") << 2 << QStringList { "--export", "log", "--kind", "usage" };
    QTest::newRow("statistics") << 1 << QStringList { "--export", "statistics" };
}

// The same query through the window and through the command line gives the
// same file, byte for byte, but for the line that says when it was written.
void TestCommandLine::sameBytesAsWindow()
{
    QFETCH(int, page);
    QFETCH(QStringList, options);
    PageFixture fixture;
    fixture.addRecords(30, { QStringLiteral("A1"), QStringLiteral("B,2"), QStringLiteral("=1+1") });
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
    if (page == 0)
        child<QComboBox>(window, "comboBox_Model")->setCurrentText(QStringLiteral("B,2"));
    if (page == 2)
        child<QComboBox>(window, "comboBox_Wandring_Log")->setCurrentText(QStringLiteral("使用记录查询"));
    QVERIFY(GuiTest::clickAndWait(window, buttons[page][2], &hxReport::sgPageShown));
    const QString byWindow = fixture.path() + QStringLiteral("/window.csv");
    QString message;
    GuiTest::answerFileDialog(byWindow);
    GuiTest::answerMessageBox(&message);
    child<QPushButton>(window, buttons[page][3])->click();
    QCOMPARE(message, QStringLiteral("数据导出完成"));

    const QString byCommand = fixture.path() + QStringLiteral("/command.csv");
    QString error;
    QCOMPARE(runExport(options
                     + QStringList { "--dir", fixture.path(), "--from", from.toString("yyyy-MM-dd hh:mm:ss"),
                         "--to", to.toString("yyyy-MM-dd hh:mm:ss"), "--out", byCommand },
                 &error),
        int(CommandLineExport::Ok));
    QCOMPARE(error, QString());
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

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
