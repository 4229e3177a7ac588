#include "qsavecsvthread.h"

#include "csvwriter.h"
#include "detectdatadb.h"

#include <QDateTime>
#include <QSaveFile>
#include <QSqlRecord>

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

void QSaveCSVThread::setHeader(QString title, QString user)
{
    m_Title = title;
    m_User = user;
}

void QSaveCSVThread::setChunks(const ExportQuery& query, int chunkSize)
{
    m_Chunks = query;
    m_nChunkSize = qMax(1, chunkSize);
}

void QSaveCSVThread::run()
{
    m_bSucceeded = false;
    m_ErrorString.clear();
    m_nRows = 0;
    if (m_nType == 0)
        m_bSucceeded = writeProductionCsv();
    else if (m_nType == 1)
        m_bSucceeded = writeLogCsv();
    else
        m_ErrorString = QStringLiteral("unknown export type %1").arg(m_nType);
    emit resultReady(m_nType);
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
    m_nRows = number;
    if (!csv.ok()) {
        m_ErrorString = csv.errorString();
        return false;
    }
    if (!queried) {
        m_ErrorString = m_pDB->lastError().text();
        return false;
    }
    (csv.*footer)(number, m_User, QDateTime::currentDateTime());
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
    m_nRows = number;
    if (!csv.ok()) {
        m_ErrorString = csv.errorString();
        return false;
    }
    if (!queried) {
        m_ErrorString = m_pDB->lastError().text();
        return false;
    }
    csv.writeProductionFooter(number, m_User, QDateTime::currentDateTime());
    if (!csv.ok()) {
        m_ErrorString = csv.errorString();
        return false;
    }
    return true;
}

bool QSaveCSVThread::readRowViews(const QStringList& columns, const std::function<bool(const RowView&)>& row)
{
    if (!m_Chunks.isValid())
        return m_pDB->forEachRowView(m_Sql, columns, row);
    // As readRows(): each chunk continues after the last row's (time, uid).
    const QStringList withKey = QStringList(columns) << QStringLiteral("uid") << QStringLiteral("time");
    const int uidIndex = columns.size();
    const int timeIndex = columns.size() + 1;
    QString lastTime;
    qint64 lastUid = 0;
    bool stopped = false;
    for (bool first = true;; first = false) {
        int rows = 0;
        bool last = false;
        const QString sql
            = first ? m_Chunks.firstChunk(m_nChunkSize) : m_Chunks.nextChunk(lastTime, lastUid, m_nChunkSize);
        const bool ok = m_pDB->forEachRowView(sql, withKey, [&](const RowView& values) {
            ++rows;
            last = rows == m_nChunkSize;
            // Only the chunk's last row is where the next one continues.
            if (last) {
                lastUid = values.variant(uidIndex).toLongLong();
                lastTime = values.variant(timeIndex).toString();
            }
            if (!row(values)) {
                stopped = true;
                return false;
            }
            return true;
        });
        if (!ok)
            return false;
        if (stopped || rows < m_nChunkSize)
            return true;
    }
}

bool QSaveCSVThread::readRows(
    const QStringList& columns, const std::function<bool(const QVector<QVariant>&)>& row)
{
    if (!m_Chunks.isValid())
        return m_pDB->forEachRowValues(m_Sql, columns, row);
    // Each row also brings its uid and time, where the next chunk continues;
    // the row function reads the leading columns only.
    const QStringList withKey = QStringList(columns) << QStringLiteral("uid") << QStringLiteral("time");
    const int uidIndex = columns.size();
    const int timeIndex = columns.size() + 1;
    QString lastTime;
    qint64 lastUid = 0;
    bool stopped = false;
    for (bool first = true;; first = false) {
        int rows = 0;
        const QString sql
            = first ? m_Chunks.firstChunk(m_nChunkSize) : m_Chunks.nextChunk(lastTime, lastUid, m_nChunkSize);
        const bool ok = m_pDB->forEachRowValues(sql, withKey, [&](const QVector<QVariant>& values) {
            ++rows;
            lastUid = values.at(uidIndex).toLongLong();
            lastTime = values.at(timeIndex).toString();
            if (!row(values)) {
                stopped = true;
                return false;
            }
            return true;
        });
        if (!ok)
            return false;
        if (stopped || rows < m_nChunkSize)
            return true;
    }
}
