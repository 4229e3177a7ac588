// Model names and log messages that could break a statement, a table cell or
// a CSV line, stored by the station or typed into the model filter: they must
// match exactly, show exactly, export exactly and never change a statement.

#include "apppaths.h"
#include "csvwriter.h"
#include "qreportwidget.h"
#include "reliabilityutil.h"
#include "testappdir.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextCodec>
#include <QtTest>

#include <memory>

using namespace Reliability;

namespace {

const QString kDecoy = QStringLiteral("A1");

QString timeAt(int second)
{
    return QDateTime(QDate(2020, 5, 1), QTime(8, 0))
        .addSecs(second)
        .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QList<QStringList> readCsv(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Written with the local codec, which the test environment sets to UTF-8.
    return parseCsv(QTextCodec::codecForLocale()->toUnicode(file.readAll()));
}

QString exportTo(hxReport& window, const char* button, const QString& path)
{
    QString message;
    GuiTest::answerFileDialog(path);
    GuiTest::answerMessageBox(&message);
    child<QPushButton>(window, button)->click();
    return message;
}

// What an export holds of a text: the text, or where the machine's code page
// cannot hold it (an emoji under code page 936 on Windows) the text with its
// code points, as the writer puts them; the export then says so in a third
// line of its message.
QString writtenAs(const QString& text)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        CsvWriter csv(&buffer);
        csv.writeText(text);
    }
    return QTextCodec::codecForLocale()->toUnicode(buffer.data()).chopped(CsvWriter::lineEnd().size());
}

// The export's message: done, the file, and a note when characters were
// replaced.
bool saysDone(const QString& message, const QString& path, bool replaced)
{
    const QString done = QStringLiteral("数据导出完成\n") + QDir::toNativeSeparators(path);
    return replaced
        ? message.startsWith(done + QLatin1Char('\n')) && message.contains(QLatin1String("<U+XXXX>"))
        : message == done;
}

QStringList column(QStandardItemModel* model, int c)
{
    QStringList cells;
    for (int r = 0; model && r < model->rowCount(); ++r)
        cells << model->index(r, c).data().toString();
    return cells;
}

QMap<QString, QString> reportRows(QReportWidget* report)
{
    QMap<QString, QString> rows;
    auto* view = report->findChild<QTableView*>();
    QAbstractItemModel* model = view ? view->model() : nullptr;
    for (int r = 0; model && r < model->rowCount(); ++r)
        rows.insert(model->index(r, 0).data().toString(), model->index(r, 1).data().toString());
    return rows;
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void texts_data();
    void texts();

private:
    std::unique_ptr<TestAppDir> m_App;
    QString m_OldCwd;
};

void TestHostileInput::init()
{
    m_App = std::make_unique<TestAppDir>();
    QVERIFY(m_App->isValid());
    m_OldCwd = QDir::currentPath();
    QDir::setCurrent(m_App->path());
}

void TestHostileInput::cleanup()
{
    QDir::setCurrent(m_OldCwd);
    m_App.reset();
}

void TestHostileInput::texts_data()
{
    QTest::addColumn<QString>("text");
    // Typed key by key into the model filter; otherwise picked from the
    // station's model list.
    QTest::addColumn<bool>("typed");
    QTest::newRow("single quote") << "O'Neil" << true;
    QTest::newRow("quotes only") << "''" << true;
    QTest::newRow("double quotes") << "say \"hi\"" << true;
    QTest::newRow("comma") << "B,2" << true;
    QTest::newRow("all CSV specials") << "\"a\",\"b\"\n,c" << false;
    QTest::newRow("line feed") << "line1\nline2" << false;
    QTest::newRow("CR LF") << "line1\r\nline2" << false;
    QTest::newRow("leading and trailing blanks") << "  A1  " << true;
    QTest::newRow("tab and backslash") << "C:\\hub\tmodel" << false;
    QTest::newRow("very long") << QString(8000, QLatin1Char('W')) + QStringLiteral("'end") << false;
    QTest::newRow("non-BMP characters") << QStringLiteral("轮毂😀𝄞型号") << false;
    QTest::newRow("placeholders") << "A%1%2 %L1 %99" << true;
    QTest::newRow("SQL comment") << "A1' --" << true;
    QTest::newRow("block comment") << "A1'/*" << true;
    QTest::newRow("always true") << "x' or '1'='1" << true;
    QTest::newRow("second statement") << "x'; DROP TABLE wftable; --" << true;
    QTest::newRow("union") << "x' union select * from wftable where '1'='1" << true;
    QTest::newRow("wildcards") << "A_%" << true;
    QTest::newRow("asterisk") << "*" << true;
}

void TestHostileInput::texts()
{
    QFETCH(QString, text);
    QFETCH(bool, typed);
    StationSimulator& station = m_App->station();
    // Three records and three alarm records of the text, among decoys that a
    // broken statement would also match.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(station.addDetection(timeAt(2 * i), text, 0.5, QStringLiteral("1.5"), 500, 200));
        QVERIFY(station.addDetection(timeAt(2 * i + 1), kDecoy, 0.9, QStringLiteral("1.0"), 510, 210));
        QVERIFY(station.addLog(timeAt(2 * i), text, 1));
        QVERIFY(station.addLog(timeAt(2 * i + 1), kDecoy, 4));
    }
    QVERIFY(station.addDetection(timeAt(10), QStringLiteral("x"), 0.9, QStringLiteral("1.0"), 510, 210));
    QVERIFY(station.writeModels({ kDecoy, text, QStringLiteral("x") }));
    m_App->closeStation();
    const QMap<QString, QString> before = contents(m_App->detectionDatabase());
    QVERIFY(!before.isEmpty());

    {
        hxReport window;
        window.show();
        setDefaultRanges(window);

        // The model list holds the text as it is.
        auto* combo = child<QComboBox>(window, "comboBox_Model");
        const int item = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        QVERIFY(item > 0);
        if (typed) {
            combo->lineEdit()->clear();
            QTest::keyClicks(combo->lineEdit(), text);
        } else {
            combo->setCurrentIndex(item);
        }
        QCOMPARE(combo->currentText(), text);

        // Production page: exactly the three records, across pages.
        child<QLineEdit>(window, "LineNumber_checkShengchang")->setText(QStringLiteral("2"));
        QVERIFY(clickAndWait(window, "pushButton_Checkdata"));
        QCOMPARE(statusText(window), QString());
        QCOMPARE(child<QLabel>(window, "label_Number")->text(), QStringLiteral("3"));
        QCOMPARE(column(window.productionModel(), 1), QStringList({ text, text }));
        QCOMPARE(column(window.productionModel(), 0), QStringList({ timeAt(0), timeAt(2) }));
        QVERIFY(clickAndWait(window, "Next_checkShengchang"));
        QCOMPARE(column(window.productionModel(), 1), QStringList({ text }));
        QCOMPARE(column(window.productionModel(), 0), QStringList({ timeAt(4) }));

        const QString written = writtenAs(text);
        const bool replaced = written != text;
        const QString production = m_App->path() + QStringLiteral("/production.csv");
        const QString productionSaid = exportTo(window, "pushButton_SaveHistory", production);
        QVERIFY2(saysDone(productionSaid, production, replaced), qPrintable(productionSaid));
        const QList<QStringList> lines = readCsv(production);
        QCOMPARE(lines.size(), 8);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(lines[2 + i],
                QStringList({ QString::number(i + 1), timeAt(2 * i), written, "50.000%", "1.500", "500.000",
                    "200.000" }));
        QCOMPARE(lines[5], QStringList({ "总数", "3" }));

        // Log page: the alarm records show and export their messages exactly.
        child<QComboBox>(window, "comboBox_Wandring_Log")->setCurrentIndex(0);
        QVERIFY(clickAndWait(window, "pushButton_Wandring"));
        QCOMPARE(column(window.logModel(), 1), QStringList({ text, text, text }));
        const QString log = m_App->path() + QStringLiteral("/log.csv");
        const QString logSaid = exportTo(window, "pushButton_SaveWaring", log);
        QVERIFY2(saysDone(logSaid, log, replaced), qPrintable(logSaid));
        const QList<QStringList> logLines = readCsv(log);
        QCOMPARE(logLines.size(), 8);
        for (int i = 0; i < 3; ++i) // newest first; data lines end with a comma
            QCOMPARE(logLines[2 + i],
                QStringList({ QString::number(i + 1), timeAt(4 - 2 * i), written, QString() }));

        // Statistics: the text is one model with its own count.
        QVERIFY(clickAndWait(window, "pushButton_Checkdata_Calculate"));
        const QMap<QString, QString> counts = reportRows(window.reportWidget());
        QCOMPARE(counts.value(text), QStringLiteral("3"));
        QCOMPARE(counts.value(kDecoy), QStringLiteral("3"));
        QCOMPARE(counts.value(QStringLiteral("总数")), QStringLiteral("7"));
        const QString statistics = m_App->path() + QStringLiteral("/statistics.csv");
        const QString statisticsSaid = exportTo(window, "pushButton_SaveCalculate", statistics);
        QVERIFY2(saysDone(statisticsSaid, statistics, replaced), qPrintable(statisticsSaid));
        bool found = false;
        for (const QStringList& line : readCsv(statistics))
            found = found || (line.value(1) == written && line.value(2) == QLatin1String("3"));
        QVERIFY(found);
    }
    // Nothing the viewer ran changed the file.
    QCOMPARE(contents(m_App->detectionDatabase()), before);
}

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
