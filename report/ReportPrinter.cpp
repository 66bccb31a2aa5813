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
