#include "chunktable.h"

#include "buildchunk.h"

#include <sqlite3.h>

namespace {
struct Table
{
    sqlite3_vtab base;
    ChunkTable* owner;
};

struct Cursor
{
    sqlite3_vtab_cursor base;
    int row;
};

const BuildChunk* chunkOf(sqlite3_vtab_cursor* cursor)
{
    return reinterpret_cast<Table*>(cursor->pVtab)->owner->chunk();
}

int connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** vtab, char**)
{
    const int code = sqlite3_declare_vtab(db, "CREATE TABLE x(m, ti, tx, uid, v0, v1, v2, v3)");
    if (code != SQLITE_OK)
        return code;
    auto* table = static_cast<Table*>(sqlite3_malloc(sizeof(Table)));
    if (!table)
        return SQLITE_NOMEM;
    table->base = sqlite3_vtab();
    table->owner = static_cast<ChunkTable*>(aux);
    *vtab = &table->base;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab* vtab)
{
    sqlite3_free(vtab);
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab*, sqlite3_index_info* info)
{
    // Read whole, in the chunk's order; no condition is used.
    info->estimatedCost = 1000;
    info->estimatedRows = 1000;
    return SQLITE_OK;
}

int openCursor(sqlite3_vtab*, sqlite3_vtab_cursor** cursor)
{
    auto* opened = static_cast<Cursor*>(sqlite3_malloc(sizeof(Cursor)));
    if (!opened)
        return SQLITE_NOMEM;
    opened->base = sqlite3_vtab_cursor();
    opened->row = 0;
    *cursor = &opened->base;
    return SQLITE_OK;
}

int closeCursor(sqlite3_vtab_cursor* cursor)
{
    sqlite3_free(cursor);
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor* cursor, int, const char*, int, sqlite3_value**)
{
    reinterpret_cast<Cursor*>(cursor)->row = 0;
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* cursor)
{
    ++reinterpret_cast<Cursor*>(cursor)->row;
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* cursor)
{
    const BuildChunk* chunk = chunkOf(cursor);
    return !chunk || reinterpret_cast<Cursor*>(cursor)->row >= chunk->records.size();
}

int column(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int i)
{
    const ChunkTable* owner = reinterpret_cast<Table*>(cursor->pVtab)->owner;
    const BuildChunk* chunk = owner->chunk();
    const BuildChunk::Record& record = chunk->records.at(reinterpret_cast<Cursor*>(cursor)->row);
    switch (i) {
    case 0:
        sqlite3_result_int64(context, owner->modelId(record.slot));
        break;
    case 1:
        sqlite3_result_int64(context, record.ti);
        break;
    case 2:
        chunk->resultTx(context, record);
        break;
    case 3:
        sqlite3_result_int64(context, record.uid);
        break;
    default:
        chunk->result(context, record.values[i - 4]);
        break;
    }
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* id)
{
    *id = reinterpret_cast<Cursor*>(cursor)->row;
    return SQLITE_OK;
}

// No xCreate: the table exists in every schema by its name alone.
sqlite3_module makeModule()
{
    sqlite3_module module {};
    module.xConnect = &connect;
    module.xBestIndex = &bestIndex;
    module.xDisconnect = &disconnect;
    module.xOpen = &openCursor;
    module.xClose = &closeCursor;
    module.xFilter = &filter;
    module.xNext = &next;
    module.xEof = &eof;
    module.xColumn = &column;
    module.xRowid = &rowid;
    return module;
}

const sqlite3_module Module = makeModule();
}

bool ChunkTable::install(sqlite3* db)
{
    return sqlite3_create_module(db, "hx_chunk", &Module, this) == SQLITE_OK;
}

void ChunkTable::setChunk(const BuildChunk* chunk, const QVector<qint64>* modelIds)
{
    m_pChunk = chunk;
    m_pModelIds = modelIds;
}
