#include "testappdir.h"

#include "apppaths.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>

TestAppDir::TestAppDir()
    : m_PreviousDir(AppPaths::applicationDir())
    , m_PreviousIndexFolder(AppPaths::indexFolder())
{
    if (m_PreviousDir == QCoreApplication::applicationDirPath())
        m_PreviousDir.clear(); // no override was set
    AppPaths::setApplicationDir(m_Dir.path());
    AppPaths::setIndexFolder(m_IndexDir.path());
}

TestAppDir::~TestAppDir()
{
    closeStation();
    AppPaths::setApplicationDir(m_PreviousDir);
    AppPaths::setIndexFolder(m_PreviousIndexFolder);
}

QString TestAppDir::detectionDatabase() const
{
    return AppPaths::detectionDatabase();
}

QString TestAppDir::modelDatabase() const
{
    return AppPaths::modelDatabase();
}

StationSimulator::Options TestAppDir::options(int records, int logs) const
{
    StationSimulator::Options options;
    options.appDir = m_Dir.path();
    options.records = records;
    options.logs = logs;
    options.imageSize = QSize(16, 16);
    options.imagesPerModel = 2;
    return options;
}

bool TestAppDir::generate(const StationSimulator::Options& options)
{
    closeStation();
    StationSimulator simulator(options);
    return simulator.generate();
}

StationSimulator& TestAppDir::station()
{
    if (!m_Station)
        m_Station = std::make_unique<StationSimulator>(options(0));
    return *m_Station;
}

void TestAppDir::closeStation()
{
    m_Station.reset();
}

bool TestAppDir::withConnection(
    const QString& file, bool readOnly, const std::function<bool(QSqlDatabase&)>& work)
{
    static QAtomicInteger<quint64> count;
    const QString name = QStringLiteral("testappdir %1").arg(++count);
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        done = db.open() && work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

QVariantList TestAppDir::firstColumn(const QString& file, const QString& sql)
{
    QVariantList values;
    withConnection(file, true, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (!query.exec(sql))
            return false;
        while (query.next())
            values.append(query.value(0));
        return true;
    });
    return values;
}

bool TestAppDir::exec(const QString& file, const QString& sql)
{
    return withConnection(file, false, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        const QStringList statements = sql.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& statement : statements) {
            if (!statement.trimmed().isEmpty() && !query.exec(statement))
                return false;
        }
        return true;
    });
}
