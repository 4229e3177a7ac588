#include "memorydriver.h"

#include "memoryresult.h"

MemoryDriver::MemoryDriver()
{
    // Created in whichever thread first needs it; belongs to none so that no
    // thread's end or event loop matters to it.
    moveToThread(nullptr);
}

const MemoryDriver* MemoryDriver::instance()
{
    static MemoryDriver driver;
    return &driver;
}

bool MemoryDriver::hasFeature(DriverFeature feature) const
{
    switch (feature) {
    case QuerySize:
    case BLOB:
    case Unicode:
    case LastInsertId:
        return true;
    default:
        return false;
    }
}

bool MemoryDriver::open(const QString&, const QString&, const QString&, const QString&, int, const QString&)
{
    return false;
}

void MemoryDriver::close() { }

QSqlResult* MemoryDriver::createResult() const
{
    return new MemoryResult(this);
}
