#ifndef MODELDB_H
#define MODELDB_H

#include "databasesql.h"

// The station's model template file pattern/modelTemplate.db. The viewer reads
// the model names and nothing else; every record operation is refused.
class ModelDB : public DataBaseSql
{
    Q_OBJECT
public:
    explicit ModelDB(const QString& databasePath, const QString& driverName);

    bool openDatabase() override;
    bool execSql(QString sql, QSqlQuery& result) override;
    bool queryRecords(QVariantMap request, QSqlQuery& result) override;
    bool insertLog(LogRecord record) override;
    bool trimLogClass(int logClass, int keepCount) override;
    bool clearAll() override;
    bool deleteBefore(QString time) override;

    QStringList modelNames();
};

#endif // MODELDB_H
