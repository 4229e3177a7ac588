#ifndef LOGRECORD_H
#define LOGRECORD_H

#include <QString>

// One row of warningtable. logClass is the decimal class text: "1" alarm,
// "4" running state, "5" usage.
struct LogRecord
{
    QString message;
    QString time; // "yyyy-MM-dd hh:mm:ss"
    QString logClass;
};

#endif // LOGRECORD_H
