#include "stationfixture.h"

#include "detectdatadb.h"
#include "logrecord.h"
#include "stationschema.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

namespace {
const QDateTime kFirst(QDate(2020, 5, 1), QTime(8, 0));

QString timeText(const QDateTime& time)
{
    return time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}
}

StationFixture::StationFixture()
    : m_OldCwd(QDir::currentPath())
{
    // The settings file is read from the working directory.
    QDir::setCurrent(path());
    db();
}

StationFixture::~StationFixture()
{
    done();
    QDir::setCurrent(m_OldCwd);
}

DetectDataDB* StationFixture::db()
{
    return m_Done ? nullptr : station().database();
}

void StationFixture::done()
{
    closeStation();
    m_Done = true;
}

QByteArray StationFixture::picture(const QSize& size, const char* format)
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

bool StationFixture::addRecord(const QString& time, const QVariant& model, const QVariant& correlate,
    const QByteArray& pic, double detect, double diameter, double hight)
{
    DetectDataDB* station = db();
    if (!station)
        return false;
    const QVariantMap record { { QStringLiteral("time"), time }, { QStringLiteral("model"), model },
        { QStringLiteral("correlate"), correlate }, { QStringLiteral("detecttime"), QString::number(detect) },
        { QStringLiteral("diameter"), diameter }, { QStringLiteral("hight"), hight },
        { QStringLiteral("channel"), 1 }, { QStringLiteral("pic"), pic } };
    return station->insertDetection(record);
}

void StationFixture::addRecords(int count, const QStringList& models)
{
    QVERIFY(db());
    db()->database().transaction();
    for (int i = 0; i < count; ++i)
        QVERIFY(addRecord(timeText(kFirst.addSecs(i)), models.at(i % models.size())));
    db()->database().commit();
}

void StationFixture::addLogs(int count, int logClass, const QString& prefix)
{
    QVERIFY(db());
    db()->database().transaction();
    for (int i = 0; i < count; ++i) {
        LogRecord log;
        log.time = timeText(kFirst.addSecs(i));
        log.message = QStringLiteral("%1 %2").arg(prefix).arg(i + 1);
        log.logClass = QString::number(logClass);
        QVERIFY(db()->insertLog(log));
    }
    db()->database().commit();
}

QStringList StationFixture::detectionTableSql()
{
    return { StationSchema::createDetectionTableSql(), StationSchema::detectionIndexSql() };
}

bool StationFixture::execAll(const QString& file, const QStringList& statements)
{
    return withConnection(file, false, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        for (const QString& statement : statements) {
            if (!query.exec(statement)) {
                qWarning("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
                return false;
            }
        }
        return true;
    });
}

bool StationFixture::insert(const QString& file, const QString& table, const QVariantMap& values)
{
    return withConnection(file, false, [&](QSqlDatabase& db) {
        QStringList marks;
        for (int i = 0; i < values.size(); ++i)
            marks << QStringLiteral("?");
        QSqlQuery query(db);
        if (!query.prepare(
                QStringLiteral("insert into %1(%2) values(%3)")
                    .arg(table, values.keys().join(QLatin1Char(',')), marks.join(QLatin1Char(',')))))
            return false;
        for (const QVariant& value : values)
            query.addBindValue(value);
        return query.exec();
    });
}

QMap<QString, QString> StationFixture::contents(const QString& file)
{
    QMap<QString, QString> entries;
    withConnection(file, true, [&](QSqlDatabase& db) {
        QSqlQuery schema(db);
        if (!schema.exec(QStringLiteral("select type, name, sql from sqlite_master order by type, name")))
            return false;
        QList<QStringList> found;
        while (schema.next())
            found << QStringList { schema.value(0).toString(), schema.value(1).toString(),
                schema.value(2).toString() };
        for (const QStringList& entry : found) {
            QString value = entry[2];
            if (entry[0] == QLatin1String("table")) {
                QSqlQuery rows(db);
                QCryptographicHash digest(QCryptographicHash::Sha1);
                int count = 0;
                if (rows.exec(QStringLiteral("select * from \"%1\" order by rowid").arg(entry[1]))) {
                    while (rows.next()) {
                        ++count;
                        for (int c = 0; c < rows.record().count(); ++c) {
                            const QVariant v = rows.value(c);
                            digest.addData(v.isNull() ? QByteArray("<null>") : v.toByteArray());
                            digest.addData("\x1f", 1);
                        }
                    }
                }
                value += QStringLiteral("\nrows %1 %2")
                             .arg(count)
                             .arg(QString::fromLatin1(digest.result().toHex()));
            }
            entries.insert(entry[0] + QLatin1Char(' ') + entry[1], value);
        }
        return true;
    });
    return entries;
}

QByteArray StationFixture::fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot read>");
}
