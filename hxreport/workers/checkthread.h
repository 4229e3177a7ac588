#ifndef CHECKTHREAD_H
#define CHECKTHREAD_H

#include <QSqlQuery>
#include <QThread>

class DetectDataDB;

// Runs one statement on a thread of its own, reports and is deleted by its
// owner's deleteLater() connection. Never reused.
class CheckThread : public QThread
{
    Q_OBJECT
public:
    explicit CheckThread(QObject* parent = nullptr);

    // Must be called before start(); db is not owned.
    void setQuery(DetectDataDB* db, QString sql);
    // 0: hand back the rows; 1: the statement yields a count, read it.
    void setMode(int mode);

signals:
    // Always emitted, in this order, at the end of every run.
    void resultReady(QSqlQuery sql);
    void resultCount(int nCount);

protected:
    void run() override;

private:
    DetectDataDB* m_pDB = nullptr;
    QString m_Sql;
    int m_nMode = 0;
};

#endif // CHECKTHREAD_H
