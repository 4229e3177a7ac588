#include "rangeworker.h"

#include "rangequery.h"

RangeWorker::RangeWorker(QObject* parent)
    : QObject(parent)
{
    // Ranges travel to the workers by queued signal.
    qRegisterMetaType<RangeQuery>("RangeQuery");
}
