#include "qreportwidget.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

using CountMap = QMap<QString, int>;
struct ExtraRow
{
    QString name;
    int value;
    bool append;
};
using ExtraRows = QVector<ExtraRow>;
using TableRows = QVector<QStringList>;
Q_DECLARE_METATYPE(CountMap)
Q_DECLARE_METATYPE(ExtraRows)
Q_DECLARE_METATYPE(TableRows)

class TestQReportWidget : public QObject
{
    Q_OBJECT

private slots:
    void emptyBeforeFirstUpdate();
    void rows_data();
    void rows();
    void setDataCopies();
    void clearReport();
    void rebuildKeepsOneSelectionModel();
};

namespace {
TableRows tableRows(const QAbstractItemModel* model)
{
    TableRows rows;
    for (int r = 0; r < model->rowCount(); ++r)
        rows << QStringList { model->index(r, 0).data().toString(), model->index(r, 1).data().toString() };
    return rows;
}
}

void TestQReportWidget::emptyBeforeFirstUpdate()
{
    QReportWidget report(QStringLiteral("ignored until shown"));
    QVERIFY(report.titleLabel()->text().isEmpty());
    QCOMPARE(report.tableView()->model(), nullptr);
}

void TestQReportWidget::rows_data()
{
    QTest::addColumn<CountMap>("counts");
    QTest::addColumn<ExtraRows>("extras");
    QTest::addColumn<TableRows>("expected");

    const QString ng = QStringLiteral("NG");
    const QString total = QStringLiteral("总数");

    QTest::newRow("models in key order, then extras")
        << CountMap { { QStringLiteral("B"), 4 }, { QStringLiteral("A"), 2 } }
        << ExtraRows { { ng, 0, true }, { total, 6, true } }
        << TableRows { { QStringLiteral("A"), QStringLiteral("2") },
               { QStringLiteral("B"), QStringLiteral("4") }, { ng, QStringLiteral("0") },
               { total, QStringLiteral("6") } };
    QTest::newRow("NG from the map keeps its key position")
        << CountMap { { QStringLiteral("Z1"), 1 }, { ng, 3 }, { QStringLiteral("A"), 2 } }
        << ExtraRows { { total, 6, true } }
        << TableRows { { QStringLiteral("A"), QStringLiteral("2") }, { ng, QStringLiteral("3") },
               { QStringLiteral("Z1"), QStringLiteral("1") }, { total, QStringLiteral("6") } };
    QTest::newRow("no records") << CountMap {} << ExtraRows { { ng, 0, true }, { total, 0, true } }
                                << TableRows { { ng, QStringLiteral("0") }, { total, QStringLiteral("0") } };
    QTest::newRow("append false replaces the extras")
        << CountMap { { QStringLiteral("A"), 1 } }
        << ExtraRows { { QStringLiteral("x"), 1, true }, { QStringLiteral("y"), 2, true },
               { total, 9, false } }
        << TableRows { { QStringLiteral("A"), QStringLiteral("1") }, { total, QStringLiteral("9") } };
    QTest::newRow("nothing at all") << CountMap {} << ExtraRows {} << TableRows {};
}

void TestQReportWidget::rows()
{
    QFETCH(CountMap, counts);
    QFETCH(ExtraRows, extras);
    QFETCH(TableRows, expected);

    QReportWidget report(QString {});
    report.setTitle(QStringLiteral("统计结果 "));
    report.SetData(counts);
    for (const ExtraRow& extra : extras)
        report.addRow(extra.name, extra.value, extra.append);
    report.updateTable();

    QCOMPARE(report.titleLabel()->text(), QStringLiteral("统计结果 "));
    QCOMPARE(report.titleLabel()->font().pixelSize(), 14);
    const QAbstractItemModel* model = report.tableView()->model();
    QCOMPARE(model, static_cast<QAbstractItemModel*>(report.model()));
    QCOMPARE(model->columnCount(), 2);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("型号"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("数量"));
    QCOMPARE(tableRows(model), expected);
}

void TestQReportWidget::setDataCopies()
{
    QReportWidget report(QString {});
    CountMap counts { { QStringLiteral("A"), 1 } };
    report.SetData(counts);
    counts.insert(QStringLiteral("B"), 2);
    report.updateTable();
    QCOMPARE(tableRows(report.model()), (TableRows { { QStringLiteral("A"), QStringLiteral("1") } }));
}

void TestQReportWidget::clearReport()
{
    QReportWidget report(QString {});
    CountMap counts { { QStringLiteral("A"), 1 } };
    report.setTitle(QStringLiteral("old"));
    report.SetData(counts);
    report.addRow(QStringLiteral("NG"), 0, true);
    report.updateTable();
    QCOMPARE(report.model()->rowCount(), 2);

    report.clearReport();
    report.updateTable();
    QVERIFY(report.titleLabel()->text().isEmpty());
    QCOMPARE(report.model()->rowCount(), 0);
    QCOMPARE(report.model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("型号"));
}

void TestQReportWidget::rebuildKeepsOneSelectionModel()
{
    QReportWidget report(QString {});
    const auto selectionModels = [&report] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return report.findChildren<QItemSelectionModel*>().size();
    };
    report.updateTable();
    const int afterFirst = selectionModels();
    for (int i = 0; i < 5; ++i)
        report.updateTable();
    QCOMPARE(selectionModels(), afterFirst);
    QCOMPARE(report.tableView()->selectionModel()->model(), static_cast<QAbstractItemModel*>(report.model()));
    QCOMPARE(report.tableView()->horizontalHeader()->selectionModel(), report.tableView()->selectionModel());
}

QTEST_MAIN(TestQReportWidget)
#include "tst_qreportwidget.moc"
