#ifndef HXREPORT_H
#define HXREPORT_H

#include "oneshotthreads.h"
#include "pagecursor.h"
#include "pagehost.h"
#include "rangecontrols.h"
#include "shiftrecord.h"
#include "stationschema.h"
#include "stationshifts.h"
#include "ui_hxreport.h"
#include "waitingdialog.h"

#include <QDateTime>
#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QSqlQuery>
#include <QThread>
#include <QTime>
#include <QVariantMap>
#include <QVector>

#include <memory>

class AppContext;
class CheckData;
class CountChart;
class CountData;
class DetectDataDB;
class ExportRunner;
class ReportRunner;
class LogPage;
class ModelDB;
class PageIndex;
class ProductionPage;
class QualityPage;
class ServerSettings;
class QCompleter;
class QGridLayout;
class QReportWidget;
class QStandardItemModel;
class QTranslator;
class QVBoxLayout;
class StatisticsPage;
class WorkForDB;

// The viewer's main window: owns the widget tree, both database objects, the
// three worker threads, the waiting dialog and the statistics report widget,
// and holds one object per page (production records, log records, statistics)
// plus the exports, to which its slots hand the work. Every slot runs on the
// user-interface thread; work reaches the workers only through queued signals.
class hxReport : public QMainWindow, public PageHost
{
    Q_OBJECT
public:
    explicit hxReport(QWidget* parent = nullptr);
    // The window over a context main built (not owned; it outlives the window).
    explicit hxReport(AppContext* context, QWidget* parent = nullptr);
    ~hxReport() override;

    // Windows made after this read the plant server instead of the station
    // file (read only, as the viewer user); useStationFile() undoes it.
    static void usePlantServer(const ServerSettings& settings, const QString& password);
    static void useStationFile();
    static bool isOnPlantServer();

    using Paging = PageCursor;

    // Modal message box with "确认" (and "取消" when withCancel is 1); true when
    // "确认" was pressed.
    bool showMessageBox(QMessageBox::Icon icon, QString title, QString text, int withCancel) override;
    // Shows a modal waiting dialog and returns when sgFinish() is emitted: true
    // then, false when the wait ended because the application is quitting.
    bool waitForFinish(QString title) override;
    bool waitForFinishCancelable(
        const QString& title, const QString& activity, const std::function<void()>& cancel) override;

    void initLanguage(QString language);
    void loadTranslationDir(QString dirPath);
    void loadTranslationFile(QString filePath);

    void initPageValues();
    void fillModelCombo(QStringList models);

    void checkHistoryData(QString start, QString end, QString model);
    QString historySqlBase();
    void fillHistoryTable(QSqlQuery sql);
    void checkLogData(int kind, QString start, QString end);
    QString logSql(bool withCount);
    // Log class of the kind chosen in the page's combo box.
    LogClass logKind() const;
    void fillLogTable(QSqlQuery sql);
    void startCountQuery(QString time1, QString time2);
    bool writeCountCsv(QString fileName, const QMap<QString, int>* counts);
    void noteOperation(QString text) override;

    // Read access for the pages' state (tests and the benchmark drive the real
    // window and read what it holds).
    const Paging& productionPaging() const;
    const Paging& logPaging() const;
    // The station file's shifts, or on the server the whole plant's.
    QMap<QString, ShiftRecord> shiftMap() const { return m_Shifts.of(QString()); }
    const QMap<QString, int>& countMap() const { return m_countMap; }
    QStandardItemModel* productionModel() const { return m_pProdModel; }
    ProductionPage* productionPage() const { return m_pProductionPage.get(); }
    StatisticsPage* statisticsPage() const { return m_pStatisticsPage.get(); }
    QStandardItemModel* logModel() const { return m_pLogModel; }
    QReportWidget* reportWidget() const { return m_pReportWidget; }
    DetectDataDB* detectDataBase() const { return m_pDetectDB; }
    const QVector<QTranslator*>& translators() const { return m_translators; }
    // Whether one-shot query or export threads are still running.
    bool hasRunningQueries() const;

    // The file name the save dialog proposes, e.g. "History_2020_05_01.csv".
    static QString defaultCsvName(const QString& prefix);

signals:
    void sgSetCurrentIndex(int);
    void sgFinish();
    void operate(QString strTime, int ncount);
    void operateCount(QVariantMap m_Map);
    void operateHistory(QVariantMap m_map);
    void sgshowMsg();
    // A table page was filled (after a query result or a page request).
    void sgPageShown();
    // The full picture of a record was shown.
    void sgPictureShown();
    // A record export ended; ok is false when nothing complete was written.
    void sgExportDone(bool ok);
    // The plant server's stations, models and shifts were read (ok), or it
    // could not be read (the status bar says why).
    void sgServerRead(bool ok);

public slots:
    void SlotEditTime();
    void onCheckButton();
    void onHistoryButton();
    void onSetCurrentIndex(int nIndex);
    void onSaveCSVDone(int);
    void handleResults(QString str);
    void onShowMessage(QString str) override;
    void onProgressForTsk(QVariantMap m_map);
    void handleResultsHistory(QVariantMap Mapstr, QSqlQuery sql);
    void onShowMsg();
    void handleResultsCount(QString result, const QMap<QString, int>* p);
    void onLogButton();
    void onUpdateTableViewShow(QSqlQuery sql);
    void onUpdateTableViewShowlog(QSqlQuery sql);
    void onResultCountlog(int nCount);
    void onResultCount(int nCount);
    void SlotCombox(int index);
    void onSlowPixmap(QSqlQuery sql);
    void onTableViewClick(QModelIndex mIndex);

private slots:
    void onCountError(QString message);
    // The Cancel of the progress-driven waiting dialog: the request of the
    // worker that showed it stops.
    void onCancelWaiting();
    // A page's station choice: its shift box follows the station.
    void onStationChosen();
    void onCatalogRead();
    // The server settings over the window; saving them connects again.
    void openServerSettings();

private:
    void initConnections();
    void initPages();
    void showStatus(const QString& text) override;
    void startThread(QThread* thread, const char* signal, const char* slot) override;
    void startThread(QThread* thread, QObject* receiver, const char* signal, const char* slot) override;
    void pageShown() override;
    void pictureShown() override;
    void finishWait() override;
    void exportRecords(int nType);
    void exportStatistics();
    // Fills a page's shift box with the shifts of the station chosen in
    // station (the station file's or the plant's without one).
    void fillShiftBox(QComboBox* shifts, const QComboBox* station);
    // Sets up the server connection and reads the stations, models and
    // shifts on a thread of their own.
    void connectToServer(const ServerSettings& settings, const QString& password);
    // Settings from hubdetect.ini again, the password from the option file,
    // MYSQL_PWD or the user.
    void reconnectServer();
    QString serverName() const;

    Ui::hxReportClass ui;
    QReportWidget* m_pReportWidget = nullptr;
    QGridLayout* m_pReportLayout = nullptr;
    QVBoxLayout* m_pReportVBox = nullptr;
    QWidget* m_pReportContainer = nullptr;
    CountChart* m_pCountChart = nullptr; // in the report container
    QualityPage* m_pQualityPage = nullptr; // the fourth page, owned by the stacked widget
    QVector<QTranslator*> m_translators;
    QDateTime m_StatStart;
    QDateTime m_StatEnd;
    QDateTime m_ProdStart;
    QDateTime m_ProdEnd;
    QDateTime m_LogStart;
    QDateTime m_LogEnd;
    QTime m_StatStartTime;
    QTime m_StatEndTime;
    QTime m_DayStart;
    QTime m_DayEnd;
    StationShifts m_Shifts;
    QMap<QString, int> m_countMap;
    WorkForDB* m_pWorkForDB = nullptr;
    CountData* m_pCountData = nullptr;
    CheckData* m_pCheckData = nullptr;
    WaitingDialog m_WaitingDialog;
    bool m_bCounting = false;
    QCompleter* m_pModelCompleter = nullptr;
    QStandardItemModel* m_pProdModel = nullptr;
    QStandardItemModel* m_pLogModel = nullptr;
    AppContext* m_pContext; // its own child, or main's
    DetectDataDB* m_pDetectDB = nullptr; // the context's
    ModelDB* m_pModelDB = nullptr;
    PageIndex* m_pPageIndex = nullptr; // the context's
    QStringList m_Stations; // the plant server's, for the station choices
    QString m_ServerProblem; // why the server could not be read; empty when it was

    // The pages' state and logic; they hold the window's models and maps by
    // reference, so they are made after those and dropped before them.
    std::unique_ptr<ProductionPage> m_pProductionPage;
    std::unique_ptr<LogPage> m_pLogPage;
    std::unique_ptr<StatisticsPage> m_pStatisticsPage;
    std::unique_ptr<ExportRunner> m_pExport;
    ReportRunner* m_pReportRunner = nullptr;
    RangeControls m_Ranges;
    // The worker whose progress shows m_WaitingDialog.
    QPointer<QObject> m_pWaitingFor;
    OneShotThreads m_OneShotThreads;
};

#endif // HXREPORT_H
