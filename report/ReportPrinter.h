#pragma once

#include <QRectF>
#include <QString>

class QPageLayout;
class QPrintDialog;
class QPrinter;
class QWidget;
class TReportPage;

// Printing of a one-sheet page. Qt's PDF printer counts as an installed printer, so a
// person without a printer can still save the page as a file.
class TReportPrinter {
public:
    // Asks for printer, pages, copies and collation, then prints. False when cancelled.
    // documentName names the job, and the suggested file when no real printer is installed.
    static bool PrintWithDialog(const TReportPage &page, QWidget *parent,
                                const QString &documentName);

    // Offers every printer including the PDF file, the page choices, copies and collation.
    static void SetUpDialog(QPrintDialog &dialog);

    // Paper and landscape from the page, no margins, one copy, collated.
    static void SetUpPrinter(QPrinter &printer, const TReportPage &page);

    // Prints the page on a printer that was set up and confirmed, honouring its page range
    // and the copies the printer cannot make itself. False when the job could not start.
    static bool Print(const TReportPage &page, QPrinter &printer);

    // Where the prepared page lands on a printer's painter, in device pixels at the given
    // resolution from the painter's origin. A printer that prints the whole sheet takes the
    // page at its true size from the sheet's corner. Otherwise the page is scaled down, its
    // proportions kept, and centred in the printable area: the paint rectangle of the
    // layout, or for a full-page layout the sheet less the printer's minimum margins, which
    // are the margins its hardware cannot print on.
    static QRectF PageTarget(const TReportPage &page, const QPageLayout &layout, int resolution);
};
