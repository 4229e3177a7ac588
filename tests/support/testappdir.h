#ifndef TESTAPPDIR_H
#define TESTAPPDIR_H

#include "stationsimulator.h"

#include <QTemporaryDir>
#include <QVariantList>

#include <functional>
#include <memory>

class QSqlDatabase;

// A temporary application directory for one test: AppPaths points at it while
// the object lives and is restored afterwards; the record index goes to a
// temporary folder of its own beside it (indexFolder()), never the user's. Fills it with generated data or
// with exact rows written the way the station writes them.
//
// Threads: use from the test's main thread. The writer (station()) keeps the
// detection file open until closeStation() or the destructor.
class TestAppDir
{
public:
    TestAppDir();
    ~TestAppDir();

    bool isValid() const { return m_Dir.isValid(); }
    QString path() const { return m_Dir.path(); }
    QString indexFolder() const { return m_IndexDir.path(); }
    QString detectionDatabase() const; // AppPaths::detectionDatabase()
    QString modelDatabase() const; // AppPaths::modelDatabase()

    // Options for this directory: the simulator's defaults with the given
    // counts and small thumbnails.
    StationSimulator::Options options(int records, int logs = 0) const;
    // Replaces the databases with generated ones.
    bool generate(const StationSimulator::Options& options);
    bool generate(int records, int logs = 0) { return generate(options(records, logs)); }

    // Writer of exact rows (creates the detection file with its tables on
    // first use); see StationSimulator::addDetection(), addLog(), addShift(),
    // writeModels().
    StationSimulator& station();
    void closeStation();

    // Direct access to a file on a private connection, outside the code under
    // test: work() on a connection that is gone afterwards (a read-only one
    // cannot change the file whatever work does), the first column of every
    // row (read-only; empty on failure), or whether a statement (or several,
    // separated by ';') ran.
    static bool withConnection(
        const QString& file, bool readOnly, const std::function<bool(QSqlDatabase&)>& work);
    static QVariantList firstColumn(const QString& file, const QString& sql);
    static bool exec(const QString& file, const QString& sql);

private:
    Q_DISABLE_COPY(TestAppDir)

    QTemporaryDir m_Dir;
    QTemporaryDir m_IndexDir;
    QString m_PreviousDir;
    QString m_PreviousIndexFolder;
    std::unique_ptr<StationSimulator> m_Station;
};

#endif // TESTAPPDIR_H
