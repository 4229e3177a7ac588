#include "stationfile.h"

#include "stationschema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>

#include <sqlite3.h>
#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <sys/stat.h>
#endif

namespace {
const char* const TableInfoSql = "PRAGMA table_info(%1)";
const char* const MaxUidSql = "SELECT max(uid) FROM %1";
const char* const MinUidSql = "SELECT min(uid) FROM %1";
const char* const SequenceSql = "SELECT seq FROM sqlite_sequence WHERE name = '%1'";
const char* const RowSql = "SELECT time, model FROM %1 WHERE uid = ?1";
// On the time index, which orders equal times by uid; NULL times are left out
// because retention (time < cut-off) never deletes them.
const char* const FirstSql
    = "SELECT time, uid, model FROM %1 WHERE time IS NOT NULL ORDER BY time, uid LIMIT 1";
// The first of the records up to ?1. The unary plus keeps SQLite on the time
// index (the uid condition alone would pick the table and sort it); records
// after ?1 are skipped there, and they seldom come before the older ones.
const char* const OldFirstSql = "SELECT time, uid, model FROM %1 WHERE time IS NOT NULL AND +uid <= ?1"
                                " ORDER BY time, uid LIMIT 1";
// NOT INDEXED keeps SQLite on the uid key: only the records after ?1 are read.
const char* const NewInRangeSql
    = "SELECT count(*) FROM %1 NOT INDEXED WHERE uid > ?1 AND time > ?2 AND time < ?3";
}

QByteArray StationFile::onRecords(const char* sql)
{
    return QString::fromLatin1(sql).arg(StationSchema::detectionTable()).toUtf8();
}

const QStringList& StationFile::columns()
{
    static const QStringList names { QStringLiteral("time"), QStringLiteral("model"),
        QStringLiteral("correlate"), QStringLiteral("detecttime"), QStringLiteral("diameter"),
        QStringLiteral("hight") };
    return names;
}

StationFile::StationFile(const QString& path, const std::atomic<bool>* interrupt)
    : m_Path(path)
    , m_pInterrupt(interrupt)
{
}

bool StationFile::open()
{
    if (!QFile::exists(m_Path)) {
        m_Error = QStringLiteral("station file missing");
        return false;
    }
    if (!m_Db.open(m_Path, SqliteConnection::Mode::ReadOnly, m_pInterrupt, 2000))
        return fail();
    return true;
}

QByteArray StationFile::fileId(const QString& path)
{
#ifdef Q_OS_WIN
    // Windows' stat() gives no inode; the volume's serial number and the
    // file index name the file as device and inode do. Opening it for no
    // access, shared every way, never stands in the station's way.
    const HANDLE file
        = ::CreateFileW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()), 0,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return QByteArray();
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = ::GetFileInformationByHandle(file, &info);
    ::CloseHandle(file);
    if (!known)
        return QByteArray();
    const quint64 index = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return QByteArray::number(qulonglong(info.dwVolumeSerialNumber)) + ':'
        + QByteArray::number(qulonglong(index));
#else
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QByteArray();
    return QByteArray::number(qulonglong(info.st_dev)) + ':' + QByteArray::number(qulonglong(info.st_ino));
#endif
}

bool StationFile::fail()
{
    m_Error = m_Db.errorString();
    return false;
}

bool StationFile::declaredTypes(QStringList* types)
{
    SqliteStatement info(m_Db, onRecords(TableInfoSql).constData());
    QHash<QString, QString> declared;
    while (info.step())
        declared.insert(QString::fromUtf8(info.text(1)).toLower(), QString::fromUtf8(info.text(2)));
    if (info.failed())
        return fail();
    if (declared.isEmpty()) {
        m_Error = QStringLiteral("station file has no table %1").arg(StationSchema::detectionTable());
        return false;
    }
    types->clear();
    QStringList select { QStringLiteral("uid") };
    for (const QString& column : columns()) {
        types->append(declared.value(column));
        select << (declared.contains(column) ? column : QStringLiteral("NULL"));
    }
    m_ChunkSql = QStringLiteral("SELECT %1 FROM %2 WHERE uid > ?1 ORDER BY uid LIMIT ?2")
                     .arg(select.join(QLatin1Char(',')), StationSchema::detectionTable())
                     .toUtf8();
    m_List = select.join(QLatin1Char(',')).toUtf8();
    return true;
}

bool StationFile::readCheck(qint64 uid, Check* check)
{
    *check = Check();
    {
        SqliteStatement max(m_Db, onRecords(MaxUidSql).constData());
        if (!max.step())
            return fail();
        check->maxUid = max.isNull(0) ? 0 : max.int64(0);
    }
    {
        SqliteStatement min(m_Db, onRecords(MinUidSql).constData());
        if (!min.step())
            return fail();
        check->minUid = min.isNull(0) ? 0 : min.int64(0);
    }
    {
        // A file without AUTOINCREMENT tables has no sqlite_sequence: no sequence.
        SqliteStatement sequence(m_Db, onRecords(SequenceSql).constData());
        if (sequence.isValid() && sequence.step()) {
            check->hasSequence = true;
            check->sequence = sequence.int64(0);
        }
    }
    if (uid > 0) {
        SqliteStatement row(m_Db, onRecords(RowSql).constData());
        row.bind(1, uid);
        if (row.step()) {
            check->hasRow = true;
            check->rowTime = SqliteValue(row.value(0));
            check->rowModel = SqliteValue(row.value(1));
        } else if (row.failed()) {
            return fail();
        }
        SqliteStatement old(m_Db, onRecords(OldFirstSql).constData());
        old.bind(1, uid);
        if (old.step()) {
            check->hasOldFirst = true;
            check->oldFirstTime = SqliteValue(old.value(0));
            check->oldFirstUid = old.int64(1);
            check->oldFirstModel = SqliteValue(old.value(2));
        } else if (old.failed()) {
            return fail();
        }
    }
    {
        SqliteStatement first(m_Db, onRecords(FirstSql).constData());
        if (first.step()) {
            check->hasFirst = true;
            check->firstTime = SqliteValue(first.value(0));
            check->firstUid = first.int64(1);
            check->firstModel = SqliteValue(first.value(2));
        } else if (first.failed()) {
            return fail();
        }
    }
    return true;
}

bool StationFile::check(qint64 uid, Check* check)
{
    // Inside the caller's read transaction when there is one.
    const bool own = m_Db.handle() && sqlite3_get_autocommit(m_Db.handle()) != 0;
    if (own && !m_Db.exec("BEGIN"))
        return fail();
    const bool ok = readCheck(uid, check);
    if (own)
        m_Db.exec("COMMIT");
    return ok;
}

bool StationFile::readAfter(
    qint64 afterUid, int maxRows, int maxMs, QVector<Row>* rows, bool* caughtUp, Check* check)
{
    rows->clear();
    *caughtUp = false;
    if (m_ChunkSql.isEmpty()) {
        QStringList types;
        if (!declaredTypes(&types))
            return false;
    }
    if (!m_Db.exec("BEGIN"))
        return fail();
    QElapsedTimer clock;
    clock.start();
    bool ok = true;
    bool stoppedEarly = false;
    {
        SqliteStatement chunk(m_Db, m_ChunkSql.constData());
        chunk.bind(1, afterUid).bind(2, qint64(maxRows));
        while (chunk.step()) {
            Row row;
            row.uid = chunk.int64(0);
            for (int i = 0; i < 6; ++i)
                row.values[i] = SqliteValue(chunk.value(i + 1));
            rows->append(std::move(row));
            if (clock.elapsed() >= maxMs && rows->size() < maxRows) {
                stoppedEarly = true;
                break;
            }
        }
        ok = !chunk.failed();
    }
    if (ok && !stoppedEarly && rows->size() < maxRows) {
        *caughtUp = true;
        ok = readCheck(rows->isEmpty() ? afterUid : rows->last().uid, check);
    }
    if (!ok)
        fail();
    m_Db.exec("COMMIT");
    return ok;
}

bool StationFile::countAfterInRange(
    qint64 afterUid, const QByteArray& time1, const QByteArray& time2, qint64* count)
{
    SqliteStatement statement(m_Db, onRecords(NewInRangeSql).constData());
    statement.bind(1, afterUid).bind(2, time1).bind(3, time2);
    if (!statement.step())
        return fail();
    *count = statement.int64(0);
    return true;
}

bool StationFile::hasTable(const QString& table)
{
    SqliteStatement find(m_Db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    find.bind(1, table.toUtf8());
    const bool found = find.step();
    if (find.failed())
        return fail();
    return found;
}

QByteArray StationFile::selectList(const QString& table, const QStringList& columns)
{
    const QString key = table + QLatin1Char('\n') + columns.join(QLatin1Char('\n'));
    const auto cached = m_SelectLists.constFind(key);
    if (cached != m_SelectLists.cend())
        return cached.value();
    // Names are the program's own, quoted all the same.
    auto quoted = [](const QString& name) -> QString {
        return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\""))
            + QLatin1Char('"');
    };
    SqliteStatement info(
        m_Db, (QStringLiteral("PRAGMA table_info(") + quoted(table) + QLatin1Char(')')).toUtf8());
    QSet<QString> present;
    while (info.step())
        present.insert(QString::fromUtf8(info.text(1)).toLower());
    if (info.failed()) {
        fail();
        return QByteArray();
    }
    if (present.isEmpty()) {
        m_Error = QStringLiteral("station file has no table ") + table;
        return QByteArray();
    }
    QStringList select { QStringLiteral("uid") };
    for (const QString& column : columns)
        select << (present.contains(column.toLower()) ? quoted(column) : QStringLiteral("NULL"));
    const QByteArray list = select.join(QLatin1Char(',')).toUtf8() + " FROM " + quoted(table).toUtf8();
    m_SelectLists.insert(key, list);
    return list;
}

bool StationFile::readTableAfter(const QString& table, const QStringList& columns, qint64 afterUid,
    int maxRows, int maxMs, QVector<TableRow>* rows, bool* caughtUp)
{
    rows->clear();
    *caughtUp = false;
    const QByteArray list = selectList(table, columns);
    if (list.isEmpty())
        return false;
    const QByteArray sql = "SELECT " + list + " WHERE uid > ?1 ORDER BY uid LIMIT ?2";
    if (!m_Db.exec("BEGIN"))
        return fail();
    QElapsedTimer clock;
    clock.start();
    bool stoppedEarly = false;
    bool ok = true;
    {
        SqliteStatement chunk(m_Db, sql.constData());
        chunk.bind(1, afterUid).bind(2, qint64(maxRows));
        while (chunk.step()) {
            TableRow row;
            row.uid = chunk.int64(0);
            row.values.reserve(columns.size());
            for (int i = 0; i < columns.size(); ++i)
                row.values.append(SqliteValue(chunk.value(i + 1)));
            rows->append(std::move(row));
            if (clock.elapsed() >= maxMs && rows->size() < maxRows) {
                stoppedEarly = true;
                break;
            }
        }
        ok = !chunk.failed();
    }
    if (!ok)
        fail();
    m_Db.exec("COMMIT");
    *caughtUp = ok && !stoppedEarly && rows->size() < maxRows;
    return ok;
}

bool StationFile::probeTable(const QString& table, const QStringList& columns, qint64 uid, bool firstTime,
    TableProbe* probe, const QVector<qint64>& otherUids)
{
    *probe = TableProbe();
    const QByteArray list = selectList(table, columns);
    if (list.isEmpty())
        return false;
    const QByteArray from = list.mid(list.lastIndexOf(" FROM ") + 6);
    if (!m_Db.exec("BEGIN"))
        return fail();
    bool ok = true;
    {
        const QByteArray sql = "SELECT max(uid) FROM " + from;
        SqliteStatement max(m_Db, sql.constData());
        ok = max.step();
        if (ok)
            probe->maxUid = max.isNull(0) ? 0 : max.int64(0);
    }
    if (ok) {
        // A file without AUTOINCREMENT tables has no sqlite_sequence: no sequence.
        SqliteStatement sequence(m_Db, "SELECT seq FROM sqlite_sequence WHERE name = ?1");
        sequence.bind(1, table.toUtf8());
        if (sequence.isValid() && sequence.step()) {
            probe->hasSequence = true;
            probe->sequence = sequence.int64(0);
        }
    }
    if (ok && uid > 0) {
        const QByteArray sql = "SELECT " + list + " WHERE uid = ?1";
        SqliteStatement row(m_Db, sql.constData());
        row.bind(1, uid);
        if (row.step()) {
            probe->hasRow = true;
            for (int i = 0; i < columns.size(); ++i)
                probe->row.append(SqliteValue(row.value(i + 1)));
        }
        ok = !row.failed();
    }
    if (ok && firstTime) {
        // On the time index.
        const QByteArray sql = "SELECT time FROM " + from + " WHERE time IS NOT NULL ORDER BY time LIMIT 1";
        SqliteStatement first(m_Db, sql.constData());
        if (first.step()) {
            probe->hasFirstTime = true;
            probe->firstTime = SqliteValue(first.value(0));
        }
        ok = !first.failed();
    }
    if (ok && !otherUids.isEmpty()) {
        const QByteArray sql = "SELECT " + list + " WHERE uid = ?1";
        SqliteStatement row(m_Db, sql.constData());
        for (int u = 0; ok && u < otherUids.size(); ++u) {
            row.reset();
            row.bind(1, otherUids.at(u));
            if (row.step()) {
                TableRow other;
                other.uid = otherUids.at(u);
                for (int i = 0; i < columns.size(); ++i)
                    other.values.append(SqliteValue(row.value(i + 1)));
                probe->others.append(std::move(other));
            }
            ok = !row.failed();
        }
    }
    if (!ok)
        fail();
    m_Db.exec("COMMIT");
    return ok;
}
