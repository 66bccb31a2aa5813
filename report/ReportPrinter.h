#pragma once

#include <QString>

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
};
