#ifndef MEMORYRESULT_H
#define MEMORYRESULT_H

#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QVariant>
#include <QVector>

// A finished statement's outcome held in memory: all rows of a select with its
// column names, or the error of a failed statement. Wrapped in a QSqlQuery it
// reads like a live random-access select (next, previous, seek, value by index
// or name, record, size) but touches no connection, so the query may be handed
// to and read in another thread and copied freely. It cannot run statements.
class MemoryResult : public QSqlResult
{
public:
    explicit MemoryResult(const QSqlDriver* driver);

    // An active result over the given rows, positioned before the first one.
    // Each row holds record.count() values. A statement that is no select has
    // no rows and reports rowsAffected instead.
    static QSqlQuery detachedQuery(const QString& sql, bool isSelect, const QSqlRecord& record,
        const QVector<QVector<QVariant>>& rows, int rowsAffected, const QVariant& lastInsertId);
    // An inactive result that carries the statement's error.
    static QSqlQuery failedQuery(const QString& sql, const QSqlError& error);

protected:
    QVariant data(int index) override;
    bool isNull(int index) override;
    bool reset(const QString& sql) override;
    bool fetch(int row) override;
    bool fetchFirst() override;
    bool fetchLast() override;
    int size() override;
    int numRowsAffected() override;
    QSqlRecord record() const override;
    QVariant lastInsertId() const override;

private:
    QSqlRecord m_Record; // column names and types, no values
    QVector<QVector<QVariant>> m_Rows;
    int m_RowsAffected = -1;
    QVariant m_LastInsertId;
};

#endif // MEMORYRESULT_H
