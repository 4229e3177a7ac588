#ifndef REPORTBUILDER_H
#define REPORTBUILDER_H

#include "indexreader.h"
#include "shiftrecord.h"
#include "shiftreport.h"

#include <QDateTime>
#include <QMap>
#include <QString>

class DetectDataDB;
class QuickAnswers;

// What a shift report covers.
struct ReportRequest
{
    QDateTime start;
    QDateTime end;
    QString shift; // shown in the header only
    QString station; // on the plant server: one station, or empty for the plant
    QMap<QString, ShiftRecord> shifts;
};

// Gathers a ShiftReport from the code behind the pages, never from a second
// calculation: the statistics page's count worker (with the record index's
// answers when given), the quality page's analysis for the trend and each
// model's measurements, the log page's statement for the alarms, and the
// limits the user set on the quality page. Runs on the calling thread (the
// workers and threads it uses finish before build() returns); the database's
// connection of that thread is used.
class ReportBuilder
{
public:
    // At most this many alarm lines: one page of them.
    static const int AlarmLines = 40;

    // db: the opened station file or plant server (not owned). quick and
    // index: the record index's answers for the station file (may be null).
    explicit ReportBuilder(
        DetectDataDB* db, QuickAnswers* quick = nullptr, const IndexReader* index = nullptr);

    // The settings file holding the quality page's limits (none: no limits).
    void setSettingsFile(const QString& file) { m_SettingsFile = file; }

    bool build(const ReportRequest& request, ShiftReport* report);
    QString errorString() const { return m_Error; }

private:
    bool count(const ReportRequest& request, ShiftReport* report);
    bool analyse(const ReportRequest& request, const QString& model, QualityResult* result);
    bool readAlarms(const ReportRequest& request, ShiftReport* report);

    DetectDataDB* m_pDB;
    QuickAnswers* m_pQuick;
    bool m_bWithIndex = false;
    IndexReader m_Index;
    QString m_SettingsFile;
    QString m_Error;
};

#endif // REPORTBUILDER_H
