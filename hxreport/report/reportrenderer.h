#ifndef REPORTRENDERER_H
#define REPORTRENDERER_H

#include "shiftreport.h"

#include <QFont>
#include <QStringList>
#include <QVector>

class QPagedPaintDevice;
class QPainter;

// Draws a ShiftReport on A4 pages with QPainter alone (no widgets, so the
// command line can write it): the header, the counts per model, the hourly
// trend as a chart with its table, the alarms and each model's measurements.
// The same drawing goes to a PDF file, a printer or the print preview. The
// words follow the translators installed.
class ReportRenderer
{
public:
    explicit ReportRenderer(const ShiftReport& report);

    // Draws on device, adding pages as needed; the device's page size and
    // margins are the caller's (see prepare()).
    void paint(QPagedPaintDevice* device);
    // A4 portrait with the report's margins.
    static void prepare(QPagedPaintDevice* device);
    // The report as a PDF file with its fonts embedded. Written through
    // QSaveFile: on failure no file and an old one stay as they were.
    static bool writePdf(const ShiftReport& report, const QString& fileName, QString* error);
    // The family the report is drawn in: one that holds Chinese where there is one.
    static QString fontFamily();

private:
    void header();
    void counts();
    void trend();
    void alarms();
    void measurements();
    void heading(const QString& text);
    void note(const QString& text);
    // A table with its header repeated on every page it runs onto; widths are
    // shares of the page's width, the first leftColumns left-aligned, the rest right.
    void table(const QStringList& header, const QVector<QStringList>& rows, const QVector<qreal>& widths,
        int leftColumns = 1);
    void chart(qreal height);
    // Room for height more on this page; otherwise a new one.
    void ensure(qreal height);
    QFont font(qreal points, bool bold = false) const;
    qreal lineHeight(const QFont& font) const;

    const ShiftReport& m_Report;
    QPagedPaintDevice* m_pDevice = nullptr;
    QPainter* m_pPainter = nullptr;
    qreal m_Mm = 1; // device units per millimetre
    qreal m_Width = 0;
    qreal m_Height = 0;
    qreal m_Y = 0;
    int m_nPage = 1;
    QString m_Family;
};

#endif // REPORTRENDERER_H
