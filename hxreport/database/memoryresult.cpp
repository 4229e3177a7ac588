#include "memoryresult.h"

#include "memorydriver.h"

#include <QSqlError>
#include <QSqlQuery>

MemoryResult::MemoryResult(const QSqlDriver* driver)
    : QSqlResult(driver)
{
}

QSqlQuery MemoryResult::detachedQuery(const QString& sql, bool isSelect, const QSqlRecord& record,
    const QVector<QVector<QVariant>>& rows, int rowsAffected, const QVariant& lastInsertId)
{
    auto* result = new MemoryResult(MemoryDriver::instance());
    result->setQuery(sql);
    result->m_Record = record;
    result->m_Record.clearValues();
    result->m_Rows = rows;
    result->m_RowsAffected = rowsAffected;
    result->m_LastInsertId = lastInsertId;
    result->setSelect(isSelect);
    result->setActive(true);
    result->setAt(QSql::BeforeFirstRow);
    return QSqlQuery(result);
}

QSqlQuery MemoryResult::failedQuery(const QString& sql, const QSqlError& error)
{
    auto* result = new MemoryResult(MemoryDriver::instance());
    result->setQuery(sql);
    result->setLastError(error);
    return QSqlQuery(result);
}

QVariant MemoryResult::data(int index)
{
    const int row = at();
    if (row < 0 || row >= m_Rows.size() || index < 0 || index >= m_Rows.at(row).size())
        return QVariant();
    return m_Rows.at(row).at(index);
}

bool MemoryResult::isNull(int index)
{
    return data(index).isNull();
}

bool MemoryResult::reset(const QString&)
{
    setLastError(QSqlError(
        QStringLiteral("Detached results cannot run statements"), QString(), QSqlError::StatementError));
    return false;
}

bool MemoryResult::fetch(int row)
{
    if (!isActive() || row < 0 || row >= m_Rows.size())
        return false;
    setAt(row);
    return true;
}

bool MemoryResult::fetchFirst()
{
    return fetch(0);
}

bool MemoryResult::fetchLast()
{
    return fetch(m_Rows.size() - 1);
}

int MemoryResult::size()
{
    return isSelect() ? m_Rows.size() : -1;
}

int MemoryResult::numRowsAffected()
{
    return m_RowsAffected;
}

QSqlRecord MemoryResult::record() const
{
    return m_Record;
}

QVariant MemoryResult::lastInsertId() const
{
    return m_LastInsertId;
}
