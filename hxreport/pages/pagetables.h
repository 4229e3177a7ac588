#ifndef PAGETABLES_H
#define PAGETABLES_H

#include <QMap>
#include <QString>

class QByteArray;
class QReportWidget;
class QSqlQuery;
class QStandardItemModel;

// The tables the production, log and statistics pages show, made from a
// result into the models the window keeps. No view, label or page is needed,
// so that the tables are filled and checked without a window. UI thread only
// (the thumbnails are pixmaps).
class PageTables
{
public:
    // The production table's hidden column with each row's key (id on the
    // plant server, uid in a station file), which a picture request names.
    static const int UidColumn = 7;
    // The plant server's rows of every station: which station each is from.
    static const int StationColumn = 8;

    // Empties model and fills it with the production records of sql (before
    // its first row), in their order; the station column too when
    // withStation and the rows have one. Returns the rows; the last row's
    // stored picture goes to lastPicture (may be null).
    static int fillProduction(
        QStandardItemModel* model, QSqlQuery& sql, bool withStation, QByteArray* lastPicture = nullptr);
    // Empties model and fills it with the log records of sql: time, message.
    static int fillLog(QStandardItemModel* model, QSqlQuery& sql);
    // Shows a count below report's title: each model's count in model order,
    // "NG" with 0 when no record is NG, then the total.
    static void showCounts(QReportWidget* report, const QMap<QString, int>& counts, int total);
};

#endif // PAGETABLES_H
