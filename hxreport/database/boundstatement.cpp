#include "boundstatement.h"

#include "databasesql.h"

QString BoundStatement::inlined() const
{
    QString result;
    int next = 0;
    for (const QChar c : text) {
        if (c != QLatin1Char('?') || next >= values.size()) {
            result += c;
            continue;
        }
        const QVariant& value = values.at(next++);
        if (value.isNull())
            result += QLatin1String("NULL");
        else if (value.type() == QVariant::String)
            result += QLatin1Char('\'') + sqlQuoted(value.toString()) + QLatin1Char('\'');
        else
            result += value.toString();
    }
    return result;
}
