#include "indexfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

namespace {
const char* const UserVersionSql = "PRAGMA user_version";
const char* const MetaReadSql = "SELECT key, value FROM meta";
const char* const MetaWriteSql = "INSERT OR REPLACE INTO meta(key, value) VALUES(?1, ?2)";
const char* const DropSql = "DROP TABLE IF EXISTS rec; DROP TABLE IF EXISTS days; DROP TABLE IF EXISTS hours;"
                            " DROP TABLE IF EXISTS models;"
                            " DROP TABLE IF EXISTS meta;";

// Only letters, digits, blanks, parentheses and commas of a declared type are
// kept: it is written into the statement that makes the table.
QString cleanType(const QString& type)
{
    QString clean;
    for (const QChar c : type) {
        if (c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('(') || c == QLatin1Char(')')
            || c == QLatin1Char(','))
            clean += c;
    }
    return clean;
}

bool setText(SqliteStatement& write, const char* key, const QByteArray& value)
{
    return write.reset().bind(1, QByteArray(key)).bind(2, value).run();
}

bool setInt(SqliteStatement& write, const char* key, qint64 value)
{
    return write.reset().bind(1, QByteArray(key)).bind(2, value).run();
}

bool setValue(SqliteStatement& write, const char* key, const SqliteValue& value)
{
    return write.reset().bind(1, QByteArray(key)).bindValue(2, value.get()).run();
}
}

QString IndexFile::pathFor(const QString& stationPath, const QString& cacheDir)
{
    const QString dir
        = cacheDir.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation) : cacheDir;
    if (dir.isEmpty())
        return QString();
    const QFileInfo station(stationPath);
    const QString canonical
        = station.canonicalFilePath().isEmpty() ? station.absoluteFilePath() : station.canonicalFilePath();
    const QString stationDir = QFileInfo(canonical).absolutePath();
    // Never beside the station's own files.
    const QFileInfo dirInfo(dir);
    const QString canonicalDir
        = dirInfo.canonicalFilePath().isEmpty() ? dirInfo.absoluteFilePath() : dirInfo.canonicalFilePath();
    if (QDir::cleanPath(canonicalDir) == QDir::cleanPath(stationDir))
        return QString();
    const QByteArray hash
        = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(20);
    return QDir(dir).absoluteFilePath(
        QStringLiteral("hxindex-") + QString::fromLatin1(hash) + QStringLiteral(".db"));
}

bool IndexFile::openChecked(SqliteConnection& db, const QString& path, SqliteConnection::Mode mode,
    const QString& station, QString* error, const std::atomic<bool>* interrupt)
{
    if (!db.open(path, mode, interrupt, 2000)) {
        *error = QStringLiteral("cannot open the index file: ") + db.errorString();
        return false;
    }
    SqliteStatement version(db, UserVersionSql);
    if (!version.step()) {
        *error = QStringLiteral("index file unreadable: ") + db.errorString();
        return false;
    }
    const qint64 found = version.int64(0);
    if (found != Version) {
        *error = QStringLiteral("index file of version %1, not %2").arg(found).arg(Version);
        return false;
    }
    State state;
    if (!readState(db, &state)) {
        *error = QStringLiteral("index file unreadable: ") + db.errorString();
        return false;
    }
    if (state.station != station) {
        *error = QStringLiteral("index file of another station file");
        return false;
    }
    return true;
}

bool IndexFile::create(SqliteConnection& db, const QString& station, const QStringList& declaredTypes,
    const QByteArray& fileId, QString* error)
{
    QStringList types;
    for (const QString& type : declaredTypes)
        types << cleanType(type);
    while (types.size() < 6)
        types << QString();
    const QString schema = QStringLiteral(
        "CREATE TABLE meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID;"
        "CREATE TABLE models(id INTEGER PRIMARY KEY, model %1 UNIQUE);"
        "CREATE TABLE rec(m INTEGER NOT NULL, ti INTEGER NOT NULL, tx TEXT NOT NULL, uid INTEGER NOT NULL,"
        " correlate %2, detecttime %3, diameter %4, hight %5, PRIMARY KEY(m, ti, tx, uid)) WITHOUT ROWID;"
        "CREATE TABLE hours(m INTEGER NOT NULL, hour INTEGER NOT NULL, n INTEGER NOT NULL,"
        " x INTEGER NOT NULL, PRIMARY KEY(m, hour)) WITHOUT ROWID;"
        "PRAGMA user_version = %6;")
                               .arg(types.at(1), types.at(2), types.at(3), types.at(4), types.at(5))
                               .arg(Version);
    const QByteArray sql = schema.toUtf8();
    if (!db.exec("BEGIN IMMEDIATE") || !db.exec(DropSql) || !db.exec(sql.constData())) {
        *error = QStringLiteral("cannot create the index: ") + db.errorString();
        db.exec("ROLLBACK");
        return false;
    }
    State state;
    state.station = station;
    state.fileId = fileId;
    state.columns = declaredTypes.join(QLatin1Char('|')).toUtf8();
    if (!writeState(db, state) || !db.exec("COMMIT")) {
        *error = QStringLiteral("cannot create the index: ") + db.errorString();
        db.exec("ROLLBACK");
        return false;
    }
    return true;
}

bool IndexFile::readState(SqliteConnection& db, State* state)
{
    SqliteStatement read(db, MetaReadSql);
    while (read.step()) {
        const QByteArray key = read.text(0);
        if (key == "station")
            state->station = QString::fromUtf8(read.text(1));
        else if (key == "file")
            state->fileId = read.text(1);
        else if (key == "columns")
            state->columns = read.text(1);
        else if (key == "last_uid")
            state->lastUid = read.int64(1);
        else if (key == "rows")
            state->rows = read.int64(1);
        else if (key == "last_time")
            state->lastTime = SqliteValue(read.value(1));
        else if (key == "last_model")
            state->lastModel = SqliteValue(read.value(1));
        else if (key == "verified")
            state->verified = read.int64(1) != 0;
        else if (key == "has_first")
            state->hasFirst = read.int64(1) != 0;
        else if (key == "first_time")
            state->firstTime = SqliteValue(read.value(1));
        else if (key == "first_uid")
            state->firstUid = read.int64(1);
        else if (key == "build_target")
            state->buildTarget = read.int64(1);
        else if (key == "build_started")
            state->buildStarted = read.int64(1) != 0;
        else if (key == "build_time")
            state->buildTime = SqliteValue(read.value(1));
        else if (key == "build_uid")
            state->buildUid = read.int64(1);
    }
    return !read.failed();
}

bool IndexFile::writeState(SqliteConnection& db, const State& state)
{
    SqliteStatement write(db, MetaWriteSql);
    if (!write.isValid())
        return false;
    return setText(write, "station", state.station.toUtf8()) && setText(write, "file", state.fileId)
        && setText(write, "columns", state.columns) && setInt(write, "last_uid", state.lastUid)
        && setInt(write, "rows", state.rows) && setValue(write, "last_time", state.lastTime)
        && setValue(write, "last_model", state.lastModel) && setInt(write, "verified", state.verified ? 1 : 0)
        && setInt(write, "has_first", state.hasFirst ? 1 : 0)
        && setValue(write, "first_time", state.firstTime) && setInt(write, "first_uid", state.firstUid)
        && setInt(write, "build_target", state.buildTarget)
        && setInt(write, "build_started", state.buildStarted ? 1 : 0)
        && setValue(write, "build_time", state.buildTime) && setInt(write, "build_uid", state.buildUid);
}
