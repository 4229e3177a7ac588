#ifndef CHUNKTABLE_H
#define CHUNKTABLE_H

#include <QVector>

struct sqlite3;
class BuildChunk;

// The table "hx_chunk" of one index connection: the records of the chunk
// being written, so that one INSERT..SELECT puts a whole chunk into rec
// without a statement per record. Columns: m (the index's model id), ti, tx,
// uid, v0..v3 (the measured values as the station stored them).
//
// Threads: the connection's thread.
class ChunkTable
{
public:
    // Makes the table known to db (once per connection).
    bool install(sqlite3* db);
    // The chunk the table shows and the index's model id of each of its
    // model slots; both must live while a statement reads the table.
    void setChunk(const BuildChunk* chunk, const QVector<qint64>* modelIds);

    const BuildChunk* chunk() const { return m_pChunk; }
    qint64 modelId(int slot) const { return m_pModelIds->at(slot); }

private:
    const BuildChunk* m_pChunk = nullptr;
    const QVector<qint64>* m_pModelIds = nullptr;
};

#endif // CHUNKTABLE_H
