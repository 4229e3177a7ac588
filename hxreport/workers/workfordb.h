#ifndef WORKFORDB_H
#define WORKFORDB_H

#include <QObject>
#include <QString>

class DetectDataDB;

// Database maintenance: deletes old records and trims two log classes. Wired
// to the window's operate() signal, which the viewer never emits: the viewer
// writes nothing into the station's data.
class WorkForDB : public QObject
{
    Q_OBJECT
public:
    explicit WorkForDB(QObject* parent = nullptr);

    // Not owned; set once before the thread starts.
    void setDataBase(DetectDataDB* db);

signals:
    void resultReady(QString str);

public slots:
    void doWork(QString strTime, int ncount);

private:
    DetectDataDB* m_pDB = nullptr;
};

#endif // WORKFORDB_H
