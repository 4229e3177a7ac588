#ifndef FILECHANGE_H
#define FILECHANGE_H

#include <QString>
#include <QtGlobal>

// The one rule that tells a station file that was replaced from one that was
// edited, for every reader that follows a station table by uid (the index,
// the plant sync). The station's tables are AUTOINCREMENT: a uid is never
// given twice in one file, even after deletes. The station deletes records
// older than a cut-off (retention), trims log classes to their newest rows,
// or empties tables; an operator deletes or edits a wrong row. So the same
// file shows, for the last uid a reader took: a sequence at or above it, and
// either that very row, no row, or the row edited, while the earlier rows it
// took that are still there (the witnesses) are the same. Another file has
// other rows under those uids, or starts its uids again. Without a witness:
// a row gone by retention took every older row along, so an older row that
// is still there means another file.
class FileChange
{
public:
    enum class State
    {
        Same, // the reader goes on after its last uid
        Replaced, // another file: start again
        LastRowDeleted, // the same file, the last row taken deleted since
        LastRowEdited, // the same file, the last row taken edited since
    };

    // The last row taken, as the file now holds it under its uid.
    enum class Row
    {
        Gone,
        Same, // what the reader compares of it is unchanged
        Changed,
    };

    // What a reader found in the table against what it took last time. A
    // reader that keeps no witnesses or times leaves them at zero and false.
    struct Seen
    {
        qint64 lastUid = 0; // the last uid taken; 0: nothing taken yet
        bool hasSequence = false; // the table's row in sqlite_sequence
        qint64 sequence = 0;
        Row row = Row::Gone;
        int sameWitnesses = 0; // earlier rows taken, there and unchanged
        QString otherWitnesses; // uids of earlier rows taken that are other ones now, ", " between
        bool olderRows = false; // a row older than the last one taken is there
    };

    // The state, and in *why (when not Same) the reason in words.
    static State judge(const Seen& seen, QString* why);
};

#endif // FILECHANGE_H
