#ifndef STATIONSIMULATOR_H
#define STATIONSIMULATOR_H

#include <QByteArray>
#include <QDateTime>
#include <QRandomGenerator>
#include <QSize>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <atomic>
#include <memory>

class DetectDataDB;

// Stands in for the detection station: writes wheelhubwf.db and
// pattern/modelTemplate.db below an application directory the way the station
// does, through DetectDataDB's own write operations.
//
// Threads: one object is used from one thread at a time; its database object
// is made in the thread that writes first and must be closed (close() or the
// destructor) in that thread. requestStop() alone may be called from any thread.
//
// The database path is spelled "<dir>/./wheelhubwf.db": a connection name of
// its own, so that a viewer object on the same file in the same process
// (named by the plain path) never replaces the simulator's connection.
class StationSimulator
{
public:
    struct Options
    {
        QString appDir;
        int records = 5000;
        int days = 30;
        // Last moment of the generated range; fixed so that output repeats.
        QDateTime endTime { QDate(2024, 6, 30), QTime(23, 59, 59) };
        quint32 seed = 1;
        QStringList models { QStringLiteral("A1"), QStringLiteral("B2"), QStringLiteral("C3"),
            QStringLiteral("D4") };
        int ngPercent = 5; // share of records whose model is "NG"
        int logs = 500; // classes 1, 4 and 5
        QSize imageSize { 64, 64 };
        QByteArray format = "JPEG"; // or "PNG"
        int imagesPerModel = 6; // pre-rendered variants reused across records
        int batchSize = 2000; // records per transaction
    };

    struct LiveReport
    {
        int writes = 0; // transactions attempted
        int failedWrites = 0; // inserts or commits that failed
        qint64 longestWaitMs = 0; // slowest transaction, begin to commit
    };

    explicit StationSimulator(const Options& options);
    ~StationSimulator();

    static QString detectionPath(const QString& appDir);
    static QString modelPath(const QString& appDir);

    // Replaces both files with freshly generated ones: the model list, the two
    // shifts, options.records records and options.logs log records with
    // ascending times ending at options.endTime. Deterministic for a seed.
    bool generate();
    int recordsWritten() const { return m_RecordsWritten; }
    int logsWritten() const { return m_LogsWritten; }
    QString errorString() const { return m_Error; }

    // Writes the model template file with exactly these names, in this order.
    bool writeModels(const QStringList& models);
    // Exact rows for tests; each goes to the file at once (autocommit).
    bool addDetection(const QString& time, const QString& model, double correlate, const QString& detecttime,
        int diameter, int hight, const QByteArray& pic = QByteArray(), int channel = 1);
    bool addLog(const QString& time, const QString& message, int logClass);
    bool addShift(
        const QString& name, const QTime& start, const QTime& end, int startType = 0, int endType = 0);

    // Appends records (and about one log record per ten) at ratePerSecond, one
    // small transaction each, stamped with the current time, until seconds have
    // passed (0: until requestStop()). Counts failed writes and the longest wait.
    LiveReport runLive(double ratePerSecond, int seconds);
    void requestStop() { m_StopRequested = true; }

    // A drawn hub thumbnail encoded in options.format.
    QByteArray renderImage(const QString& model, int variant) const;

    // The object's open database; made on first use in the calling thread.
    DetectDataDB* database();
    void close();

private:
    Q_DISABLE_COPY(StationSimulator)

    struct ModelProfile
    {
        QString name;
        int diameter = 0;
        int hight = 0;
        QVector<QByteArray> images;
    };

    QVector<ModelProfile> modelProfiles(QRandomGenerator& random) const;
    QVariantMap randomRecord(
        QRandomGenerator& random, const ModelProfile& profile, const QDateTime& time) const;
    bool writeModelTable(const QVector<ModelProfile>& profiles);
    bool writeRecords(QRandomGenerator& random, const QVector<ModelProfile>& profiles);
    bool writeLogs(QRandomGenerator& random);
    bool fail(const QString& error);

    Options m_Options;
    std::unique_ptr<DetectDataDB> m_Db;
    std::atomic_bool m_StopRequested { false };
    int m_RecordsWritten = 0;
    int m_LogsWritten = 0;
    QString m_Error;
};

#endif // STATIONSIMULATOR_H
