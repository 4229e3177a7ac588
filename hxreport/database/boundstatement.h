#ifndef BOUNDSTATEMENT_H
#define BOUNDSTATEMENT_H

#include <QString>
#include <QVariantList>

// A statement and the values of its '?' marks, in order. The values are bound
// when the statement runs, so no value is ever read as part of the statement.
struct BoundStatement
{
    QString text;
    QVariantList values;

    // The statement with its values written in as SQL literals, for query
    // plans and messages; never what the viewer runs.
    QString inlined() const;
};

#endif // BOUNDSTATEMENT_H
