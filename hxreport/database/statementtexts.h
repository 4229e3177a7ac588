#ifndef STATEMENTTEXTS_H
#define STATEMENTTEXTS_H

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

// Doubles every single quote so that a value can stand between single quotes
// in a statement; texts without quotes come back unchanged.
QString sqlQuoted(const QString& value);

// Statement builders: each returns the statement text and touches no database.
// Values are written between single quotes with their quotes doubled.
QString insertSql(const QString& table, const QVariantMap& values);
QString selectSql(const QString& table, const QStringList& columns, const QString& condition);
QString equalsClause(const QString& column, const QString& value);
QString updateSql(const QString& table, const QVariantMap& values, const QString& condition);
QString deleteSql(const QString& table, const QString& condition);
QString addColumnSql(const QString& table, const QString& column, const QString& type);
QString dropColumnSql(const QString& table, const QString& column);
QString createTableSql(
    const QString& table, const QString& keyColumn, const QString& keyType, const QVariantMap& columns);

// A value between single quotes, its quotes doubled.
QString quotedValue(const QVariant& value);

#endif // STATEMENTTEXTS_H
