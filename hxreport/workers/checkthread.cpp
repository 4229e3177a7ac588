#include "checkthread.h"

#include "detectdatadb.h"
#include "plantpage.h"
#include "quickanswers.h"

#include <QSqlError>

CheckThread::CheckThread(QObject* parent)
    : QThread(parent)
{
}

void CheckThread::setQuery(DetectDataDB* db, QString sql)
{
    m_pDB = db;
    m_Sql = sql;
}

void CheckThread::setRange(const RangeQuery& range)
{
    m_Range = range;
}

void CheckThread::setPicture(const RangeQuery& range, qint64 key)
{
    m_Range = range;
    m_bPicture = true;
    m_nPictureKey = key;
}

void CheckThread::setMode(CheckMode mode)
{
    m_Mode = mode;
}

void CheckThread::setMode(int mode)
{
    setMode(mode == static_cast<int>(CheckMode::Count) ? CheckMode::Count : CheckMode::Rows);
}

void CheckThread::run()
{
    const CancelFlag::Scope cancel(&m_Cancel);
    QSqlQuery query;
    int count = 0;
    const RangeQuery range = m_pDB ? m_Range.inDialect(m_pDB->dialect()) : m_Range;
    const bool quick = m_pDB && m_pQuick && range.isValid() && !m_bPicture && m_Mode == CheckMode::Rows
        && m_pQuick->pageOf(range, &query);
    if (m_pDB && !quick) {
        if (range.isValid()) {
            m_pDB->runDetached(m_bPicture ? range.pictureStatement(m_nPictureKey)
                    : m_Mode == CheckMode::Count
                    ? range.countStatement()
                    : PlantPage::statement(m_pDB, range, range.limit(), range.offset()),
                query);
        } else
            m_pDB->execSql(m_Sql, query);
        if (m_Mode == CheckMode::Count) {
            while (query.next()) {
                bool ok = false;
                const int value = query.value(0).toString().toInt(&ok, 10);
                count = ok ? value : 0;
            }
        }
    }
    if (m_pDB && query.lastError().isValid())
        emit failed(query.lastError().text());
    emit resultReady(query);
    emit resultCount(count);
}
