#include "statementtexts.h"

QString quotedValue(const QVariant& value)
{
    return QLatin1Char('\'') + sqlQuoted(value.toString()) + QLatin1Char('\'');
}

QString sqlQuoted(const QString& value)
{
    QString quoted = value;
    return quoted.replace(QLatin1Char('\''), QLatin1String("''"));
}

QString insertSql(const QString& table, const QVariantMap& values)
{
    QStringList texts;
    for (const QVariant& value : values)
        texts.append(quotedValue(value));
    return QStringLiteral("INSERT INTO %1(%2) VALUES(%3)")
        .arg(table, values.keys().join(QLatin1Char(',')), texts.join(QLatin1Char(',')));
}

QString selectSql(const QString& table, const QStringList& columns, const QString& condition)
{
    const QString list = columns.isEmpty() ? QStringLiteral("*") : columns.join(QLatin1Char(','));
    if (condition.isEmpty())
        return QStringLiteral("SELECT %1 FROM %2").arg(list, table);
    return QStringLiteral("SELECT %1 FROM %2 WHERE ").arg(list, table) + condition;
}

QString equalsClause(const QString& column, const QString& value)
{
    return column + QLatin1String(" = ") + quotedValue(value);
}

QString updateSql(const QString& table, const QVariantMap& values, const QString& condition)
{
    QStringList clauses;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        clauses.append(equalsClause(it.key(), it.value().toString()));
    const QString assignments = clauses.join(QLatin1Char(','));
    if (condition.isEmpty())
        return QStringLiteral("UPDATE %1 SET %2").arg(table, assignments);
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(table, assignments, condition);
}

QString deleteSql(const QString& table, const QString& condition)
{
    if (condition.isEmpty())
        return QStringLiteral("DELETE FROM %1").arg(table);
    return QStringLiteral("DELETE FROM %1 WHERE %2").arg(table, condition);
}

QString addColumnSql(const QString& table, const QString& column, const QString& type)
{
    return QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(table, column, type);
}

QString dropColumnSql(const QString& table, const QString& column)
{
    return QStringLiteral("ALTER TABLE %1 DROP %2").arg(table, column);
}

QString createTableSql(
    const QString& table, const QString& keyColumn, const QString& keyType, const QVariantMap& columns)
{
    QString definitions = keyColumn + QLatin1Char(' ') + keyType;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it)
        definitions += QLatin1String(", ") + it.key() + QLatin1Char(' ') + it.value().toString();
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(table, definitions);
}
