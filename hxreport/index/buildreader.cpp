#include "buildreader.h"

#include "stationfile.h"
#include "timekey.h"

#include <QElapsedTimer>

#include <cstring>

#include <sqlite3.h>

namespace {
// On the station's time index: NULL times first, then the rest in (time,
// uid) order, continuing after the cursor. SQLite reads the time from the
// index entry and only the other columns from the record, which the table
// keeps before the thumbnail: no thumbnail is read. The unary plus keeps the
// uid bound from steering SQLite onto the table.
const char* const FirstNullSql = " FROM %1 WHERE time IS NULL AND uid <= ?1 ORDER BY uid LIMIT ?2";
const char* const NextNullSql
    = " FROM %1 WHERE time IS NULL AND uid > ?3 AND uid <= ?1 ORDER BY uid LIMIT ?2";
const char* const FirstTimedSql
    = " FROM %1 WHERE time IS NOT NULL AND +uid <= ?1 ORDER BY time, uid LIMIT ?2";
const char* const NextTimedSql
    = " FROM %1 WHERE (time, uid) > (?4, ?3) AND +uid <= ?1 ORDER BY time, uid LIMIT ?2";
// Chunks waiting for the index at most.
const size_t MaxReady = 2;
// Rows between two looks at the clock.
const int ClockRows = 64;
}

BuildReader::BuildReader(
    const QString& stationPath, const std::atomic<bool>* interrupt, int chunkRows, int chunkMs)
    : m_StationPath(stationPath)
    , m_pInterrupt(interrupt)
    , m_nChunkRows(qMax(1, chunkRows))
    , m_nChunkMs(qMax(1, chunkMs))
    , m_nRows(m_nChunkRows)
{
}

BuildReader::~BuildReader()
{
    stop();
}

void BuildReader::start(const Cursor& from)
{
    m_Cursor = from;
    m_bInNulls = !from.started || from.time.type() == SQLITE_NULL;
    m_Thread = std::thread([this] { run(); });
}

void BuildReader::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bStop = true;
    }
    m_Changed.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
}

QString BuildReader::errorString() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Error;
}

bool BuildReader::next(BuildChunk* chunk)
{
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Changed.wait(lock, [this] { return !m_Ready.empty() || m_bDone; });
    if (m_Ready.empty()) {
        if (m_Error.isEmpty())
            m_Error = QStringLiteral("no more records");
        return false;
    }
    *chunk = std::move(m_Ready.front());
    m_Ready.pop_front();
    lock.unlock();
    m_Changed.notify_all();
    return true;
}

bool BuildReader::hasReady() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return !m_Ready.empty();
}

void BuildReader::run()
{
    StationFile station(m_StationPath, m_pInterrupt);
    QStringList types;
    bool ok = station.open() && station.declaredTypes(&types);
    QString error = station.errorString();
    while (ok) {
        BuildChunk chunk;
        ok = readChunk(station, station.recordList(), &chunk);
        if (!ok) {
            error = station.connection().errorString();
            break;
        }
        const bool finished = chunk.finished;
        {
            std::unique_lock<std::mutex> lock(m_Mutex);
            m_Changed.wait(lock, [this] { return m_bStop || m_Ready.size() < MaxReady; });
            if (m_bStop)
                break;
            m_Ready.push_back(std::move(chunk));
        }
        m_Changed.notify_all();
        if (finished)
            break;
    }
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_bDone = true;
        if (!ok)
            m_Error = error;
    }
    m_Changed.notify_all();
}

bool BuildReader::readChunk(StationFile& station, const QByteArray& list, BuildChunk* chunk)
{
    QElapsedTimer clock;
    clock.start();
    chunk->firstNewSlot = m_nSlots;
    chunk->reserve(m_nRows, 8);
    int total = 0;
    while (total < m_nRows) {
        const bool hasCursor = m_Cursor.started;
        const char* from = m_bInNulls ? (hasCursor ? NextNullSql : FirstNullSql)
                                      : (hasCursor ? NextTimedSql : FirstTimedSql);
        int found = 0;
        bool stoppedEarly = false;
        if (!readPart(station, "SELECT " + list + StationFile::onRecords(from), m_nRows - total, chunk,
                clock.elapsed(), &found, &stoppedEarly))
            return false;
        total += found;
        if (stoppedEarly || total == m_nRows)
            break;
        // This part of the order has ended.
        if (!m_bInNulls) {
            chunk->finished = true;
            break;
        }
        m_bInNulls = false;
        m_Cursor.started = false;
    }
    flushHours(chunk);
    // The station's lock is held for one chunk: its size follows the time a
    // chunk takes (a cold file reads far slower than a cached one).
    const qint64 ms = clock.elapsed();
    if (ms > m_nChunkMs)
        m_nRows = qMax(qMax(1, m_nChunkRows / 8), m_nRows / 2);
    else if (ms * 2 < m_nChunkMs)
        m_nRows = qMin(m_nChunkRows * 4, m_nRows * 2);
    return true;
}

bool BuildReader::readPart(StationFile& station, const QByteArray& sql, int wanted, BuildChunk* chunk,
    qint64 started, int* found, bool* stoppedEarly)
{
    QElapsedTimer clock;
    clock.start();
    SqliteStatement part(station.connection(), sql.constData());
    part.bind(1, m_Cursor.target).bind(2, qint64(wanted));
    if (m_Cursor.started) {
        part.bind(3, m_Cursor.uid);
        if (!m_bInNulls)
            part.bindValue(4, m_Cursor.time.get());
    }
    int n = 0;
    // Never a step past the wanted-th record: the last one read stays at
    // hand for the cursor.
    while (n < wanted && part.step()) {
        BuildChunk::Record record;
        record.uid = part.int64(0);
        sqlite3_value* time = part.value(1);
        const int timeType = sqlite3_value_type(time);
        if (timeType == SQLITE_TEXT) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(time));
            const int size = sqlite3_value_bytes(time);
            if (!TimeKey::packShaped(text, size, &record.ti)) {
                const TimeKey key = TimeKey::ofText(QByteArray(text, size));
                record.ti = key.ti;
                chunk->setText(&record, key.tx);
            }
        } else {
            record.ti = timeType == SQLITE_NULL ? TimeKey::NullTime
                : timeType == SQLITE_BLOB       ? TimeKey::BlobTime
                                                : TimeKey::NotText;
        }
        record.slot = slotOf(part.value(2), chunk);
        for (int i = 0; i < 4; ++i)
            chunk->setCell(&record.values[i], part.value(i + 3));
        if (record.ti >= 0)
            addHour(chunk, record.slot, record.ti, record.txSize > 0);
        if (timeType != SQLITE_NULL && chunk->firstTime.type() == SQLITE_NULL) {
            chunk->firstTime = SqliteValue(time);
            chunk->firstUid = record.uid;
        }
        chunk->records.append(record);
        ++n;
        if (n < wanted && n % ClockRows == 0 && started + clock.elapsed() >= m_nChunkMs) {
            *stoppedEarly = true;
            break;
        }
    }
    if (part.failed())
        return false;
    *found = n;
    if (n > 0 && (*stoppedEarly || n == wanted)) {
        m_Cursor.started = true;
        m_Cursor.time = SqliteValue(part.value(1));
        m_Cursor.uid = chunk->records.last().uid;
        chunk->lastTime = m_Cursor.time;
    }
    return true;
}

int BuildReader::slotOf(sqlite3_value* model, BuildChunk* chunk)
{
    // A station has a few models: nearly every record finds its own among
    // the first text models seen.
    if (sqlite3_value_type(model) == SQLITE_TEXT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(model));
        const int size = sqlite3_value_bytes(model);
        for (const auto& known : qAsConst(m_RecentText)) {
            if (known.first.size() == size && memcmp(known.first.constData(), text, size_t(size)) == 0)
                return known.second;
        }
        const auto it = m_TextSlots.constFind(QByteArray::fromRawData(text, size));
        if (it != m_TextSlots.cend())
            return it.value();
        const int slot = m_nSlots++;
        const QByteArray bytes(text, size);
        m_TextSlots.insert(bytes, slot);
        if (m_RecentText.size() < 16)
            m_RecentText.append({ bytes, slot });
        chunk->newModels.append(SqliteValue(model));
        return slot;
    }
    SqliteValue value(model);
    const QByteArray key = QByteArray::number(value.type()) + ':' + value.bytes();
    const auto it = m_OtherSlots.constFind(key);
    if (it != m_OtherSlots.cend())
        return it.value();
    const int slot = m_nSlots++;
    m_OtherSlots.insert(key, slot);
    chunk->newModels.append(std::move(value));
    return slot;
}

void BuildReader::addHour(BuildChunk* chunk, int slot, qint64 ti, bool odd)
{
    while (m_OpenHours.size() <= slot) {
        BuildChunk::HourCount none;
        none.slot = m_OpenHours.size();
        none.hour = -1;
        m_OpenHours.append(none);
    }
    BuildChunk::HourCount& open = m_OpenHours[slot];
    const qint64 hour = TimeKey::hourOf(ti);
    if (open.hour != hour) {
        if (open.n > 0)
            chunk->hours.append(open);
        open.hour = hour;
        open.n = open.x = 0;
    }
    ++open.n;
    if (TimeKey::offClock(ti, odd))
        ++open.x;
    chunk->firstHour = chunk->firstHour < 0 ? hour : qMin(chunk->firstHour, hour);
    chunk->lastHour = qMax(chunk->lastHour, hour);
}

void BuildReader::flushHours(BuildChunk* chunk)
{
    for (BuildChunk::HourCount& open : m_OpenHours) {
        if (open.n > 0)
            chunk->hours.append(open);
        open.hour = -1;
        open.n = open.x = 0;
    }
}
