#ifndef SHOWNQUERY_H
#define SHOWNQUERY_H

#include <QString>

// The query whose title and total a paged page shows: its later pages
// continue it even after the filter widgets changed. all means every model
// (production page); kind is the log class (log page).
struct ShownQuery
{
    QString start;
    QString end;
    QString model;
    bool all = true;
    int kind = 0;
    QString station; // on the plant server; empty for every station
};

#endif // SHOWNQUERY_H
