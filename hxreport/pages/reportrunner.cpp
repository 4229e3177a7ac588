#include "reportrunner.h"

#include "apppaths.h"
#include "pagechecks.h"
#include "pagehost.h"
#include "reportrenderer.h"
#include "waitingdialog.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QEventLoop>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QThread>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

}

ReportRunner::ReportRunner(PageHost* host, DetectDataDB* db, QuickAnswers* quick, const IndexReader* index,
    const StationShifts* shifts, const ReportWidgets& widgets, QObject* parent)
    : QObject(parent)
    , m_pHost(host)
    , m_pDB(db)
    , m_pQuick(quick)
    , m_pShifts(shifts)
    , m_W(widgets)
{
    if (index) {
        m_Index = *index;
        m_bWithIndex = true;
    }
}

QPushButton* ReportRunner::button()
{
    if (m_pButton)
        return m_pButton;
    m_pButton = new QPushButton(QCoreApplication::translate("hxReport", "生成报表"));
    m_pButton->setObjectName(QStringLiteral("pushButton_Report"));
    // As the page's other buttons.
    m_pButton->setMinimumHeight(30);
    m_pButton->setStyleSheet(
        QStringLiteral("background-color: rgb(85, 255, 0);\nfont: 75 12pt \"Consolas\";"));
    auto* menu = new QMenu(m_pButton);
    const auto add = [this, menu](const char* name, const QString& text, const std::function<void()>& run) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, run);
    };
    add("action_ReportPreview", QCoreApplication::translate("hxReport", "预览…"), [this] { preview(); });
    add("action_ReportPrint", QCoreApplication::translate("hxReport", "打印…"), [this] { print(); });
    add("action_ReportPdf", QCoreApplication::translate("hxReport", "保存为PDF…"), [this] { savePdf(); });
    m_pButton->setMenu(menu);
    return m_pButton;
}

QString ReportRunner::defaultPdfName()
{
    return QStringLiteral("Report_%1.pdf").arg(QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd")));
}

bool ReportRunner::gather(ShiftReport* report)
{
    if (PageChecks::refuseWhileBusy(m_pHost, m_bBusy))
        return false;
    const QString station = PageChecks::chosenStation(m_W.station);
    ReportRequest request;
    request.start = QDateTime::fromString(m_W.start->text(), kTimeFormat);
    request.end = QDateTime::fromString(m_W.end->text(), kTimeFormat);
    request.shift = m_W.shift->currentText();
    request.station = station;
    request.shifts = m_pShifts ? m_pShifts->of(station) : QMap<QString, ShiftRecord>();
    const QString problem
        = PageChecks::dateProblem(request.start, request.end, request.shifts, request.shift, true);
    if (!problem.isEmpty()) {
        m_pHost->showMessageBox(
            QMessageBox::Information, QCoreApplication::translate("hxReport", "提示"), problem, 0);
        return false;
    }
    m_bBusy = true;
    // The builder's workers and threads run on this thread of its own, with
    // the database's connection of that thread.
    ReportBuilder builder(m_pDB, m_pQuick, m_bWithIndex ? &m_Index : nullptr);
    builder.setSettingsFile(AppPaths::settingsFile());
    bool ok = false;
    QThread* thread = QThread::create([&] { ok = builder.build(request, report); });
    WaitingDialog::runThread(thread, QCoreApplication::translate("hxReport", "正在生成报表"));
    delete thread;
    m_bBusy = false;
    if (!ok) {
        m_pHost->showMessageBox(QMessageBox::Warning, QCoreApplication::translate("hxReport", "提示"),
            QCoreApplication::translate("hxReport", "报表生成失败：%1").arg(builder.errorString()), 0);
        return false;
    }
    return true;
}

bool ReportRunner::preview()
{
    ShiftReport report;
    if (!gather(&report))
        return false;
    QPrinter printer(QPrinter::HighResolution);
    ReportRenderer::prepare(&printer);
    QPrintPreviewDialog dialog(&printer);
    dialog.setObjectName(QStringLiteral("dialog_ReportPreview"));
    dialog.setWindowTitle(QCoreApplication::translate("hxReport", "生产报表"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
        [&report](QPrinter* target) { ReportRenderer(report).paint(target); });
    dialog.resize(800, 700);
    return dialog.exec() == QDialog::Accepted;
}

bool ReportRunner::print()
{
    ShiftReport report;
    if (!gather(&report))
        return false;
    QPrinter printer(QPrinter::HighResolution);
    ReportRenderer::prepare(&printer);
    QPrintDialog dialog(&printer);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ReportRenderer(report).paint(&printer);
    return true;
}

ExportRunner::Outcome ReportRunner::savePdf()
{
    ShiftReport report;
    if (!gather(&report))
        return ExportRunner::Outcome::NotStarted;
    const QString fileName = ExportRunner::askSaveFileName(defaultPdfName(), QStringLiteral("PDF(*.pdf)"));
    if (fileName.isEmpty())
        return ExportRunner::Outcome::NotStarted;
    QString error;
    if (!ReportRenderer::writePdf(report, fileName, &error)) {
        m_pHost->showMessageBox(QMessageBox::Warning, QCoreApplication::translate("hxReport", "提示"),
            QCoreApplication::translate("hxReport", "数据导出失败：%1").arg(error), 0);
        return ExportRunner::Outcome::Failed;
    }
    m_pHost->showMessageBox(QMessageBox::Information, QCoreApplication::translate("hxReport", "提示"),
        ExportRunner::doneMessage(fileName), 0);
    return ExportRunner::Outcome::Written;
}
