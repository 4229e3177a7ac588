// The viewer started, as a new user would, on damaged or unexpected files:
// it must not crash or hang, must say so where the user has to act, must show
// what can be shown, and must write nothing into the files beyond the tables
// that are missing.

#include "apppaths.h"
#include "qreportwidget.h"
#include "reliabilityutil.h"
#include "stationschema.h"
#include "testappdir.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextCodec>
#include <QtTest>

#include <memory>

using namespace Reliability;

namespace {

QByteArray encode(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

QImage drawnHub(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    QPainter painter(&image);
    painter.setBrush(Qt::white);
    painter.drawEllipse(image.rect().adjusted(2, 2, -2, -2));
    return image;
}

// Noise does not compress, so the file is about as large as the pixels.
QImage noise(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        random.fillRange(line, image.width());
    }
    return image;
}

QByteArray randomBytes(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(11);
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList rowsOf(QStandardItemModel* model, int columns)
{
    QStringList rows;
    for (int r = 0; model && r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << model->index(r, c).data().toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// The statistics table as shown: "model count" per row.
QStringList reportRows(QReportWidget* report)
{
    QStringList rows;
    auto* view = report->findChild<QTableView*>();
    QAbstractItemModel* model = view ? view->model() : nullptr;
    for (int r = 0; model && r < model->rowCount(); ++r)
        rows << model->index(r, 0).data().toString() + QLatin1Char(' ')
                + model->index(r, 1).data().toString();
    return rows;
}

QStringList comboItems(QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// The files and folders below dir, relative, sorted.
QStringList listing(const QString& dir)
{
    QStringList names;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(dir).relativeFilePath(it.next());
    names.sort();
    return names;
}

void makeWritable(const QString& dir)
{
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDirIterator it(
        dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The viewer's statements in full, as a user runs them: production, log and
// statistics queries, each waited for. Returns the status message each left
// (the bar is cleared before each, so every failure is seen).
QStringList runAllQueries(hxReport& window)
{
    QStringList messages;
    for (const char* button :
        { "pushButton_Checkdata", "pushButton_Wandring", "pushButton_Checkdata_Calculate" }) {
        window.statusBar()->clearMessage();
        if (!clickAndWait(window, button))
            messages << QStringLiteral("<%1 never showed a page>").arg(QLatin1String(button));
        if (!statusText(window).isEmpty())
            messages << statusText(window);
    }
    return messages;
}

} // namespace

class TestDamagedFiles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void unreadableDatabase_data();
    void unreadableDatabase();
    void emptyDatabaseGetsTables_data();
    void emptyDatabaseGetsTables();
    void corruptedDatabase_data();
    void corruptedDatabase();
    void olderStationFile_data();
    void olderStationFile();
    void readOnly_data();
    void readOnly();
    void unexpectedValues_data();
    void unexpectedValues();
    void thumbnails_data();
    void thumbnails();
    void modelFile_data();
    void modelFile();
    void settingsFile_data();
    void settingsFile();
    void brokenTranslations();

private:
    QString db() const { return m_App->detectionDatabase(); }
    // A station file of 2024-06 with real thumbnails, shifts and logs.
    bool generate(int records = 300, int logs = 200);

    std::unique_ptr<TestAppDir> m_App;
    QString m_OldCwd;
};

void TestDamagedFiles::init()
{
    m_App = std::make_unique<TestAppDir>();
    QVERIFY(m_App->isValid());
    m_OldCwd = QDir::currentPath();
    QDir::setCurrent(m_App->path()); // hubdetect.ini is read from here
}

void TestDamagedFiles::cleanup()
{
    QDir::setCurrent(m_OldCwd);
    if (m_App)
        makeWritable(m_App->path());
    m_App.reset();
}

bool TestDamagedFiles::generate(int records, int logs)
{
    StationSimulator::Options options = m_App->options(records, logs);
    options.imageSize = QSize(32, 32);
    return m_App->generate(options);
}

void TestDamagedFiles::unreadableDatabase_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("text file") << "text";
    QTest::newRow("random bytes") << "random";
    QTest::newRow("header overwritten") << "header";
    QTest::newRow("folder of that name") << "folder";
}

void TestDamagedFiles::unreadableDatabase()
{
    QFETCH(QString, kind);
    if (kind == QLatin1String("text")) {
        QVERIFY(writeFile(db(), QByteArray("wheel hub report, not a database\n").repeated(200)));
    } else if (kind == QLatin1String("random")) {
        QVERIFY(writeFile(db(), randomBytes(64 * 1024)));
    } else if (kind == QLatin1String("header")) {
        QVERIFY(generate(50, 20));
        QByteArray bytes = fileBytes(db());
        bytes.replace(0, 100, QByteArray(100, '\0'));
        QVERIFY(writeFile(db(), bytes));
    } else {
        QVERIFY(QDir().mkpath(db()));
    }
    const QByteArray before = QFileInfo(db()).isFile() ? fileBytes(db()) : QByteArray();
    const QStringList filesBefore = listing(m_App->path());

    hxReport window;
    window.show();
    // The user has to act: the window says at once that the file is unusable.
    QVERIFY2(statusText(window).startsWith(QStringLiteral("无法打开数据库")), qPrintable(statusText(window)));
    QVERIFY(statusText(window).contains(QStringLiteral("wheelhubwf.db")));
    setDefaultRanges(window);
    const QStringList messages = runAllQueries(window);
    QCOMPARE(window.productionModel()->rowCount(), 0);
    // A failed query is no count of 0.
    QCOMPARE(child<QLabel>(window, "label_Number")->text(), QStringLiteral("查询失败"));
    QCOMPARE(messages.filter(QStringLiteral("查询失败")).size(), 2);
    QCOMPARE(messages.filter(QStringLiteral("统计失败")).size(), 1);
    // Each page shows its failure as its answer, not after a wait.
    QCOMPARE(messages.filter(QStringLiteral("never showed a page")), QStringList());

    if (!before.isEmpty())
        QVERIFY(fileBytes(db()) == before);
    QCOMPARE(listing(m_App->path()), filesBefore);
}

void TestDamagedFiles::emptyDatabaseGetsTables_data()
{
    QTest::addColumn<bool>("zeroBytes");
    QTest::newRow("zero-byte file") << true;
    QTest::newRow("no file") << false;
}

void TestDamagedFiles::emptyDatabaseGetsTables()
{
    QFETCH(bool, zeroBytes);
    if (zeroBytes)
        QVERIFY(writeFile(db(), QByteArray()));
    {
        hxReport window;
        window.show();
        QCOMPARE(statusText(window), QString());
        setDefaultRanges(window);
        const QStringList messages = runAllQueries(window);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
        QCOMPARE(window.productionModel()->rowCount(), 0);
        QCOMPARE(window.logModel()->rowCount(), 0);
        QCOMPARE(window.countMap().size(), 0);
    }
    const QStringList schema = contents(db()).keys();
    QCOMPARE(schema,
        QStringList({ "index idx_warningtable", "index idx_wftable", "table sqlite_sequence",
            "table warningtable", "table wftable", "table wftimetable_2" }));
    for (const char* table : { "warningtable", "wftable", "wftimetable_2" })
        QCOMPARE(TestAppDir::firstColumn(db(), QStringLiteral("select count(*) from %1").arg(table))
                     .value(0)
                     .toInt(),
            0);
}

void TestDamagedFiles::corruptedDatabase_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("truncated to half") << "half";
    QTest::newRow("truncated to a quarter") << "quarter";
    QTest::newRow("pages overwritten") << "overwritten";
}

void TestDamagedFiles::corruptedDatabase()
{
    QFETCH(QString, damage);
    QVERIFY(generate(600, 400));
    QByteArray bytes = fileBytes(db());
    QVERIFY(bytes.size() > 64 * 1024);
    if (damage == QLatin1String("half"))
        bytes.truncate(bytes.size() / 2);
    else if (damage == QLatin1String("quarter"))
        bytes.truncate(bytes.size() / 4);
    else
        bytes.replace(bytes.size() * 2 / 5, bytes.size() / 5, QByteArray(bytes.size() / 5, '\x5a'));
    QVERIFY(writeFile(db(), bytes));
    const QStringList filesBefore = listing(m_App->path());

    hxReport window;
    window.show();
    setRanges(window, QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QDateTime(QDate(2025, 1, 1), QTime(0, 0)));
    QStringList messages = runAllQueries(window);
    if (!statusText(window).isEmpty())
        messages << statusText(window);
    // What cannot be read is reported, never shown as "no records".
    QVERIFY2(
        !messages.filter(QStringLiteral("失败")).isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
    QVERIFY2(!messages.filter(QStringLiteral("malformed")).isEmpty()
            || !messages.filter(QStringLiteral("not a database")).isEmpty(),
        qPrintable(messages.join(QLatin1Char('\n'))));
    // Paging over a failed result stays within what the window holds.
    child<QPushButton>(window, "Next_checkShengchang")->click();
    QTRY_VERIFY(!window.hasRunningQueries());

    QVERIFY(fileBytes(db()) == bytes);
    QCOMPARE(listing(m_App->path()), filesBefore);
}

void TestDamagedFiles::olderStationFile_data()
{
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("created");
    QTest::newRow("no log table") << QStringList { "drop table warningtable" }
                                  << QStringList { "table warningtable", "index idx_warningtable" };
    QTest::newRow("no shift table") << QStringList { "drop table wftimetable_2" }
                                    << QStringList { "table wftimetable_2" };
    QTest::newRow("no record table") << QStringList { "drop table wftable" }
                                     << QStringList { "table wftable", "index idx_wftable" };
    // Tables that exist are left alone, even without their index.
    QTest::newRow("no indexes") << QStringList { "drop index idx_wftable", "drop index idx_warningtable" }
                                << QStringList();
}

void TestDamagedFiles::olderStationFile()
{
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, created);
    QVERIFY(generate(120, 60));
    QVERIFY(exec(db(), dropped));
    const QMap<QString, QString> before = contents(db());
    const QByteArray bytesBefore = fileBytes(db());
    {
        hxReport window;
        window.show();
        QCOMPARE(statusText(window), QString());
        setRanges(
            window, QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QDateTime(QDate(2025, 1, 1), QTime(0, 0)));
        const QStringList messages = runAllQueries(window);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
        const int records = before.contains(QStringLiteral("table wftable")) ? 120 : 0;
        QCOMPARE(child<QLabel>(window, "label_Number")->text(), QString::number(records));
        QCOMPARE(window.productionModel()->rowCount(), qMin(records, 50));
        if (records > 0)
            QCOMPARE(window.countMap().size() > 0, true);
        QCOMPARE(window.shiftMap().size(), before.contains(QStringLiteral("table wftimetable_2")) ? 2 : 0);
    }
    const QMap<QString, QString> after = contents(db());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(after.value(it.key()), it.value());
    QStringList added = after.keys();
    for (const QString& key : before.keys())
        added.removeOne(key);
    created.sort();
    QCOMPARE(added, created);
    if (created.isEmpty())
        QVERIFY(fileBytes(db()) == bytesBefore);
}

void TestDamagedFiles::readOnly_data()
{
    QTest::addColumn<bool>("folder"); // the folder is read-only, else the file
    QTest::addColumn<QString>("state");
    QTest::newRow("read-only file") << false << "complete";
    QTest::newRow("read-only file lacking a table") << false << "lacking";
    QTest::newRow("read-only folder") << true << "complete";
    QTest::newRow("read-only folder lacking a table") << true << "lacking";
    QTest::newRow("read-only folder without the file") << true << "missing";
}

void TestDamagedFiles::readOnly()
{
    QFETCH(bool, folder);
    QFETCH(QString, state);
    if (state != QLatin1String("missing")) {
        QVERIFY(generate(80, 40));
        if (state == QLatin1String("lacking"))
            QVERIFY(exec(db(), { QStringLiteral("drop table warningtable") }));
    }
    const QByteArray before = fileBytes(db());
    const QStringList filesBefore = listing(m_App->path());
    if (folder)
        QVERIFY(QFile::setPermissions(m_App->path(), QFile::ReadOwner | QFile::ExeOwner));
    else
        QVERIFY(QFile::setPermissions(db(), QFile::ReadOwner));
    // Where writes get through the viewer would create the missing table or
    // file as on a writable disk.
    if (state != QLatin1String("complete") && !writesStopped(folder ? m_App->path() : db(), folder))
        QSKIP("this read-only path does not stop writes here (root, or a folder on Windows, or Wine)");

    hxReport window;
    window.show();
    if (state == QLatin1String("missing")) {
        QVERIFY2(
            statusText(window).startsWith(QStringLiteral("无法打开数据库")), qPrintable(statusText(window)));
    } else {
        QCOMPARE(statusText(window), QString());
    }
    setRanges(window, QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QDateTime(QDate(2025, 1, 1), QTime(0, 0)));
    const QStringList messages = runAllQueries(window);
    if (state == QLatin1String("missing")) {
        QCOMPARE(window.productionModel()->rowCount(), 0);
        QVERIFY(!messages.filter(QStringLiteral("查询失败")).isEmpty());
    } else {
        QCOMPARE(child<QLabel>(window, "label_Number")->text(), QStringLiteral("80"));
        QCOMPARE(window.productionModel()->rowCount(), 50);
        QVERIFY(!window.countMap().isEmpty());
        // Only the log page needs the table that could not be made.
        const QStringList failed = messages.filter(QStringLiteral("失败"));
        if (state == QLatin1String("lacking"))
            QVERIFY2(
                !failed.isEmpty() && failed.filter(QStringLiteral("warningtable")).size() == failed.size(),
                qPrintable(messages.join(QLatin1Char('\n'))));
        else
            QVERIFY2(failed.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
    }

    makeWritable(m_App->path());
    QCOMPARE(listing(m_App->path()), filesBefore);
    if (state != QLatin1String("missing"))
        QVERIFY(fileBytes(db()) == before);
}

void TestDamagedFiles::unexpectedValues_data()
{
    // Statements that make the file before the viewer starts; the viewer adds
    // the tables these do not create.
    QTest::addColumn<QStringList>("setup");
    // Production rows as "time|model|similarity|time used|diameter|thickness".
    QTest::addColumn<QStringList>("production");
    QTest::addColumn<QStringList>("logs"); // alarm records as "time|message"
    QTest::addColumn<QStringList>("statistics"); // "model count", then the total

    // The station's tables without their indexes.
    const QString wftable = StationSchema::createDetectionTableSql();
    const QString warningtable = StationSchema::createLogTableSql();
    const QString wftimetable = StationSchema::createShiftTableSql();

    QTest::newRow("extra columns in another order")
        << QStringList {
               "CREATE TABLE wftable (time DATETIME(32), operator TEXT, model VARCHAR(32), "
               "uid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, pic BLOB, line INT, correlate INT(100), "
               "detecttime VARCHAR(32), diameter INT(100), hight INT(100), channel INT(100), note BLOB)",
               "insert into wftable(time,operator,model,line,correlate,detecttime,diameter,hight,channel,note) "
               "values('2020-05-01 08:00:00','bob','A1',3,0.5,'1.5',500,200,2,x'00ff')",
               "CREATE TABLE warningtable (message VARCHAR(256), severity INT, time DATETIME(32), "
               "uid INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL, class VARCHAR(32), source TEXT)",
               "insert into warningtable(message,severity,time,class,source) "
               "values('camera lost',3,'2020-05-01 08:00:00','1','cam2')",
           }
        << QStringList { "2020-05-01 08:00:00|A1|50.000%|1.500|500.000|200.000" }
        << QStringList { "2020-05-01 08:00:00|camera lost" } << QStringList { "A1 1", "NG 0", "总数 1" };

    QTest::newRow("NULL in every column")
        << QStringList {
               wftable, warningtable,
               "insert into wftable(time) values('2020-05-01 08:00:00')",
               "insert into wftable(uid) values(NULL)",
               "insert into warningtable(class,time) values('1','2020-05-01 08:00:00')",
               "insert into warningtable(uid) values(NULL)",
               wftimetable,
               "insert into wftimetable_2(uid) values(NULL)",
           }
        << QStringList { "2020-05-01 08:00:00||0.000%|0.000|0.000|0.000" } << QStringList { "2020-05-01 08:00:00|" }
        // A record without a model is in the total; its group counts
        // count(model), which leaves NULL out.
        << QStringList { " 0", "NG 0", "总数 1" };

    QTest::newRow("text where numbers belong")
        << QStringList {
               wftable,
               "insert into wftable(time,model,correlate,detecttime,diameter,hight,channel) "
               "values('2020-05-01 08:00:00','A1','high','fast','wide','','one')",
               "insert into wftable(time,model,correlate,detecttime,diameter,hight,channel) "
               "values('2020-05-01 08:00:01',12345,x'0102','0x10',' 42 ','7e1',NULL)",
           }
        << QStringList { "2020-05-01 08:00:00|A1|0.000%|0.000|0.000|0.000",
                         "2020-05-01 08:00:01|12345|0.000%|0.000|42.000|70.000" }
        << QStringList() << QStringList { "12345 1", "A1 1", "NG 0", "总数 2" };

    // Times compare as text: only what sorts inside the range shows, exactly
    // as stored, and the count agrees with the rows.
    QTest::newRow("times in a wrong format")
        << QStringList {
               wftable, warningtable,
               "insert into wftable(time,model) values('2020/05/01 08:00:00','slash')",
               "insert into wftable(time,model) values('2020-05-01T08:00:00','iso')",
               "insert into wftable(time,model) values('2020-5-1 8:00:00','short')",
               "insert into wftable(time,model) values(1588320000,'number')",
               "insert into wftable(time,model) values('yesterday','word')",
               "insert into wftable(time,model) values('','empty')",
               "insert into warningtable(class,message,time) values('1','iso','2020-05-01T09:00:00')",
               "insert into warningtable(class,message,time) values('1','number',1588320000)",
               wftimetable,
               "insert into wftimetable_2(type,starttime,endtime) values('早班','8:00','25:99:00')",
           }
        << QStringList { "2020-05-01T08:00:00|iso|0.000%|0.000|0.000|0.000" }
        << QStringList { "2020-05-01T09:00:00|iso" } << QStringList { "iso 1", "NG 0", "总数 1" };
}

void TestDamagedFiles::unexpectedValues()
{
    QFETCH(QStringList, setup);
    QFETCH(QStringList, production);
    QFETCH(QStringList, logs);
    QFETCH(QStringList, statistics);
    QVERIFY(exec(db(), setup));
    const QMap<QString, QString> before = contents(db());

    {
        hxReport window;
        window.show();
        QCOMPARE(statusText(window), QString());
        // A shift whose times cannot be read still selects without harm.
        auto* shifts = child<QComboBox>(window, "comboBox_Banci");
        for (int i = 0; i < shifts->count(); ++i)
            shifts->setCurrentIndex(i);
        shifts->setCurrentIndex(0);
        setDefaultRanges(window);
        child<QComboBox>(window, "comboBox_Wandring_Log")->setCurrentIndex(0); // alarm records
        const QStringList messages = runAllQueries(window);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));

        QCOMPARE(rowsOf(window.productionModel(), 6), production);
        QCOMPARE(child<QLabel>(window, "label_Number")->text(), QString::number(production.size()));
        // The export writes the same values.
        const QString csv = m_App->path() + QStringLiteral("/records.csv");
        QString done;
        GuiTest::answerFileDialog(csv);
        GuiTest::answerMessageBox(&done);
        child<QPushButton>(window, "pushButton_SaveHistory")->click();
        QCOMPARE(done, QStringLiteral("数据导出完成\n") + QDir::toNativeSeparators(csv));
        const QList<QStringList> lines = parseCsv(QTextCodec::codecForLocale()->toUnicode(fileBytes(csv)));
        QCOMPARE(lines.size(), production.size() + 5);
        for (int i = 0; i < production.size(); ++i)
            QCOMPARE(
                lines[2 + i], QStringList(QString::number(i + 1)) + production[i].split(QLatin1Char('|')));
        QCOMPARE(rowsOf(window.logModel(), 2), logs);
        QCOMPARE(window.logPaging().total, logs.size());
        QCOMPARE(reportRows(window.reportWidget()), statistics);

        // The full picture of a record without one is empty, not a crash.
        if (window.productionModel()->rowCount() > 0) {
            QSignalSpy shown(&window, &hxReport::sgPictureShown);
            auto* view = child<QTableView>(window, "tableView_checkShengchang");
            emit view->doubleClicked(window.productionModel()->index(0, 0));
            QVERIFY(shown.wait(20000));
            const QPixmap picture = child<QLabel>(window, "CheckDlg_label_Pic")->pixmap(Qt::ReturnByValue);
            QVERIFY(picture.isNull());
        }
    }
    // Only tables the setup left out were added.
    const QMap<QString, QString> after = contents(db());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(after.value(it.key()), it.value());
}

void TestDamagedFiles::thumbnails_data()
{
    QTest::addColumn<QByteArray>("pic");
    QTest::addColumn<bool>("decodable");
    const QByteArray jpeg = encode(drawnHub(QSize(400, 300)), "JPEG", 90);
    const QByteArray png = encode(drawnHub(QSize(400, 300)), "PNG");
    QTest::newRow("not an image") << QByteArray("GIF89a but nothing else follows, really") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("truncated JPEG") << jpeg.left(jpeg.size() / 2) << true;
    QTest::newRow("JPEG header only") << jpeg.left(200) << false;
    QTest::newRow("truncated PNG") << png.left(png.size() / 2) << false;
    // About 20 MB each: a photo-sized JPEG and an uncompressible PNG.
    const QByteArray bigJpeg = encode(noise(QSize(4000, 3000)), "JPEG", 100);
    QVERIFY(bigJpeg.size() > 15 * 1024 * 1024);
    QTest::newRow("20 MB JPEG") << bigJpeg << true;
    const QByteArray bigPng = encode(noise(QSize(2600, 2600)), "PNG");
    QVERIFY(bigPng.size() > 15 * 1024 * 1024);
    QTest::newRow("20 MB PNG") << bigPng << true;
}

void TestDamagedFiles::thumbnails()
{
    QFETCH(QByteArray, pic);
    QFETCH(bool, decodable);
    QVariantMap record { { "time", "2020-05-01 08:00:00" }, { "model", "A1" }, { "correlate", 0.9 },
        { "detecttime", "1.0" }, { "diameter", 500 }, { "hight", 200 }, { "channel", 1 }, { "pic", pic } };
    QVERIFY(m_App->station().database()); // creates the tables the station's way
    m_App->closeStation();
    QVERIFY(insert(db(), QStringLiteral("wftable"), record));
    record["time"] = QStringLiteral("2020-05-01 08:00:01");
    record["pic"] = encode(drawnHub(QSize(60, 40)), "PNG");
    QVERIFY(insert(db(), QStringLiteral("wftable"), record));
    const QByteArray before = fileBytes(db());

    {
        hxReport window;
        window.show();
        setDefaultRanges(window);
        QVERIFY(clickAndWait(window, "pushButton_Checkdata"));
        QStandardItemModel* model = window.productionModel();
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(statusText(window), QString());
        // Thumbnails are decoded at their shown size, whatever the stored one.
        const QIcon icon = model->item(0, 6)->icon();
        QCOMPARE(icon.isNull(), !decodable);
        if (decodable)
            QCOMPARE(icon.availableSizes(), QList<QSize>({ QSize(50, 50) }));
        // The row after it is unaffected.
        QCOMPARE(model->item(1, 6)->icon().availableSizes(), QList<QSize>({ QSize(50, 50) }));
        QCOMPARE(model->item(1, 1)->text(), QStringLiteral("A1"));

        QSignalSpy shown(&window, &hxReport::sgPictureShown);
        auto* view = child<QTableView>(window, "tableView_checkShengchang");
        emit view->doubleClicked(model->index(0, 0));
        QVERIFY(shown.wait(60000));
        const QPixmap picture = child<QLabel>(window, "CheckDlg_label_Pic")->pixmap(Qt::ReturnByValue);
        QCOMPARE(picture.isNull(), !decodable);
        if (decodable) {
            const QSize full = QImage::fromData(pic).size();
            QVERIFY2(picture.width() <= 150 && picture.height() <= 150,
                qPrintable(QStringLiteral("%1x%2").arg(picture.width()).arg(picture.height())));
            if (full.isValid()) // aspect ratio kept (to a pixel)
                QVERIFY(qAbs(picture.width() * full.height() - picture.height() * full.width())
                    <= qMax(full.width(), full.height()));
        }
    }
    QVERIFY(fileBytes(db()) == before);
}

void TestDamagedFiles::modelFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("models"); // combo items after "全部" and "NG"
    QTest::newRow("no pattern folder") << "no folder" << QStringList();
    QTest::newRow("empty pattern folder") << "no file" << QStringList();
    QTest::newRow("zero-byte file") << "zero" << QStringList();
    QTest::newRow("not a database") << "text" << QStringList();
    QTest::newRow("no model table") << "other table" << QStringList();
    QTest::newRow("table without a model column") << "no column" << QStringList { "", "" };
    QTest::newRow("NULL and odd model names") << "odd names" << QStringList { "", "A1", "12", "" };
}

void TestDamagedFiles::modelFile()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, models);
    const QString file = m_App->modelDatabase();
    const QString folder = QFileInfo(file).path();
    if (kind != QLatin1String("no folder"))
        QVERIFY(QDir().mkpath(folder));
    if (kind == QLatin1String("zero"))
        QVERIFY(writeFile(file, QByteArray()));
    else if (kind == QLatin1String("text"))
        QVERIFY(writeFile(file, QByteArray("model list\nA1\nB2\n")));
    else if (kind == QLatin1String("other table"))
        QVERIFY(exec(file,
            { QStringLiteral("create table models (model text)"),
                QStringLiteral("insert into models values ('A1')") }));
    else if (kind == QLatin1String("no column"))
        QVERIFY(exec(file,
            { QStringLiteral("create table modelTable (uid integer primary key, name text)"),
                QStringLiteral("insert into modelTable(name) values ('A1'), ('B2')") }));
    else if (kind == QLatin1String("odd names"))
        QVERIFY(exec(file,
            { QStringLiteral("create table modelTable (uid integer primary key, model text)"),
                QStringLiteral("insert into modelTable(model) values (NULL), ('A1'), (12), ('')") }));
    const QByteArray before = QFile::exists(file) ? fileBytes(file) : QByteArray();
    const QStringList filesBefore = listing(m_App->path());

    {
        hxReport window;
        window.show();
        QCOMPARE(
            comboItems(child<QComboBox>(window, "comboBox_Model")), QStringList({ "全部", "NG" }) + models);
        setDefaultRanges(window);
        const QStringList messages = runAllQueries(window);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
    }
    // The model file is the station's: never created or changed.
    QStringList filesAfter = listing(m_App->path());
    filesAfter.removeOne(QStringLiteral("wheelhubwf.db"));
    QCOMPARE(filesAfter, filesBefore);
    if (QFile::exists(file))
        QVERIFY(fileBytes(file) == before);
}

void TestDamagedFiles::settingsFile_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("translators");
    QTest::newRow("binary garbage") << randomBytes(4096) << 1;
    QTest::newRow("one long line") << QByteArray(200000, 'x') << 1;
    QTest::newRow("unclosed group") << QByteArray("[General\nlanguage=Chinese\n") << 1;
    QTest::newRow("language outside the language folder")
        << QByteArray("[General]\nlanguage=../outside\n") << 0;
    QTest::newRow("language as an absolute path") << QByteArray("[General]\nlanguage=@OUTSIDE@\n") << 0;
    QTest::newRow("language with a separator")
        << QByteArray("[General]\nlanguage=Chinese/../../outside\n") << 0;
    QTest::newRow("very long language") << "[General]\nlanguage=" + QByteArray(10000, 'z') + "\n" << 0;
    QTest::newRow("settings file is a folder") << QByteArray() << 1;
}

void TestDamagedFiles::settingsFile()
{
    QFETCH(QByteArray, ini);
    QFETCH(int, translators);
    const QString chinese = AppPaths::join(AppPaths::languageDir(), QStringLiteral("Chinese"));
    const QString outside = AppPaths::join(m_App->path(), QStringLiteral("outside"));
    QVERIFY(QDir().mkpath(chinese));
    QVERIFY(QDir().mkpath(outside));
    QVERIFY(QFile::copy(QStringLiteral(HX_TEST_QM_DIR "/first.qm"), chinese + QStringLiteral("/first.qm")));
    QVERIFY(QFile::copy(QStringLiteral(HX_TEST_QM_DIR "/second.qm"), outside + QStringLiteral("/second.qm")));
    const QString settings = QStringLiteral("hubdetect.ini");
    if (ini.isEmpty())
        QVERIFY(QDir().mkpath(settings));
    else
        QVERIFY(writeFile(settings, QByteArray(ini).replace("@OUTSIDE@", outside.toUtf8())));
    const QByteArray before = ini.isEmpty() ? QByteArray() : fileBytes(settings);

    {
        hxReport window;
        window.show();
        QCOMPARE(window.translators().size(), translators);
        // Never the file outside the language folder.
        QVERIFY(window.windowTitle() != QStringLiteral("from second"));
        QCOMPARE(window.windowTitle(),
            translators ? QStringLiteral("from first") : QStringLiteral("数据记录查看"));
    }
    if (!ini.isEmpty())
        QVERIFY(fileBytes(settings) == before); // read, never written
}

void TestDamagedFiles::brokenTranslations()
{
    const QString chinese = AppPaths::join(AppPaths::languageDir(), QStringLiteral("Chinese"));
    QVERIFY(QDir().mkpath(chinese + QStringLiteral("/folder.qm")));
    const QByteArray good = fileBytes(QStringLiteral(HX_TEST_QM_DIR "/first.qm"));
    const QByteArray other = fileBytes(QStringLiteral(HX_TEST_QM_DIR "/second.qm"));
    QVERIFY(good.size() > 16 && other.size() > 16);
    // Sorted by name: the good file is walked first, so a broken file loaded
    // after it would win.
    QVERIFY(writeFile(chinese + QStringLiteral("/a_good.qm"), good));
    QVERIFY(writeFile(chinese + QStringLiteral("/b_empty.qm"), QByteArray()));
    QVERIFY(writeFile(chinese + QStringLiteral("/c_garbage.qm"), randomBytes(3000)));
    QVERIFY(writeFile(chinese + QStringLiteral("/d_truncated.qm"), other.left(other.size() / 2)));

    hxReport window;
    window.show();
    QCOMPARE(window.translators().size(), 1);
    QCOMPARE(window.windowTitle(), QStringLiteral("from first"));
    QCOMPARE(child<QComboBox>(window, "comboBox_Banci")->itemText(0), QStringLiteral("Whole day"));
}

QTEST_MAIN(TestDamagedFiles)
#include "tst_damagedfiles.moc"
