#include "filechange.h"
#include "ngmodel.h"

#include <QtTest>

Q_DECLARE_METATYPE(FileChange::Row)
Q_DECLARE_METATYPE(FileChange::State)

// The rules every reader of a station file shares.
class TestStationRules : public QObject
{
    Q_OBJECT
private slots:
    void fileChange_data();
    void fileChange();
    void ngModel_data();
    void ngModel();
};

void TestStationRules::fileChange_data()
{
    // Row 100 was taken last; the witnesses are earlier rows taken.
    QTest::addColumn<qint64>("sequence"); // -1: the table keeps none
    QTest::addColumn<FileChange::Row>("row");
    QTest::addColumn<int>("sameWitnesses");
    QTest::addColumn<QString>("otherWitnesses");
    QTest::addColumn<bool>("olderRows");
    QTest::addColumn<FileChange::State>("state");
    using Row = FileChange::Row;
    using State = FileChange::State;

    QTest::newRow("same row, more after it") << qint64(150) << Row::Same << 1 << "" << true << State::Same;
    QTest::newRow("sequence equal to the last uid")
        << qint64(100) << Row::Same << 0 << "" << true << State::Same;
    QTest::newRow("uids start again") << qint64(99) << Row::Same << 1 << "" << false << State::Replaced;
    QTest::newRow("same time, another model, no witness")
        << qint64(150) << Row::Changed << 0 << "" << false << State::Replaced;
    QTest::newRow("last row edited") << qint64(150) << Row::Changed << 2 << "" << false
                                     << State::LastRowEdited;
    QTest::newRow("last row deleted") << qint64(100) << Row::Gone << 2 << "" << true << State::LastRowDeleted;
    QTest::newRow("another row, a witness another one")
        << qint64(150) << Row::Changed << 0 << "50" << false << State::Replaced;
    QTest::newRow("row gone, witnesses other ones")
        << qint64(150) << Row::Gone << 0 << "40, 50" << false << State::Replaced;
    QTest::newRow("row gone by retention") << qint64(150) << Row::Gone << 0 << "" << false << State::Same;
    QTest::newRow("row gone, older rows there")
        << qint64(150) << Row::Gone << 0 << "" << true << State::Replaced;
    QTest::newRow("row gone, no sequence") << qint64(-1) << Row::Gone << 0 << "" << false << State::Replaced;
    QTest::newRow("row gone, no sequence, a witness the same")
        << qint64(-1) << Row::Gone << 1 << "" << false << State::LastRowDeleted;
    // A log table emptied with its sequence: its uids start again.
    QTest::newRow("log table replaced") << qint64(1) << Row::Gone << 0 << "" << false << State::Replaced;
}

void TestStationRules::fileChange()
{
    QFETCH(qint64, sequence);
    QFETCH(FileChange::Row, row);
    QFETCH(int, sameWitnesses);
    QFETCH(QString, otherWitnesses);
    QFETCH(bool, olderRows);
    QFETCH(FileChange::State, state);
    FileChange::Seen seen;
    seen.lastUid = 100;
    seen.hasSequence = sequence >= 0;
    seen.sequence = sequence;
    seen.row = row;
    seen.sameWitnesses = sameWitnesses;
    seen.otherWitnesses = otherWitnesses;
    seen.olderRows = olderRows;
    QString why;
    QCOMPARE(FileChange::judge(seen, &why), state);
    QCOMPARE(why.isEmpty(), state == FileChange::State::Same);

    // Nothing taken yet: whatever the file holds is new.
    seen.lastUid = 0;
    QCOMPARE(FileChange::judge(seen, &why), FileChange::State::Same);
    QVERIFY(why.isEmpty());
}

void TestStationRules::ngModel_data()
{
    QTest::addColumn<QByteArray>("model"); // UTF-8
    QTest::addColumn<bool>("ng");
    QTest::newRow("NG") << QByteArray("NG") << true;
    QTest::newRow("starts with NG") << QByteArray("NGX") << false;
    QTest::newRow("lower case") << QByteArray("ng") << false;
    QTest::newRow("blank after") << QByteArray("NG ") << false;
    QTest::newRow("N only") << QByteArray("N") << false;
    QTest::newRow("NUL after") << QByteArray("NG\0", 3) << false;
    QTest::newRow("empty") << QByteArray() << false;
}

// One predicate for the text, the bytes and the QString paths.
void TestStationRules::ngModel()
{
    QFETCH(QByteArray, model);
    QFETCH(bool, ng);
    QCOMPARE(NgModel::matches(model), ng);
    QCOMPARE(NgModel::matches(model.constData(), model.size()), ng);
    QCOMPARE(NgModel::matches(QString::fromUtf8(model.constData(), model.size())), ng);
}

QTEST_MAIN(TestStationRules)
#include "tst_stationrules.moc"
