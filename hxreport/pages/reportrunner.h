#ifndef REPORTRUNNER_H
#define REPORTRUNNER_H

#include "exportrunner.h"
#include "indexreader.h"
#include "reportbuilder.h"
#include "shiftreport.h"
#include "stationshifts.h"

#include <QObject>

class DetectDataDB;
class PageHost;
class QComboBox;
class QLabel;
class QPushButton;
class QuickAnswers;

// The statistics page's controls a report takes its range, shift and station from.
struct ReportWidgets
{
    QLabel* start = nullptr;
    QLabel* end = nullptr;
    QComboBox* shift = nullptr;
    QComboBox* station = nullptr; // on the plant server only
};

// The window's "生成报表" button: the shift report of the statistics page's
// range and shift, gathered on a thread of its own while the waiting dialog
// shows, then previewed, printed or saved as PDF through the exports' save
// dialog. UI thread only.
class ReportRunner : public QObject
{
    Q_OBJECT
public:
    // db, quick and the shifts are the window's (not owned); index: the
    // record index's reader for the station file, null on the plant server.
    ReportRunner(PageHost* host, DetectDataDB* db, QuickAnswers* quick, const IndexReader* index,
        const StationShifts* shifts, const ReportWidgets& widgets, QObject* parent = nullptr);

    // The button with its menu (preview, print, save as PDF), made once.
    QPushButton* button();

    // The menu's three entries, also for tests.
    bool preview();
    bool print();
    ExportRunner::Outcome savePdf();

    // The name the save dialog proposes, e.g. "Report_2020_05_01.pdf".
    static QString defaultPdfName();

private:
    // The report of the controls' range; false (and said) when there is none.
    bool gather(ShiftReport* report);

    PageHost* m_pHost;
    DetectDataDB* m_pDB;
    QuickAnswers* m_pQuick;
    bool m_bWithIndex = false;
    IndexReader m_Index;
    const StationShifts* m_pShifts;
    ReportWidgets m_W;
    QPushButton* m_pButton = nullptr;
    bool m_bBusy = false;
};

#endif // REPORTRUNNER_H
