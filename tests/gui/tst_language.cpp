#include "guitestutil.h"
#include "hxreport.h"
#include "pagefixture.h"
#include "waitingdialog.h"

#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QToolButton>

namespace {
using GuiTest::child;
using GuiTest::pick;

// The interface language of the next window: the settings file and the
// program's translation beside it, as a user installs them.
bool useLanguage(const QString& language)
{
    if (language != QLatin1String("English"))
        return true;
    const QString dir = AppPaths::join(AppPaths::languageDir(), language);
    QFile ini(QStringLiteral("hubdetect.ini"));
    return QDir().mkpath(dir)
        && QFile::copy(
            QStringLiteral(HX_APP_QM_DIR "/English/hxreport_en.qm"), dir + QStringLiteral("/hxreport_en.qm"))
        && ini.open(QIODevice::WriteOnly) && ini.write("[General]\nlanguage=English\n") > 0;
}
}

class TestLanguage : public QObject
{
    Q_OBJECT
private slots:
    void pickerNames_data();
    void pickerNames();
    void waitingDialog_data();
    void waitingDialog();
};

void TestLanguage::pickerNames_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("monday");
    QTest::newRow("Chinese") << "Chinese" << QStringLiteral("一月") << QStringLiteral("周一");
    QTest::newRow("English") << "English"
                             << "January"
                             << "Mon";
}

// The picker's month and weekday names are those of the interface language.
void TestLanguage::pickerNames()
{
    QFETCH(QString, language);
    QFETCH(QString, month);
    QFETCH(QString, monday);
    PageFixture fixture;
    fixture.done();
    QVERIFY(useLanguage(language));
    hxReport window;
    window.show();
    pick(window, "pushButton_Set1_History", QDateTime(QDate(2020, 1, 6), QTime(8, 0)));
    QString shownMonth;
    QString shownMonday;
    GuiTest::whenModal<QDialog>(
        [&](QDialog* dialog) {
            auto* calendar = dialog->findChild<QCalendarWidget*>(QStringLiteral("calendarWidget_timedlg"));
            shownMonth = dialog->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"))->text();
            shownMonday = calendar->locale().dayName(1, QLocale::ShortFormat);
            dialog->reject();
        },
        [](QDialog* dialog) {
            return dialog->findChild<QCalendarWidget*>(QStringLiteral("calendarWidget_timedlg")) != nullptr;
        });
    child<QPushButton>(window, "pushButton_Set1_History")->click();
    QCOMPARE(shownMonth, month);
    QCOMPARE(shownMonday, monday);
}

void TestLanguage::waitingDialog_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("exporting");
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("cancel");
    QTest::newRow("Chinese query") << "Chinese" << false << QStringLiteral("正在查询…")
                                   << QStringLiteral("取消");
    QTest::newRow("Chinese export") << "Chinese" << true << QStringLiteral("正在导出…")
                                    << QStringLiteral("取消");
    QTest::newRow("English query") << "English" << false << QStringLiteral("Querying…") << "Cancel";
    QTest::newRow("English export") << "English" << true << QStringLiteral("Exporting…") << "Cancel";
}

// The waiting dialogs say what runs, and their Cancel button speaks the
// interface language.
void TestLanguage::waitingDialog()
{
    QFETCH(QString, language);
    QFETCH(bool, exporting);
    QFETCH(QString, activity);
    QFETCH(QString, cancel);
    PageFixture fixture;
    fixture.addRecords(5);
    fixture.done();
    QVERIFY(useLanguage(language));
    hxReport window;
    window.show();
    pick(window, "pushButton_Set1_History", QDateTime(QDate(2020, 5, 1), QTime(0, 0)));
    pick(window, "pushButton_Set2_History", QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
    if (exporting)
        QVERIFY(GuiTest::clickAndWait(window, "pushButton_Checkdata", &hxReport::sgPageShown));

    // A station write in progress holds the work until the dialog was read.
    {
        QSqlDatabase station = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
        station.setDatabaseName(fixture.detectionDatabase());
        QVERIFY(station.open());
        QSqlQuery lock(station);
        QVERIFY(lock.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QString shownActivity;
        QString shownCancel;
        GuiTest::whenModal<WaitingDialog>([&](WaitingDialog* dialog) {
            shownActivity = dialog->findChild<QLabel*>(QStringLiteral("label_Waiting"))->text();
            shownCancel = dialog->findChild<QPushButton*>(QStringLiteral("pushButton_Cancel"))->text();
            QSqlQuery(station).exec(QStringLiteral("ROLLBACK"));
        });
        QString message;
        if (exporting) {
            GuiTest::answerFileDialog(fixture.path() + QStringLiteral("/out.csv"));
            GuiTest::answerMessageBox(&message);
            child<QPushButton>(window, "pushButton_SaveHistory")->click();
            QVERIFY2(message.endsWith(QStringLiteral("out.csv")), qPrintable(message));
        } else {
            QVERIFY(GuiTest::clickAndWait(window, "pushButton_Checkdata", &hxReport::sgPageShown));
        }
        QCOMPARE(shownActivity, activity);
        QCOMPARE(shownCancel, cancel);
        lock.finish();
        station.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("writer"));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
