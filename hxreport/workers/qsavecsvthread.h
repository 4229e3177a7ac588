#ifndef QSAVECSVTHREAD_H
#define QSAVECSVTHREAD_H

#include "cancelflag.h"
#include "exportquery.h"

#include <QString>
#include <QStringList>
#include <QThread>
#include <QVariant>
#include <QVector>

#include <functional>

class CsvWriter;
class RowView;

// What an export writes; the numbers are those of setTask() and resultReady().
enum class ExportType
{
    Production = 0,
    Log = 1,
};

class DetectDataDB;
class QDateTime;
class QIODevice;

// Exports all rows of one statement to a CSV file on a thread of its own.
// Rows stream from the database to the file; nothing is collected first. The
// file appears only when the export is complete: a failed or interrupted export
// leaves no partial file behind (and an existing file as it was).
class QSaveCSVThread : public QThread
{
    Q_OBJECT
public:
    explicit QSaveCSVThread(QObject* parent = nullptr);

    // Must be called before start(). nType 0: production records, 1: log
    // records, anything else writes nothing. db is not owned.
    void setTask(DetectDataDB* db, QString sql, QString fileName, int nType);
    // The same without a statement: setChunks() gives the rows.
    void setTask(DetectDataDB* db, const QString& fileName, ExportType type);
    void setHeader(QString title, QString user);
    // Reads the rows in chunks instead of running the task's statement once
    // (see ExportQuery); the rows and their order are the same. chunkSize 0
    // takes defaultChunkSize().
    void setChunks(const ExportQuery& query, int chunkSize = 0);
    // With chunks, the title is made from the number of records the file
    // will hold (counted when the export starts), so that title, rows and
    // total describe the same records while the station writes. Called on the
    // export's thread.
    void setTitleOfCount(std::function<QString(int)> title) { m_TitleOfCount = std::move(title); }

    // The chunk size of exports that set none; DefaultChunkSize unless set.
    // Tests make it small to run many chunks over few rows. Any thread.
    static const int DefaultChunkSize = 5000;
    static int defaultChunkSize();
    static void setDefaultChunkSize(int rows);

    // Valid once resultReady() was emitted.
    bool succeeded() const { return m_bSucceeded; }
    QString errorString() const { return m_ErrorString; }
    int rowsWritten() const { return m_nRows; }
    // Characters the file's code page lacks, written as <U+XXXX>.
    int replacedCharacters() const { return m_nReplaced; }

    // Write the whole file's content to an open device; false when the query
    // failed or the device reported an error (the message in errorString()).
    bool writeProduction(QIODevice* device);
    bool writeLog(QIODevice* device);

    // Stops the export (any thread may call it): it fails, and no file is
    // written.
    void cancel() { m_Cancel.cancel(); }
    bool wasCancelled() const { return m_Cancel.isCancelled(); }

signals:
    void resultReady(int nType);

protected:
    void run() override;

private:
    bool writeProductionCsv();
    bool writeLogCsv();
    bool writeFile(bool (QSaveCSVThread::*write)(QIODevice*));
    // Bounds the chunks by the last key present now, and counts them for the
    // title; false when a statement failed.
    bool fixEnd();
    // Streams the given columns of every row to row() until it returns false;
    // false when a statement failed.
    bool readRows(const QStringList& columns, const std::function<bool(const QVector<QVariant>&)>& row);
    // The end of a record file: the errors of writing or reading, else the
    // footer; records how many rows were written.
    bool finishRecords(CsvWriter& csv, bool queried, int number,
        void (CsvWriter::*footer)(int, const QString&, const QDateTime&));
    bool readRowViews(const QStringList& columns, const std::function<bool(const RowView&)>& row);
    bool writeProductionViews(QIODevice* device);
    bool writeRecords(QIODevice* device, const QStringList& columns,
        void (CsvWriter::*header)(const QString&), void (CsvWriter::*row)(int, const QVector<QVariant>&),
        void (CsvWriter::*footer)(int, const QString&, const QDateTime&));

    int m_nType = -1;
    DetectDataDB* m_pDB = nullptr;
    QString m_Sql;
    QString m_FileName;
    QString m_Title;
    QString m_User;
    ExportQuery m_Chunks;
    std::function<QString(int)> m_TitleOfCount;
    int m_nChunkSize = DefaultChunkSize;
    CancelFlag m_Cancel;
    bool m_bSucceeded = false;
    QString m_ErrorString;
    int m_nRows = 0;
    int m_nReplaced = 0;
};

#endif // QSAVECSVTHREAD_H
