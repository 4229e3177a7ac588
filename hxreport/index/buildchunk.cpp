#include "buildchunk.h"

#include <sqlite3.h>

void BuildChunk::setCell(Cell* cell, sqlite3_value* value)
{
    cell->type = sqlite3_value_type(value);
    switch (cell->type) {
    case SQLITE_INTEGER:
        cell->integer = sqlite3_value_int64(value);
        break;
    case SQLITE_FLOAT:
        cell->real = sqlite3_value_double(value);
        break;
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        const void* bytes = cell->type == SQLITE_TEXT ? static_cast<const void*>(sqlite3_value_text(value))
                                                      : sqlite3_value_blob(value);
        cell->size = sqlite3_value_bytes(value);
        cell->offset = m_Arena.size();
        if (cell->size > 0)
            m_Arena.append(static_cast<const char*>(bytes), cell->size);
        break;
    }
    default:
        cell->integer = 0;
        break;
    }
}

void BuildChunk::setText(Record* record, const QByteArray& tx)
{
    record->txOffset = m_Arena.size();
    record->txSize = tx.size();
    m_Arena.append(tx);
}

void BuildChunk::result(sqlite3_context* context, const Cell& cell) const
{
    switch (cell.type) {
    case SQLITE_INTEGER:
        sqlite3_result_int64(context, cell.integer);
        break;
    case SQLITE_FLOAT:
        sqlite3_result_double(context, cell.real);
        break;
    case SQLITE_TEXT:
        sqlite3_result_text(context, m_Arena.constData() + cell.offset, cell.size, SQLITE_STATIC);
        break;
    case SQLITE_BLOB:
        sqlite3_result_blob(context, m_Arena.constData() + cell.offset, cell.size, SQLITE_STATIC);
        break;
    default:
        sqlite3_result_null(context);
        break;
    }
}

void BuildChunk::resultTx(sqlite3_context* context, const Record& record) const
{
    if (record.txSize == 0)
        sqlite3_result_text(context, "", 0, SQLITE_STATIC);
    else
        sqlite3_result_text(context, m_Arena.constData() + record.txOffset, record.txSize, SQLITE_STATIC);
}

void BuildChunk::clear()
{
    records.clear();
    hours.clear();
    newModels.clear();
    firstTime = SqliteValue();
    firstUid = 0;
    lastTime = SqliteValue();
    firstHour = lastHour = -1;
    finished = false;
    m_Arena.clear();
}

void BuildChunk::reserve(int records, int bytesEach)
{
    this->records.reserve(records);
    m_Arena.reserve(records * bytesEach);
}
