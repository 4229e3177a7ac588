#ifndef EXPORTRUNNER_H
#define EXPORTRUNNER_H

#include <QCoreApplication>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <functional>

class DetectDataDB;
class ExportQuery;
class PageHost;
class QSaveCSVThread;
class QStandardItemModel;

// The pages' CSV exports: the save dialog, the record export on its own
// thread while a modal wait runs, the statistics file, and the messages that
// close them. UI thread only.
class ExportRunner
{
public:
    enum class Outcome
    {
        NotStarted, // nothing to export, the dialog was cancelled, or the window closed meanwhile
        Written,
        Failed,
        Cancelled // by the user; no file was written
    };

    ExportRunner(PageHost* host, DetectDataDB* db);

    // The file name the save dialog proposes, e.g. "History_2020_05_01.csv".
    static QString defaultCsvName(const QString& prefix);
    // filter: the dialog's file types (the report is a PDF).
    static QString askSaveFileName(
        const QString& defaultName, const QString& filter = QStringLiteral("Execl(*.csv)"));

    // A record file of the rows the model shows: the records of chunks, read
    // in keyset chunks and written by a QSaveCSVThread whose end goes to the
    // window's onSaveCSVDone(int). nType 0 is the production file, 1 the log.
    // The title is made from the number of records written (see
    // QSaveCSVThread::setTitleOfCount).
    Outcome exportRecords(const QStandardItemModel* shown, int nType, std::function<QString(int)> title,
        const ExportQuery& chunks);
    // "数据导出完成" and beneath it the file written, and how many characters
    // the code page lacks (written as <U+XXXX>) when there were any.
    static QString doneMessage(const QString& fileName, int replaced = 0);
    // The window's onSaveCSVDone(int) hands its sender over.
    void noteRecordsDone(const QSaveCSVThread* thread);
    // The statistics block of counts over [start, end], of one station of the
    // plant server when station is not empty.
    Outcome exportStatistics(const QMap<QString, int>& counts, const QDateTime& start, const QDateTime& end,
        const QString& station = QString());
    // Replace writes a new file through QSaveFile (an old one stays whole on
    // failure); otherwise the block is added at the end of the file.
    bool writeCountFile(const QString& fileName, const QMap<QString, int>* counts, const QDateTime& start,
        const QDateTime& end, bool replace, const QString& station = QString());

    QString errorString() const { return m_ErrorString; }

private:
    Outcome closeWith(bool ok, const QString& fileName);

    PageHost* m_pHost;
    DetectDataDB* m_pDB;
    bool m_bRecordsOk = false;
    int m_nReplaced = 0;
    QString m_ErrorString;
};

#endif // EXPORTRUNNER_H
