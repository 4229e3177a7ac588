#include "guitestutil.h"
#include "hxreport.h"
#include "pagefixture.h"
#include "pageindex.h"
#include "qreportwidget.h"
#include "recordindex.h"

#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

namespace {
using GuiTest::child;

const QString Note = QStringLiteral("记录索引暂不可用，已直接查询");

// Records written in this order (uids rising), times not in uid order: equal
// times, a NULL and an empty model, times in other shapes than the
// station's, records on and outside the range bounds.
void writeRecords(StationFixture& fixture)
{
    const QVariant null;
    const QList<QPair<QString, QVariant>> records {
        { "2020-05-01 08:00:00", "A1" },
        { "2020-05-01 08:00:00", "" },
        { "2020-05-01 08:00:00", "A1" },
        { "2020-05-01 08:00:00", null },
        { "2020-05-01 08:00:00", "A1" },
        { "2020-05-01 09:00:00", "B2" },
        { "2020-05-01 9:30:00", "A1" },
        { "2020-05-01T10:00:00", "A1" },
        { "2020-05-01 10:00:00.500", "A1" },
        { "2020-05-01 11:00:00", "" },
        { "2020-05-01 12:00:00", null },
        { "2020-05-01 12:00:00", "A1" },
        { "2020-05-02 00:00:00", "A1" },
        { "2020-04-30 23:59:59", "A1" },
        { "2020-05-01 13:00:00", "A1 " },
        { "2020-05-01 07:00:00", "A1" },
        { "2020-05-01 07:00:00", "" },
    };
    int n = 0;
    for (const auto& record : records)
        fixture.addRecord(
            record.first, record.second, 0.5 + 0.01 * ++n, StationFixture::picture(QSize(4, 4)));
}

QStringList tableRows(QAbstractItemModel* model)
{
    QStringList rows;
    for (int r = 0; model && r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString()
                    + (model->index(r, c).data(Qt::DecorationRole).isNull() ? "" : "[icon]");
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// What the window shows for the statistics of the range and for one model's
// query in it, page after page.
QStringList shown(
    hxReport& window, const QString& time1, const QString& time2, const QString& model, int size)
{
    QStringList out;
    QSignalSpy page(&window, &hxReport::sgPageShown);
    window.startCountQuery(time1, time2);
    if (!page.wait(20000))
        return { "no statistics" };
    auto* report = window.reportWidget()->findChild<QTableView*>();
    out << tableRows(report ? report->model() : nullptr);
    child<QLineEdit>(window, "LineNumber_checkShengchang")->setText(QString::number(size));
    window.checkHistoryData(time1, time2, model);
    if (!page.wait(20000))
        return { "no page" };
    out << child<QLabel>(window, "label_Number")->text();
    for (int i = 0; i < 20; ++i) {
        out << child<QLabel>(window, "showPage_Label_Checkdata")->text()
            << tableRows(window.productionModel());
        if (window.productionPaging().currentPage >= window.productionPaging().pageCount)
            break;
        child<QPushButton>(window, "Next_checkShengchang")->click();
        if (!page.wait(20000))
            return { "no next page" };
    }
    return out;
}

PageIndex* pageIndex(hxReport& window)
{
    auto* index = window.findChild<PageIndex*>();
    if (!index)
        qFatal("no record index");
    return index;
}
}

class TestPageIndex : public QObject
{
    Q_OBJECT
private slots:
    void sameAsDirect_data();
    void sameAsDirect();
    void closeDuringBuild();
};

void TestPageIndex::sameAsDirect_data()
{
    QTest::addColumn<QString>("time1");
    QTest::addColumn<QString>("time2");
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("size");
    QTest::newRow("day, A1 by 2") << "2020-05-01 00:00:00"
                                  << "2020-05-02 00:00:00"
                                  << "A1" << 2;
    QTest::newRow("day, empty model") << "2020-05-01 00:00:00"
                                      << "2020-05-02 00:00:00"
                                      << "" << 1;
    QTest::newRow("bounds on records") << "2020-05-01 08:00:00"
                                       << "2020-05-01 12:00:00"
                                       << "A1" << 3;
    QTest::newRow("bounds of odd shape") << "2020-05-01 9"
                                         << "2020-05-01T"
                                         << "A1" << 2;
    QTest::newRow("model with a blank") << "2020-04-01 00:00:00"
                                        << "2020-06-01 00:00:00"
                                        << "A1 " << 5;
    QTest::newRow("no such model") << "2020-04-01 00:00:00"
                                   << "2020-06-01 00:00:00"
                                   << "Z9" << 5;
}

// With the index built the window shows what it shows when the index cannot
// be made (its folder cannot be created): the statistics, one model's count
// and each of its pages; only the second says in the status bar that it
// answered directly.
void TestPageIndex::sameAsDirect()
{
    QFETCH(QString, time1);
    QFETCH(QString, time2);
    QFETCH(QString, model);
    QFETCH(int, size);
    PageFixture fixture;
    writeRecords(fixture);
    fixture.done();

    QStringList indexed;
    {
        hxReport window;
        window.show();
        QSignalSpy direct(pageIndex(window), &PageIndex::answeredDirectly);
        QTRY_VERIFY_WITH_TIMEOUT(pageIndex(window)->recordIndex()->isInStep(), 20000);
        indexed = shown(window, time1, time2, model, size);
        QCOMPARE(direct.count(), 0);
        QVERIFY(window.statusBar()->currentMessage() != Note);
    }
    // In its own folder, never in the station's.
    QVERIFY(!QDir(fixture.indexFolder()).entryList({ "hxindex-*" }).isEmpty());
    QVERIFY(QDir(fixture.path()).entryList({ "hxindex-*" }).isEmpty());

    QFile blocker(QDir(fixture.indexFolder()).filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AppPaths::setIndexFolder(blocker.fileName() + "/index");
    hxReport window;
    window.show();
    QSignalSpy passed(pageIndex(window)->recordIndex(), &RecordIndex::passFinished);
    QVERIFY(passed.wait(20000));
    QCOMPARE(passed.first().first().toBool(), false);
    QSignalSpy direct(pageIndex(window), &PageIndex::answeredDirectly);
    QCOMPARE(shown(window, time1, time2, model, size), indexed);
    QVERIFY(direct.count() > 0);
    QTRY_COMPARE(window.statusBar()->currentMessage(), Note);
}

// Closing the window in the middle of a first build returns (the build is
// interrupted, not waited for), and the next window resumes it.
void TestPageIndex::closeDuringBuild()
{
    PageFixture fixture;
    QVERIFY(fixture.generate(1500));
    qint64 total = 0;
    {
        hxReport window;
        RecordIndex* index = pageIndex(window)->recordIndex();
        index->setChunk(1, 1); // before it starts with the event loop
        QSignalSpy progress(index, &RecordIndex::progress);
        QTRY_VERIFY_WITH_TIMEOUT(progress.count() > 2, 20000);
        total = progress.first().at(1).toLongLong();
        QVERIFY(!index->isInStep());
    }
    hxReport window;
    RecordIndex* index = pageIndex(window)->recordIndex();
    QSignalSpy progress(index, &RecordIndex::progress);
    QTRY_VERIFY_WITH_TIMEOUT(index->isInStep(), 60000);
    QCOMPARE(total, qint64(1500));
    QVERIFY(progress.first().at(1).toLongLong() < total);
}

QTEST_MAIN(TestPageIndex)
#include "tst_pageindex.moc"
