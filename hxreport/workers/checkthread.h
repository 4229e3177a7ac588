#ifndef CHECKTHREAD_H
#define CHECKTHREAD_H

#include "cancelflag.h"
#include <QSqlQuery>

#include <QThread>

#include "rangequery.h"

class DetectDataDB;
class QuickAnswers;

// What a run hands back besides the rows.
enum class CheckMode
{
    Rows = 0, // the rows only; the count reported is 0
    Count = 1, // the statement yields a count: read it
};

// Runs one statement on a thread of its own, reports and is deleted by its
// owner's deleteLater() connection. Never reused.
class CheckThread : public QThread
{
    Q_OBJECT
public:
    explicit CheckThread(QObject* parent = nullptr);

    // Must be called before start(); db is not owned.
    void setQuery(DetectDataDB* db, QString sql);
    void setMode(CheckMode mode);
    // The window's numbering of CheckMode.
    void setMode(int mode);
    // The page a range carries (RangeQuery::page(); the range's count in
    // count mode), run instead of the statement text, in the database's engine.
    void setRange(const RangeQuery& range);
    // The picture of the range's record with this key, the same way.
    void setPicture(const RangeQuery& range, qint64 key);
    // Asked first for a range's page (not owned; may be null).
    void setQuickAnswers(QuickAnswers* quick) { m_pQuick = quick; }

    // Stops the thread's statement (any thread may call it); the results then
    // report the failure.
    void cancel() { m_Cancel.cancel(); }

signals:
    // Emitted before the two results when the statement failed (a count of 0
    // then means nothing): the driver's reason.
    void failed(QString reason);
    // Always emitted, in this order, at the end of every run.
    void resultReady(QSqlQuery sql);
    void resultCount(int nCount);

protected:
    void run() override;

private:
    DetectDataDB* m_pDB = nullptr;
    CancelFlag m_Cancel;
    QString m_Sql;
    RangeQuery m_Range;
    bool m_bPicture = false;
    qint64 m_nPictureKey = -1;
    CheckMode m_Mode = CheckMode::Rows;
    QuickAnswers* m_pQuick = nullptr;
};

#endif // CHECKTHREAD_H
