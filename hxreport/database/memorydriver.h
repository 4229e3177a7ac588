#ifndef MEMORYDRIVER_H
#define MEMORYDRIVER_H

#include <QSqlDriver>

// The driver that detached results report as theirs. QSqlQuery asks its
// result's driver for features (size()) and for a fresh result (clear()), so a
// detached result needs one; this one never connects anywhere.
//
// Threads: one process-wide instance without thread affinity; every member is
// const and stateless, so any thread may use it.
class MemoryDriver : public QSqlDriver
{
    Q_OBJECT
public:
    static const MemoryDriver* instance();

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString& db, const QString& user, const QString& password, const QString& host, int port,
        const QString& options) override;
    void close() override;
    QSqlResult* createResult() const override;

private:
    MemoryDriver();
};

#endif // MEMORYDRIVER_H
