#include "ReportPrinter.h"

#include "ReportPage.h"
#include "ReportPaper.h"
#include "ReportRenderer.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

namespace {
constexpr int OnlyPage = 1;

bool rangeTakesOnlyPage(const QPrinter& printer)
{
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

void TReportPrinter::SetUpPrinter(QPrinter& printer, const TReportPage& page)
{
    if (const TReportPaper* paper = FindReportPaper(page.PaperCode()))
        printer.setPageSize(QPageSize(paper->PageSizeId));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setCopyCount(1);
    printer.setCollateCopies(true);
    printer.setFromTo(0, 0);
}

bool TReportPrinter::PrintWithDialog(const TReportPage& page, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    SetUpPrinter(printer, page);
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCurrentPage |
                      QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(OnlyPage, OnlyPage);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return Print(page, printer);
}

bool TReportPrinter::Print(const TReportPage& page, QPrinter& printer)
{
    if (!rangeTakesOnlyPage(printer))
        return true;
    // A real printer lays the page out on the sheet it reports; a file keeps the paper's.
    TReportPage sheet = page;
    if (printer.outputFormat() == QPrinter::NativeFormat)
        sheet.PrepareForPrinter(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double scale = printer.resolution() / LayoutUnitsPerInch;
    const int copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0)
            printer.newPage();
        TReportRenderer::Render(sheet, painter, scale);
    }
    return painter.end();
}
