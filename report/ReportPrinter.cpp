#include "ReportPrinter.h"

#include "ReportPage.h"
#include "ReportPaper.h"
#include "ReportRenderer.h"

#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>

namespace {
constexpr int OnlyPage = 1;

bool rangeTakesOnlyPage(const QPrinter &printer) {
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        return printer.pageRanges().contains(OnlyPage);
    case QPrinter::Selection:
        return false;
    case QPrinter::AllPages:
    case QPrinter::CurrentPage:
        break;
    }
    return true;
}
} // namespace

void TReportPrinter::SetUpPrinter(QPrinter &printer, const TReportPage &page) {
    if (const TReportPaper *paper = FindReportPaper(page.PaperCode()))
        printer.setPageSize(QPageSize(paper->PageSizeId));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setCopyCount(1);
    printer.setCollateCopies(true);
    printer.setFromTo(0, 0);
}

void TReportPrinter::SetUpDialog(QPrintDialog &dialog) {
    // The file printer is one of the choices, so nobody is left without a way to print.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCurrentPage |
                      QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(OnlyPage, OnlyPage);
}

namespace {
// Without a real printer the dialog offers only the PDF file; suggest one in the documents
// folder rather than leave the name empty.
void suggestFile(QPrinter &printer, const QString &documentName) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QString name = documentName;
    name.replace(QRegularExpression(QStringLiteral("[/\\\\:*?\"<>|']")), QString());
    printer.setOutputFileName(QDir(folder).filePath(name.simplified() + QStringLiteral(".pdf")));
}
} // namespace

bool TReportPrinter::PrintWithDialog(const TReportPage &page, QWidget *parent,
                                     const QString &documentName) {
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, page);
    printer.setDocName(documentName);
    suggestFile(printer, documentName.isEmpty() ? QStringLiteral("page") : documentName);
    QPrintDialog dialog(&printer, parent);
    SetUpDialog(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return Print(page, printer);
}

bool TReportPrinter::Print(const TReportPage &page, QPrinter &printer) {
    if (!rangeTakesOnlyPage(printer))
        return true;
    // A real printer lays the page out on the sheet it reports; a file keeps the paper's.
    TReportPage sheet = page;
    if (printer.outputFormat() == QPrinter::NativeFormat)
        sheet.PrepareForPrinter(printer);
    const QRectF target = PageTarget(sheet, printer.pageLayout(), printer.resolution());
    if (target.isEmpty())
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double scale = target.width() / sheet.PageWidth();
    const int copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0)
            printer.newPage();
        painter.save();
        painter.translate(target.topLeft());
        TReportRenderer::Render(sheet, painter, scale);
        painter.restore();
    }
    return painter.end();
}

QRectF TReportPrinter::PageTarget(const TReportPage &page, const QPageLayout &layout,
                                  int resolution) {
    if (page.PageWidth() <= 0 || page.PageHeight() <= 0 || resolution <= 0)
        return {};
    const double perUnit = resolution / LayoutUnitsPerInch;
    const QSizeF trueSize(page.PageWidth() * perUnit, page.PageHeight() * perUnit);
    if (!layout.isValid())
        return QRectF(QPointF(0, 0), trueSize);
    const bool fullPage = layout.mode() == QPageLayout::FullPageMode;
    const QRect sheet = layout.fullRectPixels(resolution);
    // In sheet coordinates. A full-page layout paints up to the edges whatever its margins
    // say, but the printer's hardware still cannot reach into its minimum margins.
    const QRect printable =
        fullPage ? QPageLayout(layout.pageSize(), layout.orientation(), layout.minimumMargins(),
                               layout.units(), layout.minimumMargins())
                       .paintRectPixels(resolution)
                 : layout.paintRectPixels(resolution);
    if (printable == sheet || printable.isEmpty())
        return QRectF(QPointF(0, 0), trueSize);
    // The painter of a full-page printer starts at the sheet's corner, any other at the
    // printable area's.
    const QRectF area = fullPage ? QRectF(printable) : QRectF(QPointF(0, 0), printable.size());
    const double factor =
        std::min({1.0, area.width() / trueSize.width(), area.height() / trueSize.height()});
    QRectF target(QPointF(0, 0), trueSize * factor);
    target.moveCenter(area.center());
    return target;
}
