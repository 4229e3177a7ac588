#include "stationfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// The station file's identity, by which the index and the sync tell a file
// put in the station's place from the same file written again.
class TestStationFile : public QObject
{
    Q_OBJECT
private slots:
    void fileIdentity_data();
    void fileIdentity();
};

namespace {
bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
}

void TestStationFile::fileIdentity_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("same");
    QTest::newRow("untouched") << "none" << true;
    QTest::newRow("written over in place") << "rewrite" << true;
    QTest::newRow("named with native separators") << "native" << true;
    QTest::newRow("another file renamed over it") << "renameOver" << false;
    QTest::newRow("a second file beside it") << "other" << false;
}

void TestStationFile::fileIdentity()
{
    QFETCH(QString, change);
    QFETCH(bool, same);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("wheelhubwf.db"));
    const QString other = dir.filePath(QStringLiteral("copy.db"));
    QVERIFY(writeFile(path, "first"));
    QVERIFY(writeFile(other, "first"));
    const QByteArray before = StationFile::fileId(path);
    QVERIFY(!before.isEmpty());

    QString asked = path;
    if (change == QLatin1String("rewrite")) {
        QVERIFY(writeFile(path, "second, longer"));
    } else if (change == QLatin1String("native")) {
        asked = QDir::toNativeSeparators(path);
    } else if (change == QLatin1String("renameOver")) {
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::rename(other, path));
    } else if (change == QLatin1String("other")) {
        asked = other;
    }
    QCOMPARE(StationFile::fileId(asked) == before, same);
    QVERIFY(StationFile::fileId(dir.filePath(QStringLiteral("missing.db"))).isEmpty());
}

QTEST_GUILESS_MAIN(TestStationFile)
#include "tst_stationfile.moc"
