#ifndef RELIABILITYUTIL_H
#define RELIABILITYUTIL_H

// Shared by the reliability tests: drives the real window to its results,
// writes exact rows into a file on connections of its own (outside the code
// under test), reads back everything a file holds to prove what the viewer
// wrote, and parses exported CSV the RFC 4180 way.

#include "guitestutil.h"
#include "hxreport.h"
#include "stationfixture.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStatusBar>

#include <functional>

namespace Reliability {

using GuiTest::child;
using GuiTest::pick;

// The same range on all three pages. The shift combo boxes stay on "全天", so
// the range buttons alone decide.
inline void setRanges(hxReport& window, const QDateTime& start, const QDateTime& end)
{
    pick(window, "pushButton_Set1_History", start);
    pick(window, "pushButton_Set2_History", end);
    pick(window, "pushButton_Set1_Warning", start);
    pick(window, "pushButton_Set2_Warning", end);
    pick(window, "pushButton_Set1_Count", start);
    pick(window, "pushButton_Set2_Count", end);
}

inline void setDefaultRanges(hxReport& window)
{
    setRanges(window, QDateTime(QDate(2020, 5, 1), QTime(0, 0)), QDateTime(QDate(2020, 5, 2), QTime(0, 0)));
}

// Clicks a query or paging button and waits for the page it fills.
inline bool clickAndWait(hxReport& window, const char* button)
{
    return GuiTest::clickAndWait(window, button, &hxReport::sgPageShown, 60000);
}

// Whether a path made read-only really stops writes: not for root, whom
// permission bits do not stop, nor for a folder's read-only attribute on
// Windows, nor under Wine, which does not enforce the attribute. Opening for
// writing changes nothing in the file; the probe file is removed again.
inline bool writesStopped(const QString& path, bool folder)
{
    QFile probe(folder ? path + QStringLiteral("/write-probe") : path);
    if (!probe.open(folder ? QIODevice::WriteOnly | QIODevice::NewOnly : QIODevice::ReadWrite))
        return true;
    probe.close();
    if (folder)
        probe.remove();
    return false;
}

// File helpers of the station fixture, under the names these tests use.
inline bool exec(const QString& file, const QStringList& statements)
{
    return StationFixture::execAll(file, statements);
}

inline bool insert(const QString& file, const QString& table, const QVariantMap& values)
{
    return StationFixture::insert(file, table, values);
}

inline QMap<QString, QString> contents(const QString& file)
{
    return StationFixture::contents(file);
}

inline QByteArray fileBytes(const QString& path)
{
    return StationFixture::fileBytes(path);
}

// The status bar's message; the record index's note that a page answered
// directly depends on how far its build got and says nothing of the outcome.
inline QString statusText(hxReport& window)
{
    const QString text = window.statusBar()->currentMessage();
    return text == QCoreApplication::translate("hxReport", "记录索引暂不可用，已直接查询") ? QString() : text;
}

// Parses CSV the RFC 4180 way: fields separated by commas, records by a line
// break (LF or CR LF) outside quotes; a quoted field may hold commas, quotes
// (doubled) and line breaks.
inline QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    bool wasQuoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
            quoted = true;
            wasQuoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
            wasQuoted = false;
        } else if (c == QLatin1Char('\n')
            || (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))) {
            if (c == QLatin1Char('\r'))
                ++i;
            record << field;
            records << record;
            record.clear();
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !record.isEmpty() || wasQuoted) {
        record << field;
        records << record;
    }
    return records;
}

} // namespace Reliability

#endif // RELIABILITYUTIL_H
