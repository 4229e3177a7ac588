#include "apppaths.h"
#include "guitestutil.h"
#include "hxreport.h"
#include "pagefixture.h"

#include "qualitypage.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QtTest>

namespace {
using GuiTest::child;
using GuiTest::pick;

QString trWindow(const char* text)
{
    return QCoreApplication::translate("hxReport", text);
}

// Whether a header's texts fit their sections without being cut.
QStringList clippedHeaders(QTableView* view)
{
    QStringList clipped;
    QHeaderView* header = view->horizontalHeader();
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int c = 0; c < header->count(); ++c) {
        if (header->isSectionHidden(c))
            continue;
        const QString text = view->model()->headerData(c, Qt::Horizontal).toString();
        if (header->fontMetrics().horizontalAdvance(text) + 2 * margin > header->sectionSize(c))
            clipped << text;
    }
    return clipped;
}
}

class TestLayout : public QObject
{
    Q_OBJECT
private slots:
    void readableAtOwnSize_data();
    void readableAtOwnSize();
    void controlsStayPut_data();
    void controlsStayPut();
};

void TestLayout::readableAtOwnSize_data()
{
    QTest::addColumn<QString>("language");
    QTest::newRow("Chinese") << "Chinese";
    QTest::newRow("English") << "English";
}

// At the window's own size, with counts as large as a year of records gives:
// the page list shows its entries whole, the production headers are not cut,
// and the time column shows each record's whole time.
void TestLayout::readableAtOwnSize()
{
    QFETCH(QString, language);
    PageFixture fixture;
    fixture.addRecords(3);
    fixture.done();
    if (language == QLatin1String("English")) {
        const QString dir = AppPaths::join(AppPaths::languageDir(), language);
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile::copy(QStringLiteral(HX_APP_QM_DIR "/English/hxreport_en.qm"),
            dir + QStringLiteral("/hxreport_en.qm")));
        QFile ini(QStringLiteral("hubdetect.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[General]\nlanguage=English\n");
    }
    // A desktop's default font (X11 and Windows use 9 points); the offscreen
    // platform's own default is a third larger than any desktop's.
    const QFont oldFont = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    const auto restoreFont = qScopeGuard([&oldFont] { QApplication::setFont(oldFont); });
    hxReport window;
    window.show();
    const int ownWidth = window.width();
    QCOMPARE(ownWidth, 1009);
    pick(window, "pushButton_Set1_History", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_History", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    QVERIFY(GuiTest::clickAndWait(window, "pushButton_Checkdata", &hxReport::sgPageShown));

    const QString count = trWindow("本页%1条，共%2条").arg(1000000).arg(1000000);
    const QString pages = trWindow("第%1页 共%2页").arg(20000).arg(20000);
    for (const char* name : { "showNum_Label_Checkdata", "showNum_Label_Checkdata_2" })
        child<QLabel>(window, name)->setText(count);
    for (const char* name : { "showPage_Label_Checkdata", "showPage_Label_Checkdata_2" })
        child<QLabel>(window, name)->setText(pages);
    child<QLabel>(window, "label_Number")->setText(QStringLiteral("1000000"));

    auto* list = child<QListWidget>(window, "check_listWidget");
    for (int page = 0; page < list->count(); ++page) {
        list->setCurrentRow(page);
        QTest::qWait(20); // layouts settle on posted events
        QCOMPARE(window.width(), ownWidth);
        QVERIFY(!list->horizontalScrollBar()->isVisible());
        for (int i = 0; i < list->count(); ++i) {
            const QListWidgetItem* item = list->item(i);
            const int needed = QFontMetrics(item->font()).horizontalAdvance(item->text());
            QVERIFY2(needed <= list->viewport()->width(),
                qPrintable(QStringLiteral("page %1: \"%2\" needs %3 of %4 px")
                               .arg(page)
                               .arg(item->text())
                               .arg(needed)
                               .arg(list->viewport()->width())));
        }
    }

    list->setCurrentRow(0);
    QTest::qWait(20);
    auto* table = child<QTableView>(window, "tableView_checkShengchang");
    const QStringList clipped = clippedHeaders(table);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1String(", "))));
    const QString time = table->model()->index(0, 0).data().toString();
    QCOMPARE(table->model()->index(0, 0).data(Qt::ToolTipRole).toString(), time);
    const int room = table->horizontalHeader()->sectionSize(0)
        - 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1);
    QVERIFY2(table->fontMetrics().horizontalAdvance(time) <= room, qPrintable(time));
}

void TestLayout::controlsStayPut_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("check");
    QTest::addColumn<QStringList>("rows"); // start and end rows' controls, in order

    const QStringList production { "label_Time1_History", "label_Time2_History", "pushButton_Set1_History",
        "pushButton_Set2_History" };
    const QStringList statistics { "label_Time1_Count", "label_Time2_Count", "pushButton_Set1_Count",
        "pushButton_Set2_Count" };
    const QStringList quality { "label_Time1_Quality", "label_Time2_Quality", "pushButton_Set1_Quality",
        "pushButton_Set2_Quality" };
    for (const char* language : { "Chinese", "English" }) {
        QTest::newRow(qPrintable(QStringLiteral("%1 production").arg(language)))
            << language << 0 << "pushButton_Checkdata" << production;
        QTest::newRow(qPrintable(QStringLiteral("%1 statistics").arg(language)))
            << language << 1 << "pushButton_Checkdata_Calculate" << statistics;
        QTest::newRow(qPrintable(QStringLiteral("%1 quality").arg(language)))
            << language << 3 << "pushButton_Check_Quality" << quality;
    }
}

// A query changes texts (counts, the automatic period's choice); the page's
// buttons and boxes stay where they were, boxes show their whole text, and
// the start and end rows line up.
void TestLayout::controlsStayPut()
{
    QFETCH(QString, language);
    QFETCH(int, page);
    QFETCH(QString, check);
    QFETCH(QStringList, rows);
    PageFixture fixture;
    fixture.addRecords(3);
    fixture.done();
    if (language == QLatin1String("English")) {
        const QString dir = AppPaths::join(AppPaths::languageDir(), language);
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile::copy(QStringLiteral(HX_APP_QM_DIR "/English/hxreport_en.qm"),
            dir + QStringLiteral("/hxreport_en.qm")));
        QFile ini(QStringLiteral("hubdetect.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[General]\nlanguage=English\n");
    }
    const QFont oldFont = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 9));
    const auto restoreFont = qScopeGuard([&oldFont] { QApplication::setFont(oldFont); });
    hxReport window;
    window.show();
    child<QListWidget>(window, "check_listWidget")->setCurrentRow(page);
    QTest::qWait(20);
    QWidget* shown = child<QStackedWidget>(window, "stackedWidget")->currentWidget();
    const auto places = [&window, shown] {
        QMap<QString, QRect> out;
        for (QWidget* w : shown->findChildren<QWidget*>()) {
            if (w->objectName().isEmpty() || !w->isVisible()
                || !(qobject_cast<QPushButton*>(w) || qobject_cast<QComboBox*>(w)
                    || qobject_cast<QLineEdit*>(w) || qobject_cast<QTableView*>(w)
                    || w->objectName().startsWith(QLatin1String("label_Time"))))
                continue;
            out.insert(w->objectName(), QRect(w->mapTo(&window, QPoint(0, 0)), w->size()));
        }
        return out;
    };
    // Layouts settle on posted events, late under a slow display (Wine):
    // read the places once two readings agree.
    const auto settledPlaces = [&places] {
        QMap<QString, QRect> last = places();
        for (int i = 0; i < 50; ++i) {
            QTest::qWait(20);
            const QMap<QString, QRect> now = places();
            if (now == last)
                break;
            last = now;
        }
        return last;
    };
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QMap<QString, QRect> before = settledPlaces();
    QVERIFY(before.contains(check));

    const QString fixtureDay = QStringLiteral("2020-05-01");
    pick(window, qPrintable(rows[2]), QDateTime(QDate::fromString(fixtureDay, Qt::ISODate), QTime(0, 0)));
    pick(window, qPrintable(rows[3]), QDateTime(QDate::fromString(fixtureDay, Qt::ISODate), QTime(23, 0)));
    if (page == 3) {
        auto* quality = child<QualityPage>(window, "page_Quality");
        QSignalSpy done(quality, &QualityPage::sgShown);
        child<QPushButton>(window, qPrintable(check))->click();
        QVERIFY(done.count() > 0 || done.wait(20000));
    } else {
        QVERIFY(GuiTest::clickAndWait(window, qPrintable(check), &hxReport::sgPageShown));
    }
    const QMap<QString, QRect> after = settledPlaces();
    const auto text = [](const QRect& r) {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    QStringList moved;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (after.value(it.key()) != it.value())
            moved
                << QStringLiteral("%1 %2 -> %3").arg(it.key(), text(it.value()), text(after.value(it.key())));
    QVERIFY2(moved.isEmpty(), qPrintable(moved.join(QLatin1String("; "))));

    // Every box shows its whole choice.
    for (QComboBox* box : shown->findChildren<QComboBox*>()) {
        if (!box->isVisible() || box->currentText().isEmpty())
            continue;
        QStyleOptionComboBox option;
        option.initFrom(box);
        const QRect field
            = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
        QVERIFY2(box->fontMetrics().horizontalAdvance(box->currentText()) <= field.width(),
            qPrintable(QStringLiteral("%1: \"%2\" in %3 px")
                           .arg(box->objectName(), box->currentText())
                           .arg(field.width())));
    }
    // The end row lines up with the start row.
    for (int i = 0; i < rows.size(); i += 2)
        QCOMPARE(after.value(rows[i + 1]).x(), after.value(rows[i]).x());
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
