#ifndef QUALITYPAGE_H
#define QUALITYPAGE_H

#include "indexreader.h"
#include "qualityanalysis.h"
#include "qualitytables.h"
#include "rangecontrols.h"
#include "shiftrecord.h"
#include "stationshifts.h"

#include <QDateTime>
#include <QMap>
#include <QWidget>

#include <memory>

class DataBaseSql;
class PageHost;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class QualityThread;
class TrendTableModel;
namespace QtCharts {
class QChartView;
}

// The quality analysis page: a time range and shift as on the other pages,
// a model, and two views of one pass over the records: the trend of hubs and
// NG rate per period, and the measured columns with histograms and the limits
// the user types. The pass runs on a thread of its own while the waiting
// dialog shows; each view exports its table as CSV and its chart as PNG.
// UI thread only.
class QualityPage : public QWidget
{
    Q_OBJECT
public:
    // shifts: the window's, of the station file or of each station of the
    // plant; the page takes those of the station it shows.
    QualityPage(
        PageHost* host, const QString& stationPath, const StationShifts* shifts, QWidget* parent = nullptr);
    ~QualityPage() override;

    // The models of the template database, after "全部".
    void setModels(const QStringList& models);
    // The shift choice: "全天" and the shifts of the station chosen (of the
    // whole plant or the station file without one).
    void fillShifts();
    // Asks the index first from now on.
    void setIndexReader(const IndexReader& reader);
    // Reads the plant archive through plant instead of a station file, with a
    // station choice ("全部", then stations) beside the model choice.
    void setPlantServer(const DataBaseSql* plant, const QStringList& stations);

    // The last result shown (empty before the first).
    const QualityResult& result() const { return m_Result; }
    bool hasResult() const { return m_bHasResult; }
    const MeasureLimits& limits(int measure) const { return m_Limits[measure]; }

    // The page's buttons, also for tests and screenshots.
    void query();
    bool exportTrendCsv(const QString& fileName);
    bool exportMeasureCsv(const QString& fileName);
    bool exportTrendPng(const QString& fileName);
    bool exportMeasurePng(const QString& fileName);

signals:
    // A result was shown.
    void sgShown();
    // An export ended; ok is false when no complete file was written.
    void sgExportDone(bool ok);

private slots:
    void onEditTime();
    void onShiftChosen();
    void onStationChosen();
    void onExport();
    void onLimitsEdited();
    void showHistogram();

private:
    QWidget* buildControls();
    QWidget* buildTrendTab();
    QWidget* buildMeasureTab();
    void showResult();
    void showTrendChart();
    void fillMeasureTable();
    QString titleOf(const QString& view) const;
    static QString askFileName(const QString& defaultName, bool png);

    PageHost* m_pHost;
    QString m_StationPath;
    const StationShifts* m_pShifts;
    bool m_bWithIndex = false;
    IndexReader m_Index;
    const DataBaseSql* m_pPlant = nullptr;
    QComboBox* m_pStation = nullptr; // on the plant archive only
    RangeControls m_Ranges;
    QDateTime m_Start;
    QDateTime m_End;
    bool m_bBusy = false;
    std::unique_ptr<QualityThread> m_pThread;
    QualityResult m_Result;
    bool m_bHasResult = false;
    MeasureLimits m_Limits[QualityAnalysis::MeasureCount];

    QGridLayout* m_pGrid = nullptr;
    QLabel* m_pTime1 = nullptr;
    QLabel* m_pTime2 = nullptr;
    QComboBox* m_pShift = nullptr;
    QComboBox* m_pModel = nullptr;
    QComboBox* m_pSize = nullptr;
    QTabWidget* m_pTabs = nullptr;
    QtCharts::QChartView* m_pTrendChart = nullptr;
    QTableView* m_pTrendTable = nullptr;
    TrendTableModel* m_pTrendModel = nullptr;
    QLabel* m_pTrendInfo = nullptr;
    QComboBox* m_pMeasure = nullptr;
    QLineEdit* m_pLower = nullptr;
    QLineEdit* m_pUpper = nullptr;
    QtCharts::QChartView* m_pMeasureChart = nullptr;
    QTableView* m_pMeasureTable = nullptr;
    QStandardItemModel* m_pMeasureModel = nullptr;
};

#endif // QUALITYPAGE_H
