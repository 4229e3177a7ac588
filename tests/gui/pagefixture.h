#ifndef PAGEFIXTURE_H
#define PAGEFIXTURE_H

// A temporary application directory with a detection database holding exactly
// the rows a test writes, through the station's own write operations.

#include "apppaths.h"
#include "detectdatadb.h"
#include "hxreport.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class PageFixture
{
public:
    PageFixture()
    {
        m_OldCwd = QDir::currentPath();
        AppPaths::setApplicationDir(m_Dir.path());
        QDir::setCurrent(m_Dir.path());
        m_Db.reset(new DetectDataDB(AppPaths::detectionDatabase(), QStringLiteral("QSQLITE")));
        m_Db->openDatabase();
    }
    ~PageFixture()
    {
        m_Db.reset();
        QDir::setCurrent(m_OldCwd);
        AppPaths::setApplicationDir(QString());
    }

    QString path() const { return m_Dir.path(); }
    // Closes the fixture's own connection; call it before the window opens the
    // same file (connections are named after the file).
    void done() { m_Db.reset(); }
    DetectDataDB* db() const { return m_Db.data(); }

    static QByteArray picture(const QSize& size, const char* format = "PNG")
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::darkGray);
        QPainter painter(&image);
        painter.setBrush(Qt::white);
        painter.drawEllipse(image.rect().adjusted(2, 2, -2, -2));
        painter.end();
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        return bytes;
    }

    bool addRecord(const QString& time, const QVariant& model, const QVariant& correlate = 0.9,
                   const QByteArray& pic = QByteArray(), double detect = 1.0, double diameter = 500, double hight = 200)
    {
        QVariantMap record;
        record.insert(QStringLiteral("time"), time);
        record.insert(QStringLiteral("model"), model);
        record.insert(QStringLiteral("correlate"), correlate);
        record.insert(QStringLiteral("detecttime"), QString::number(detect));
        record.insert(QStringLiteral("diameter"), diameter);
        record.insert(QStringLiteral("hight"), hight);
        record.insert(QStringLiteral("channel"), 1);
        record.insert(QStringLiteral("pic"), pic);
        return m_Db->insertDetection(record);
    }

    // count records one second apart from 2020-05-01 08:00:00, models cycling.
    void addRecords(int count, const QStringList& models = { QStringLiteral("A1") })
    {
        m_Db->database().transaction();
        const QDateTime first(QDate(2020, 5, 1), QTime(8, 0));
        for (int i = 0; i < count; ++i)
            QVERIFY(addRecord(first.addSecs(i).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                              models.at(i % models.size())));
        m_Db->database().commit();
    }

    void addLogs(int count, int logClass, const QString& prefix = QStringLiteral("message"))
    {
        m_Db->database().transaction();
        const QDateTime first(QDate(2020, 5, 1), QTime(8, 0));
        for (int i = 0; i < count; ++i) {
            LogRecord log;
            log.time = first.addSecs(i).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            log.message = QStringLiteral("%1 %2").arg(prefix).arg(i + 1);
            log.logClass = QString::number(logClass);
            QVERIFY(m_Db->insertLog(log));
        }
        m_Db->database().commit();
    }

private:
    QTemporaryDir m_Dir;
    QString m_OldCwd;
    QScopedPointer<DetectDataDB> m_Db;
};

#endif // PAGEFIXTURE_H
