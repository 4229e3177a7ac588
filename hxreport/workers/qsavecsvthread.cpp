#include "qsavecsvthread.h"

#include "csvwriter.h"
#include "detectdatadb.h"
#include "stationschema.h"

#include <QAtomicInt>

#include <QDateTime>
#include <QSaveFile>
#include <QSqlRecord>

namespace {
QAtomicInt defaultChunk(QSaveCSVThread::DefaultChunkSize);
}

QSaveCSVThread::QSaveCSVThread(QObject* parent)
    : QThread(parent)
{
}

void QSaveCSVThread::setTask(DetectDataDB* db, QString sql, QString fileName, int nType)
{
    m_pDB = db;
    m_Sql = sql;
    m_FileName = fileName;
    m_nType = nType;
}

void QSaveCSVThread::setTask(DetectDataDB* db, const QString& fileName, ExportType type)
{
    setTask(db, QString(), fileName, static_cast<int>(type));
}

void QSaveCSVThread::setHeader(QString title, QString user)
{
    m_Title = title;
    m_User = user;
}

void QSaveCSVThread::setChunks(const ExportQuery& query, int chunkSize)
{
    m_Chunks = query;
    m_nChunkSize = chunkSize > 0 ? chunkSize : defaultChunkSize();
}

int QSaveCSVThread::defaultChunkSize()
{
    return defaultChunk.loadAcquire();
}

void QSaveCSVThread::setDefaultChunkSize(int rows)
{
    defaultChunk.storeRelease(qMax(1, rows));
}

void QSaveCSVThread::run()
{
    const CancelFlag::Scope cancel(&m_Cancel);
    m_bSucceeded = false;
    m_ErrorString.clear();
    m_nRows = 0;
    if (m_Chunks.isValid() && m_pDB && !fixEnd())
        m_bSucceeded = false;
    else if (m_nType == static_cast<int>(ExportType::Production))
        m_bSucceeded = writeProductionCsv();
    else if (m_nType == static_cast<int>(ExportType::Log))
        m_bSucceeded = writeLogCsv();
    else
        m_ErrorString = QStringLiteral("unknown export type %1").arg(m_nType);
    emit resultReady(m_nType);
}

bool QSaveCSVThread::fixEnd()
{
    // Keys only grow as the station appends, so the last one now marks the
    // end of what the file holds.
    QSqlQuery last;
    if (!m_pDB->runDetached(m_Chunks.inDialect(m_pDB->dialect()).lastKeyStatement(), last) || !last.next()) {
        m_ErrorString = m_pDB->lastError().text();
        return false;
    }
    m_Chunks = m_Chunks.upToKey(last.value(0).isNull() ? 0 : last.value(0).toLongLong());
    if (!m_TitleOfCount)
        return true;
    QSqlQuery count;
    if (!m_pDB->runDetached(m_Chunks.inDialect(m_pDB->dialect()).countStatement(), count) || !count.next()) {
        m_ErrorString = m_pDB->lastError().text();
        return false;
    }
    m_Title = m_TitleOfCount(count.value(0).toInt());
    return true;
}

bool QSaveCSVThread::writeProductionCsv()
{
    return writeFile(&QSaveCSVThread::writeProduction);
}

bool QSaveCSVThread::writeLogCsv()
{
    return writeFile(&QSaveCSVThread::writeLog);
}

bool QSaveCSVThread::writeFile(bool (QSaveCSVThread::*write)(QIODevice*))
{
    if (!m_pDB) {
        m_ErrorString = QStringLiteral("no database");
        return false;
    }
    // No direct-write fallback: a file written in place could be left half
    // written; where no file can be made beside it, the export fails instead.
    QSaveFile file(m_FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        m_ErrorString = file.errorString();
        return false;
    }
    if (!(this->*write)(&file)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_ErrorString = file.errorString();
        return false;
    }
    return true;
}

bool QSaveCSVThread::writeProduction(QIODevice* device)
{
    if (m_pDB && m_pDB->hasRowViews())
        return writeProductionViews(device);
    // The whole plant's rows: which station each is from, in a last column.
    if (m_pDB && m_pDB->dialect() == SqlDialect::Plant && m_Chunks.isValid()
        && m_Chunks.station().isEmpty()) {
        const QString station = QStringLiteral("station");
        m_Chunks = m_Chunks.withColumn(station);
        return writeRecords(device, CsvWriter::productionColumns() + QStringList { station },
            &CsvWriter::writeProductionHeaderWithStation, &CsvWriter::writeProductionRow,
            &CsvWriter::writeProductionFooter);
    }
    return writeRecords(device, CsvWriter::productionColumns(), &CsvWriter::writeProductionHeader,
        &CsvWriter::writeProductionRow, &CsvWriter::writeProductionFooter);
}

bool QSaveCSVThread::writeLog(QIODevice* device)
{
    return writeRecords(device, CsvWriter::logColumns(), &CsvWriter::writeLogHeader, &CsvWriter::writeLogRow,
        &CsvWriter::writeLogFooter);
}

bool QSaveCSVThread::writeRecords(QIODevice* device, const QStringList& columns,
    void (CsvWriter::*header)(const QString&), void (CsvWriter::*row)(int, const QVector<QVariant>&),
    void (CsvWriter::*footer)(int, const QString&, const QDateTime&))
{
    CsvWriter csv(device);
    (csv.*header)(m_Title);
    int number = 0;
    const bool queried = readRows(columns, [&](const QVector<QVariant>& values) {
        (csv.*row)(++number, values);
        // The stream is checked every few hundred rows, not flushed per row.
        return number % 256 != 0 || csv.ok();
    });
    return finishRecords(csv, queried, number, footer);
}

bool QSaveCSVThread::finishRecords(CsvWriter& csv, bool queried, int number,
    void (CsvWriter::*footer)(int, const QString&, const QDateTime&))
{
    m_nRows = number;
    m_nReplaced = csv.replacedCharacters();
    if (!csv.ok()) {
        m_ErrorString = csv.errorString();
        return false;
    }
    if (!queried) {
        if (m_ErrorString.isEmpty())
            m_ErrorString = m_pDB->lastError().text();
        return false;
    }
    (csv.*footer)(number, m_User, QDateTime::currentDateTime());
    m_nReplaced = csv.replacedCharacters();
    if (!csv.ok()) {
        m_ErrorString = csv.errorString();
        return false;
    }
    return true;
}

bool QSaveCSVThread::writeProductionViews(QIODevice* device)
{
    // writeRecords() with the rows read in place (see CsvWriter's RowView line).
    CsvWriter csv(device);
    csv.writeProductionHeader(m_Title);
    int number = 0;
    const bool queried = readRowViews(CsvWriter::productionColumns(), [&](const RowView& values) {
        csv.writeProductionRow(++number, values);
        return number % 256 != 0 || csv.ok();
    });
    return finishRecords(csv, queried, number, &CsvWriter::writeProductionFooter);
}

bool QSaveCSVThread::readRowViews(const QStringList& columns, const std::function<bool(const RowView&)>& row)
{
    if (!m_Chunks.isValid())
        return m_pDB->forEachRowView(m_Sql, columns, row);
    // Each row also brings its uid and time, where the next chunk continues;
    // the row function reads the leading columns only.
    const QStringList withKey = QStringList(columns)
        << StationSchema::keyColumn() << StationSchema::timeColumn();
    const int uidIndex = columns.size();
    const int timeIndex = columns.size() + 1;
    QString lastTime;
    qint64 lastUid = 0;
    bool stopped = false;
    for (bool first = true;; first = false) {
        int rows = 0;
        const BoundStatement sql = first ? m_Chunks.firstStatement(m_nChunkSize)
                                         : m_Chunks.nextStatement(lastTime, lastUid, m_nChunkSize);
        const qint64 previousUid = lastUid;
        bool repeated = false;
        const bool ok = m_pDB->forEachRowView(sql, withKey, [&](const RowView& values) {
            ++rows;
            // Keys are unique, so a chunk that starts at the last row again
            // did not move on: it would be read again forever.
            if (!first && rows == 1 && values.variant(uidIndex).toLongLong() == previousUid) {
                repeated = true;
                return false;
            }
            // Only the chunk's last row is where the next one continues.
            if (rows == m_nChunkSize) {
                lastUid = values.variant(uidIndex).toLongLong();
                lastTime = values.variant(timeIndex).toString();
            }
            if (!row(values)) {
                stopped = true;
                return false;
            }
            return true;
        });
        if (repeated) {
            m_ErrorString
                = QStringLiteral("export stopped: the chunk after row %1 did not advance").arg(previousUid);
            return false;
        }
        if (!ok)
            return false;
        if (stopped || rows < m_nChunkSize)
            return true;
    }
}

bool QSaveCSVThread::readRows(
    const QStringList& columns, const std::function<bool(const QVector<QVariant>&)>& row)
{
    // Another driver than SQLite's: the one statement, through Qt. A server's
    // read holds no lock against its writers, so the chunks' rows come in one.
    if (!m_pDB->hasRowViews()) {
        if (m_Chunks.isValid())
            return m_pDB->forEachRowValues(
                m_Chunks.inDialect(m_pDB->dialect()).allRowsStatement(), columns, row);
        return m_pDB->forEachRowValues(m_Sql, columns, row);
    }
    QVector<QVariant> values(columns.size());
    return readRowViews(columns, [&](const RowView& view) {
        for (int i = 0; i < values.size(); ++i)
            values[i] = view.variant(i);
        return row(values);
    });
}
