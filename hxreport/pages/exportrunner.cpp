#include "exportrunner.h"

#include "csvwriter.h"
#include "exportquery.h"
#include "pagehost.h"
#include "qsavecsvthread.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QStandardItemModel>

ExportRunner::ExportRunner(PageHost* host, DetectDataDB* db)
    : m_pHost(host)
    , m_pDB(db)
{
}

QString ExportRunner::defaultCsvName(const QString& prefix)
{
    return QStringLiteral("%1_%2.csv")
        .arg(prefix, QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd")));
}

QString ExportRunner::askSaveFileName(const QString& defaultName, const QString& filter)
{
    QFileDialog dialog(nullptr, QString(), defaultName, QString());
    dialog.setWindowTitle(QStringLiteral("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.setGeometry(10, 30, 300, 200);
    // At 300 x 200 the name field shows a few letters only; the dialog keeps
    // its place but grows to where a typed name stays readable.
    dialog.setMinimumSize(640, 420);
    dialog.setDirectory(QStringLiteral("."));
    dialog.setNameFilter(filter);
    dialog.selectFile(defaultName);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        return dialog.selectedFiles().constFirst();
    return QString();
}

ExportRunner::Outcome ExportRunner::exportRecords(
    const QStandardItemModel* shown, int nType, std::function<QString(int)> title, const ExportQuery& chunks)
{
    if (!shown || shown->rowCount() < 1) {
        m_pHost->showMessageBox(QMessageBox::Warning, QCoreApplication::translate("hxReport", "提示"),
            QCoreApplication::translate("hxReport", "没有数据，请重新查询"), 0);
        return Outcome::NotStarted;
    }
    const QString fileName = askSaveFileName(
        defaultCsvName(nType == 0 ? QStringLiteral("History") : QStringLiteral("WarnMessage")));
    if (fileName.isEmpty())
        return Outcome::NotStarted;
    auto* thread = new QSaveCSVThread(nullptr);
    thread->setHeader(QString(), QStringLiteral("username"));
    thread->setTitleOfCount(std::move(title));
    // No statement text: the chunks are the rows.
    thread->setTask(m_pDB, QString(), fileName, nType);
    thread->setChunks(chunks);
    m_bRecordsOk = false;
    m_nReplaced = 0;
    const QPointer<QSaveCSVThread> running = thread;
    m_pHost->startThread(thread, SIGNAL(resultReady(int)), SLOT(onSaveCSVDone(int)));
    bool cancelled = false;
    const bool finished
        = m_pHost->waitForFinishCancelable(QCoreApplication::translate("hxReport", "正在导出数据，请稍等"),
            QCoreApplication::translate("hxReport", "正在导出…"), [&] {
                cancelled = true;
                if (running)
                    running->cancel();
            });
    if (!finished)
        return Outcome::NotStarted;
    if (cancelled && !m_bRecordsOk) {
        m_pHost->showStatus(QCoreApplication::translate("hxReport", "已取消"));
        return Outcome::Cancelled;
    }
    return closeWith(m_bRecordsOk, fileName);
}

void ExportRunner::noteRecordsDone(const QSaveCSVThread* thread)
{
    if (!thread)
        return;
    m_bRecordsOk = thread->succeeded();
    m_nReplaced = thread->replacedCharacters();
    m_ErrorString = thread->errorString();
}

ExportRunner::Outcome ExportRunner::exportStatistics(
    const QMap<QString, int>& counts, const QDateTime& start, const QDateTime& end, const QString& station)
{
    if (counts.size() < 1) {
        m_pHost->showMessageBox(QMessageBox::Warning, QCoreApplication::translate("hxReport", "提示"),
            QCoreApplication::translate("hxReport", "没有数据，请重新查询"), 0);
        return Outcome::NotStarted;
    }
    const QString fileName = askSaveFileName(defaultCsvName(QStringLiteral("Data")));
    if (fileName.isEmpty())
        return Outcome::NotStarted;
    // The save dialog has asked before an existing file is chosen, so the
    // user wants it replaced, not added to.
    return closeWith(writeCountFile(fileName, &counts, start, end, true, station), fileName);
}

QString ExportRunner::doneMessage(const QString& fileName, int replaced)
{
    QString text = QCoreApplication::translate("hxReport", "数据导出完成") + QLatin1Char('\n')
        + QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
    // Said, not hidden: a name the code page cannot hold is no longer as typed.
    if (replaced > 0)
        text += QLatin1Char('\n')
            + QCoreApplication::translate("hxReport", "%1个字符不在本机的编码中，已写为<U+XXXX>")
                  .arg(replaced);
    return text;
}

ExportRunner::Outcome ExportRunner::closeWith(bool ok, const QString& fileName)
{
    if (ok)
        m_pHost->showMessageBox(QMessageBox::Information, QCoreApplication::translate("hxReport", "提示"),
            doneMessage(fileName, m_nReplaced), 0);
    else
        m_pHost->showMessageBox(QMessageBox::Warning, QCoreApplication::translate("hxReport", "提示"),
            QCoreApplication::translate("hxReport", "数据导出失败：%1").arg(m_ErrorString), 0);
    return ok ? Outcome::Written : Outcome::Failed;
}

bool ExportRunner::writeCountFile(const QString& fileName, const QMap<QString, int>* counts,
    const QDateTime& start, const QDateTime& end, bool replace, const QString& station)
{
    QSaveFile saveFile(fileName);
    QFile appendFile(fileName);
    QFileDevice& file = replace ? static_cast<QFileDevice&>(saveFile) : appendFile;
    const QIODevice::OpenMode mode = replace ? QIODevice::WriteOnly | QIODevice::Text
                                             : QIODevice::WriteOnly | QIODevice::Text | QIODevice::Append;
    if (!counts || !file.open(mode)) {
        m_ErrorString = file.errorString();
        return false;
    }
    CsvWriter csv(&file);
    csv.writeCounts(start, end, *counts, QDateTime::currentDateTime(), station);
    m_nReplaced = csv.replacedCharacters();
    if (!csv.ok()) {
        m_ErrorString = csv.errorString();
        return false;
    }
    if (replace && !saveFile.commit()) {
        m_ErrorString = saveFile.errorString();
        return false;
    }
    return true;
}
