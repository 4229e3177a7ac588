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

void CheckThread::setRange(const RangeQuery& range, int limit, int offset)
{
    m_Range = range;
    m_nRangeLimit = limit;
    m_nRangeOffset = offset;
}

void CheckThread::setPicture(const RangeQuery& range, qint64 key)
{
    m_Range = range;
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

void CheckThread::setQuickPage(QuickAnswers* quick, const QString& time1, const QString& time2,
    const QString& model, int offset, int limit)
{
    m_pQuick = quick;
    m_QuickTime1 = time1;
    m_QuickTime2 = time2;
    m_QuickModel = model;
    m_nQuickOffset = offset;
    m_nQuickLimit = limit;
}

void CheckThread::run()
{
    const CancelFlag::Scope cancel(&m_Cancel);
    QSqlQuery query;
    int count = 0;
    const bool quick = m_pDB && m_pQuick && m_Mode == CheckMode::Rows
        && m_pQuick->pageOfModel(
            m_QuickTime1, m_QuickTime2, m_QuickModel, m_nQuickOffset, m_nQuickLimit, &query);
    if (m_pDB && !quick) {
        // The statement texts are a station file's; another engine runs the
        // range's own statement.
        if (m_Range.isValid() && m_pDB->dialect() != SqlDialect::Station) {
            const RangeQuery range = m_Range.inDialect(m_pDB->dialect());
            m_pDB->runDetached(m_nPictureKey >= 0 ? range.pictureStatement(m_nPictureKey)
                    : m_Mode == CheckMode::Count
                    ? range.countStatement()
                    : PlantPage::statement(m_pDB, range, m_nRangeLimit, m_nRangeOffset),
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
