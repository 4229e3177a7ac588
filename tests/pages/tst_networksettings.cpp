#include "networksettings.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestNetworkSettings : public QObject
{
    Q_OBJECT
private slots:
    void fields_data();
    void fields();
    void savesWithoutPassword();
};

void TestNetworkSettings::fields_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("addressOk");
    QTest::addColumn<bool>("portOk");
    QTest::newRow("IPv4, default port") << "192.168.1.10"
                                        << "" << true << true;
    QTest::newRow("IPv4 edges") << "0.0.0.0"
                                << "65535" << true << true;
    QTest::newRow("octet over 255") << "192.168.1.256"
                                    << "3306" << false << true;
    QTest::newRow("three octets") << "10.0.1"
                                  << "1" << false << true;
    QTest::newRow("host name") << "db-01.plant.local"
                               << "3306" << true << true;
    QTest::newRow("label starts with hyphen") << "-db.plant"
                                              << "3306" << false << true;
    QTest::newRow("empty label") << "db..plant"
                                 << "3306" << false << true;
    QTest::newRow("label of 64") << QString(64, QLatin1Char('a')) << "3306" << false << true;
    QTest::newRow("IPv6 loopback") << "::1"
                                   << "3306" << true << true;
    QTest::newRow("IPv6 full") << "fe80:0:0:0:202:b3ff:fe1e:8329"
                               << "3306" << true << true;
    QTest::newRow("IPv6 broken") << "fe80:::1"
                                 << "3306" << false << true;
    QTest::newRow("empty address") << ""
                                   << "3306" << false << true;
    QTest::newRow("port 0") << "db"
                            << "0" << true << false;
    QTest::newRow("port over range") << "db"
                                     << "65536" << true << false;
    QTest::newRow("port with sign") << "db"
                                    << "+3306" << true << false;
    QTest::newRow("port with zero first") << "db"
                                          << "03306" << true << false;
}

// The checks, and the save button and save() following them.
void TestNetworkSettings::fields()
{
    QFETCH(QString, address);
    QFETCH(QString, port);
    QFETCH(bool, addressOk);
    QFETCH(bool, portOk);
    QCOMPARE(NetworkSettings::isValidAddress(address), addressOk);
    QCOMPARE(NetworkSettings::isValidPort(port), portOk);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("hubdetect.ini"));
    NetworkSettings widget(file);
    // setText bypasses the key filter, as a pasted or stored text would.
    widget.findChild<QLineEdit*>(QStringLiteral("lineEdit_ServerAddress"))->setText(address);
    widget.findChild<QLineEdit*>(QStringLiteral("lineEdit_ServerPort"))->setText(port);
    widget.findChild<QLineEdit*>(QStringLiteral("lineEdit_User"))->setText(QStringLiteral("viewer"));
    widget.findChild<QLineEdit*>(QStringLiteral("lineEdit_Database"))->setText(QStringLiteral("hxplant"));
    const bool ok = addressOk && portOk;
    QCOMPARE(widget.findChild<QPushButton*>(QStringLiteral("pushButton_SaveNetwork"))->isEnabled(), ok);
    QCOMPARE(widget.save(), ok);
    QCOMPARE(QFile::exists(file), ok);
}

// What the button writes, read back by a new widget; a password an older
// file held is removed, other groups and keys stay.
void TestNetworkSettings::savesWithoutPassword()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("hubdetect.ini"));
    {
        QSettings old(file, QSettings::IniFormat);
        old.setValue(QStringLiteral("language"), QStringLiteral("English"));
        old.setValue(QStringLiteral("server/password"), QStringLiteral("secret"));
        old.setValue(QStringLiteral("server/socket"), QStringLiteral("/run/mysqld/mysqld.sock"));
        old.setValue(QStringLiteral("server/port"), 3307);
    }
    {
        NetworkSettings widget(file);
        QCOMPARE(widget.findChild<QLineEdit*>(QStringLiteral("lineEdit_ServerPort"))->text(),
            QStringLiteral("3307"));
        QSignalSpy saved(&widget, &NetworkSettings::saved);
        QTest::keyClicks(
            widget.findChild<QLineEdit*>(QStringLiteral("lineEdit_ServerAddress")), "10.1.2.3 /");
        widget.findChild<QLineEdit*>(QStringLiteral("lineEdit_ServerPort"))->clear();
        QTest::keyClicks(widget.findChild<QLineEdit*>(QStringLiteral("lineEdit_User")), " viewer ");
        QTest::keyClicks(widget.findChild<QLineEdit*>(QStringLiteral("lineEdit_Database")), "hxplant");
        QTest::keyClicks(
            widget.findChild<QLineEdit*>(QStringLiteral("lineEdit_OptionFile")), "/etc/hx/viewer.cnf");
        QTest::mouseClick(
            widget.findChild<QPushButton*>(QStringLiteral("pushButton_SaveNetwork")), Qt::LeftButton);
        QCOMPARE(saved.count(), 1);
    }
    QSettings settings(file, QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("language")).toString(), QStringLiteral("English"));
    settings.beginGroup(QStringLiteral("server"));
    // The key filter refused the blank and the slash.
    QCOMPARE(settings.value(QStringLiteral("host")).toString(), QStringLiteral("10.1.2.3"));
    QVERIFY(!settings.contains(QStringLiteral("port")));
    QVERIFY(!settings.contains(QStringLiteral("password")));
    QCOMPARE(settings.value(QStringLiteral("socket")).toString(), QStringLiteral("/run/mysqld/mysqld.sock"));
    QCOMPARE(settings.value(QStringLiteral("user")).toString(), QStringLiteral("viewer"));
    QCOMPARE(settings.value(QStringLiteral("database")).toString(), QStringLiteral("hxplant"));
    QCOMPARE(settings.value(QStringLiteral("optionFile")).toString(), QStringLiteral("/etc/hx/viewer.cnf"));
}

QTEST_MAIN(TestNetworkSettings)
#include "tst_networksettings.moc"
