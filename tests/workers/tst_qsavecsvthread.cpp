#include "detectdatadb.h"
#include "exportquery.h"
#include "qsavecsvthread.h"
#include "testappdir.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTextCodec>
#include <QtTest>

namespace {
// Everything but the line with the time of writing.
QStringList stableLines(const QByteArray& bytes)
{
    QStringList lines = QTextCodec::codecForLocale()->toUnicode(bytes).split(QLatin1Char('\n'));
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                    [](const QString& l) {
                        return l.startsWith(QStringLiteral("时间:"))
                            || l.startsWith(QStringLiteral("保存时间:"));
                    }),
        lines.end());
    return lines;
}

const QString kRange1 = QStringLiteral("2020-05-01 00:00:00");
const QString kRange2 = QStringLiteral("2020-05-02 00:00:00");
}

class TestSaveCsvThread : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void chunksGiveTheSingleStatementsRows_data();
    void chunksGiveTheSingleStatementsRows();
    void chunkStatementsUseTheTimeIndex();
    void fileAppearsOnlyWhenComplete();
    void failedQueryIsReported();
    void interruptedExportLeavesNoFile();

private:
    QByteArray exportTo(
        int type, const QString& sql, const ExportQuery& chunks, int chunkSize, bool* ok = nullptr);

    std::unique_ptr<TestAppDir> m_Dir;
    std::unique_ptr<DetectDataDB> m_Db;
};

void TestSaveCsvThread::initTestCase()
{
    m_Dir.reset(new TestAppDir);
    StationSimulator& station = m_Dir->station();
    // Three records a second, so that chunks end between rows of equal times,
    // written out of time order the way a late station write would be.
    for (int second = 59; second >= 0; --second) {
        const QString time = QStringLiteral("2020-05-01 08:00:%1").arg(second, 2, 10, QLatin1Char('0'));
        for (int k = 0; k < 3; ++k) {
            const QString model = k == 1 ? QStringLiteral("B, \"2\"") : QStringLiteral("A1");
            QVERIFY(station.addDetection(time, model, 0.5 + k / 10.0, QStringLiteral("1.5"), 500 + k, 200));
            QVERIFY(station.addLog(time, QStringLiteral("alarm %1/%2").arg(second).arg(k), k == 2 ? 4 : 1));
        }
    }
    QVERIFY(station.addDetection(
        QStringLiteral("2020-05-03 08:00:00"), QStringLiteral("A1"), 0.5, QStringLiteral("1"), 1, 1));
    m_Dir->closeStation();
    m_Db.reset(new DetectDataDB(m_Dir->detectionDatabase(), QStringLiteral("QSQLITE")));
    QVERIFY(m_Db->openDatabase());
}

void TestSaveCsvThread::cleanupTestCase()
{
    m_Db.reset();
    m_Dir.reset();
}

QByteArray TestSaveCsvThread::exportTo(
    int type, const QString& sql, const ExportQuery& chunks, int chunkSize, bool* ok)
{
    QSaveCSVThread thread;
    thread.setTask(m_Db.get(), sql, QString(), type);
    thread.setHeader(QStringLiteral("title"), QStringLiteral("username"));
    if (chunks.isValid())
        thread.setChunks(chunks, chunkSize);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const bool written = type == 0 ? thread.writeProduction(&buffer) : thread.writeLog(&buffer);
    if (ok)
        *ok = written;
    return buffer.data();
}

void TestSaveCsvThread::chunksGiveTheSingleStatementsRows_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<int>("rows");
    const QString all
        = QStringLiteral("select * from wftable where time >'%1' and time <'%2'").arg(kRange1, kRange2);
    const QString model = all + QStringLiteral(" and model = 'B, \"2\"'");
    const QString log = QStringLiteral(
        "select * from warningtable where time >'%1' and time < '%2' and class = '1' order by time desc ")
                            .arg(kRange1, kRange2);
    for (int chunk : { 1, 2, 3, 4, 7, 1000 }) {
        QTest::addRow("production, chunks of %d", chunk) << 0 << all << chunk << 180;
        QTest::addRow("one model, chunks of %d", chunk) << 0 << model << chunk << 60;
        QTest::addRow("log, chunks of %d", chunk) << 1 << log << chunk << 120;
    }
}

void TestSaveCsvThread::chunksGiveTheSingleStatementsRows()
{
    QFETCH(int, type);
    QFETCH(QString, sql);
    QFETCH(int, chunk);
    QFETCH(int, rows);
    const ExportQuery chunks = type == 1 ? ExportQuery::log(kRange1, kRange2, LogClass::Alarm)
        : sql.contains(QStringLiteral("model ="))
        ? ExportQuery::production(kRange1, kRange2, QStringLiteral("B, \"2\""))
        : ExportQuery::production(kRange1, kRange2, QString());
    bool singleOk = false;
    bool chunkedOk = false;
    const QStringList single = stableLines(exportTo(type, sql, ExportQuery(), 0, &singleOk));
    const QStringList chunked = stableLines(exportTo(type, QString(), chunks, chunk, &chunkedOk));
    QVERIFY(singleOk);
    QVERIFY(chunkedOk);
    QCOMPARE(single.size(), rows + 5); // title, header, rows, total, user, final empty line
    QCOMPARE(chunked, single);
}

void TestSaveCsvThread::chunkStatementsUseTheTimeIndex()
{
    const ExportQuery queries[] = { ExportQuery::production(kRange1, kRange2, QStringLiteral("A1")),
        ExportQuery::log(kRange1, kRange2, LogClass::State) };
    for (const ExportQuery& query : queries) {
        for (const QString& sql :
            { query.firstChunk(10), query.nextChunk(QStringLiteral("2020-05-01 08:00:30"), 5, 10) }) {
            QSqlQuery plan;
            m_Db->execSql(QStringLiteral("explain query plan ") + sql, plan);
            QString text;
            while (plan.next())
                text += plan.value(3).toString() + QLatin1Char('\n');
            QVERIFY2(text.contains(QStringLiteral("USING INDEX idx_")),
                qPrintable(sql + QLatin1Char('\n') + text));
            QVERIFY2(
                !text.contains(QStringLiteral("TEMP B-TREE")), qPrintable(sql + QLatin1Char('\n') + text));
        }
    }
}

void TestSaveCsvThread::fileAppearsOnlyWhenComplete()
{
    const QString file = m_Dir->path() + QStringLiteral("/complete.csv");
    QSaveCSVThread thread;
    thread.setTask(m_Db.get(), QString(), file, 0);
    thread.setChunks(ExportQuery::production(kRange1, kRange2, QString()), 7);
    QSignalSpy done(&thread, &QSaveCSVThread::resultReady);
    thread.start();
    QVERIFY(thread.wait(30000));
    QCOMPARE(done.count(), 1);
    QCOMPARE(done.at(0).at(0).toInt(), 0);
    QVERIFY(thread.succeeded());
    QCOMPARE(thread.rowsWritten(), 180);
    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll().count('\n'), 180 + 5);
}

void TestSaveCsvThread::failedQueryIsReported()
{
    const QString file = m_Dir->path() + QStringLiteral("/failed.csv");
    QSaveCSVThread thread;
    thread.setTask(m_Db.get(), QStringLiteral("select * from no_such_table"), file, 1);
    thread.start();
    QVERIFY(thread.wait(30000));
    QVERIFY(!thread.succeeded());
    QVERIFY(thread.errorString().contains(QStringLiteral("no_such_table")));
    QVERIFY(!QFile::exists(file));

    QSaveCSVThread noDatabase;
    noDatabase.setTask(nullptr, QStringLiteral("select 1"), file, 0);
    noDatabase.start();
    QVERIFY(noDatabase.wait(30000));
    QVERIFY(!noDatabase.succeeded());
    QVERIFY(!QFile::exists(file));
}

void TestSaveCsvThread::interruptedExportLeavesNoFile()
{
    const QString file = m_Dir->path() + QStringLiteral("/interrupted.csv");
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("previous content\n");
    old.close();
    m_Db->setInterrupted(true);
    QSaveCSVThread thread;
    thread.setTask(m_Db.get(), QString(), file, 0);
    thread.setChunks(ExportQuery::production(kRange1, kRange2, QString()), 7);
    thread.start();
    QVERIFY(thread.wait(30000));
    m_Db->setInterrupted(false);
    QVERIFY(!thread.succeeded());
    QVERIFY(QFile::exists(file));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("previous content\n"));
}

QTEST_GUILESS_MAIN(TestSaveCsvThread)
#include "tst_qsavecsvthread.moc"
