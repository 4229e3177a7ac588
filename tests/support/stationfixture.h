#ifndef STATIONFIXTURE_H
#define STATIONFIXTURE_H

#include "testappdir.h"

#include <QByteArray>
#include <QMap>
#include <QSize>
#include <QStringList>
#include <QVariant>

class DetectDataDB;

// A temporary application directory, also the working directory while the
// object lives, holding a detection file with the station's tables and
// exactly the rows a test writes through the station's own write operations.
// Also makes files of other layouts (damaged, foreign, partly missing) and
// reads back everything a file holds.
//
// Threads: the test's main thread. The station's connection is named after
// the file, like the viewer's: call done() before a window opens the file.
class StationFixture : public TestAppDir
{
public:
    StationFixture();
    ~StationFixture();

    // The station's connection; null after done().
    DetectDataDB* db();
    void done();

    // A small picture in the given image format, as the station stores them.
    static QByteArray picture(const QSize& size, const char* format = "PNG");

    bool addRecord(const QString& time, const QVariant& model, const QVariant& correlate = 0.9,
        const QByteArray& pic = QByteArray(), double detect = 1.0, double diameter = 500, double hight = 200);
    // count records one second apart from 2020-05-01 08:00:00, models cycling.
    void addRecords(int count, const QStringList& models = { QStringLiteral("A1") });
    // count log records of one class, one second apart from the same time,
    // with the messages "<prefix> 1", "<prefix> 2", ...
    void addLogs(int count, int logClass, const QString& prefix = QStringLiteral("message"));

    // The production table and its time index as the viewer creates them,
    // for files built statement by statement.
    static QStringList detectionTableSql();
    // Runs statements in order on a connection of its own (the file is
    // created when missing); stops at the first that fails and reports it.
    static bool execAll(const QString& file, const QStringList& statements);
    // Inserts one row with bound values (a QByteArray goes in as a BLOB).
    static bool insert(const QString& file, const QString& table, const QVariantMap& values);
    // Everything a database file holds, read on a read-only connection: each
    // schema entry ("table wftable", "index idx_wftable", ...) with its
    // statement and, for tables, the row count and a digest of every value in
    // rowid order. Empty when the file cannot be read as a database.
    static QMap<QString, QString> contents(const QString& file);
    static QByteArray fileBytes(const QString& path);

private:
    Q_DISABLE_COPY(StationFixture)

    QString m_OldCwd;
    bool m_Done = false;
};

#endif // STATIONFIXTURE_H
