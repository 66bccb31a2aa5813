#include "ReportPage.h"
#include "ReportPrinter.h"
#include "ReportRenderer.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

TReportObject band(const QString &name, TBandKind kind, int top, int height) {
    TReportObject object;
    object.Kind = TReportObjectKind::Band;
    object.Name = name;
    object.Band = kind;
    object.Top = top;
    object.Width = 1008;
    object.Height = height;
    return object;
}

TReportObject box(const QString &name, int left, int top, int width, int height) {
    TReportObject object;
    object.Name = name;
    object.Left = left;
    object.Top = top;
    object.Width = width;
    object.Height = height;
    object.Font.Name = "Times New Roman";
    object.Font.Size = 12;
    return object;
}

// Rows of the image, in the given column range, that hold any non-white pixel.
int inkRows(const QImage &image, const QRect &area) {
    int rows = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) != Qt::white) {
                ++rows;
                break;
            }
        }
    }
    return rows;
}

QImage render(const TReportPage &page, double scale) {
    QImage image(int(page.PageWidth() * scale) + 1, int(page.PageHeight() * scale) + 1,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    TReportRenderer::Render(page, painter, scale);
    return image;
}

QByteArray printToPdf(const TReportPage &page, const QString &path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    TReportPrinter::SetUpPrinter(printer, page);
    if (!TReportPrinter::Print(page, printer))
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestReportRenderer : public QObject {
    Q_OBJECT
private slots:
    void placedRect_footerBand_followsPageBottomOnEveryPaper_data();
    void placedRect_footerBand_followsPageBottomOnEveryPaper();
    void placedRect_objectOutsideBands_staysWhereStored();
    void placedRect_autoWidthCentred_isCentredWithTruncation();
    void render_rectangle_fillsInsideAndOutlinesInFrameColour();
    void render_longText_isClippedToItsBox();
    void render_wordWrap_breaksAtBlanksOntoMoreLines();
    void print_pdf_hasSheetOfThePaperInLandscape_data();
    void print_pdf_hasSheetOfThePaperInLandscape();
    void print_bracketsAndAmpersand_printLiterally();
    void print_rangeWithoutPageOne_printsNothing();
    void printDialog_offersThePdfFileAndThePageChoices();
    void prepareForPrinter_takesTheSheetThePrinterReports();
};

void TestReportRenderer::placedRect_footerBand_followsPageBottomOnEveryPaper_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("footerTop");
    QTest::addColumn<int>("footerLeft");
    QTest::newRow("Letter") << 1 << 779 - 18 << 1008 - 252;
    QTest::newRow("Tabloid") << 3 << 1008 - 18 << 1558 - 252;
    QTest::newRow("A4") << 9 << 758 - 18 << 1071 - 252;
    QTest::newRow("A3") << 8 << 1071 - 18 << 1515 - 252;
}

void TestReportRenderer::placedRect_footerBand_followsPageBottomOnEveryPaper() {
    QFETCH(int, code);
    QFETCH(int, footerTop);
    QFETCH(int, footerLeft);
    TReportPage page;
    page.Add(band("PageFooter1", TBandKind::PageFooter, 760, 18));
    TReportObject footer = box("MFooter", 756, 760, 252, 18);
    footer.Kind = TReportObjectKind::RichText;
    footer.BandAlign = TBandAlign::Right;
    page.Add(footer);
    page.SetPaperCode(code);
    page.Prepare();
    const QRect placed = TReportRenderer::PlacedRect(page, *page.Find("MFooter"));
    QCOMPARE(placed, QRect(footerLeft, footerTop, 252, 18));
    QCOMPARE(TReportRenderer::PlacedRect(page, *page.Find("PageFooter1")).top(), footerTop);
}

void TestReportRenderer::placedRect_objectOutsideBands_staysWhereStored() {
    TReportPage page;
    page.Add(band("PageHeaderBand", TBandKind::PageHeader, 0, 58));
    page.Add(band("PageFooter1", TBandKind::PageFooter, 760, 18));
    page.Add(box("SDayCell36", 2, 642, 142, 116));
    page.SetPaperCode(3);
    page.Prepare();
    QCOMPARE(TReportRenderer::PlacedRect(page, *page.Find("SDayCell36")), QRect(2, 642, 142, 116));
}

void TestReportRenderer::placedRect_autoWidthCentred_isCentredWithTruncation() {
    TReportPage page;
    page.Add(band("PageHeaderBand", TBandKind::PageHeader, 0, 58));
    TReportObject header = box("MHeader", 403, 0, 202, 58);
    header.AutoWidth = true;
    header.BandAlign = TBandAlign::Center;
    header.InsetX = 2;
    header.Font.Size = 36;
    header.SetText("March '2025");
    page.Add(header);
    const QRect placed = TReportRenderer::PlacedRect(page, *page.Find("MHeader"));
    const int width = TReportRenderer::AutoWidth(*page.Find("MHeader"));
    QVERIFY(width > 100);
    QCOMPARE(placed.width(), width);
    QCOMPARE(placed.left(), (1008 - width) / 2);
    QCOMPARE(placed.top(), 0);

    page.Find("MHeader")->SetText("September '2025");
    QVERIFY(TReportRenderer::AutoWidth(*page.Find("MHeader")) > width);
}

void TestReportRenderer::render_rectangle_fillsInsideAndOutlinesInFrameColour() {
    TReportPage page;
    TReportObject cell = box("SDayCell1", 10, 10, 40, 30);
    cell.Kind = TReportObjectKind::Rectangle;
    cell.FillColor = 0xFFE0C0; // blue-ish in 0x00BBGGRR
    page.Add(cell);
    const QImage image = render(page, 2.0);
    QCOMPARE(image.pixelColor(60, 50), QColor(0xC0, 0xE0, 0xFF));
    QCOMPARE(image.pixelColor(20, 50), QColor(Qt::black));
    QCOMPARE(image.pixelColor(60, 16), QColor(Qt::white));
}

void TestReportRenderer::render_longText_isClippedToItsBox() {
    TReportPage page;
    TReportObject event = box("MEvent1", 10, 10, 30, 12);
    event.SetText("A very long line of event text that cannot fit\nsecond\nthird\nfourth");
    page.Add(event);
    const QImage image = render(page, 2.0);
    QVERIFY(inkRows(image, QRect(20, 20, 60, 24)) > 0);
    QCOMPARE(inkRows(image, QRect(0, 0, image.width(), 19)), 0);
    QCOMPARE(inkRows(image, QRect(0, 45, image.width(), image.height() - 46)), 0);
    QCOMPARE(inkRows(image, QRect(81, 0, image.width() - 82, image.height())), 0);
}

void TestReportRenderer::render_wordWrap_breaksAtBlanksOntoMoreLines() {
    TReportPage page;
    TReportObject event = box("MEvent1", 10, 10, 60, 100);
    event.SetText("Dentist Dentist Dentist");
    page.Add(event);
    const QRect area(20, 20, 120, 200);
    const int unwrapped = inkRows(render(page, 2.0), area);
    page.Find("MEvent1")->WordWrap = true;
    const int wrapped = inkRows(render(page, 2.0), area);
    QVERIFY2(wrapped >= 2 * unwrapped, qPrintable(QString("%1 vs %2").arg(wrapped).arg(unwrapped)));
}

void TestReportRenderer::print_pdf_hasSheetOfThePaperInLandscape_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QSize>("points");
    QTest::newRow("Letter") << 1 << QSize(792, 612);
    QTest::newRow("Tabloid") << 3 << QSize(1224, 792);
    QTest::newRow("A4") << 9 << QSize(842, 595);
    QTest::newRow("A3") << 8 << QSize(1191, 842);
}

void TestReportRenderer::print_pdf_hasSheetOfThePaperInLandscape() {
    QFETCH(int, code);
    QFETCH(QSize, points);
    QTemporaryDir dir;
    TReportPage page;
    page.Add(box("MHeader", 403, 0, 202, 58));
    page.SetPaperCode(code);
    page.Prepare();
    const QByteArray pdf = printToPdf(page, dir.filePath("page.pdf"));
    static const QRegularExpression mediaBox(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])");
    const QRegularExpressionMatch match = mediaBox.match(QString::fromLatin1(pdf));
    QVERIFY(match.hasMatch());
    QCOMPARE(QSize(qRound(match.captured(1).toDouble()), qRound(match.captured(2).toDouble())),
             points);
}

void TestReportRenderer::print_bracketsAndAmpersand_printLiterally() {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        QSKIP("pdftotext is not installed");
    QTemporaryDir dir;
    TReportPage page;
    TReportObject event = box("MEvent1", 10, 10, 400, 40);
    event.SetText("Pay [Date] & call [1+1]");
    page.Add(event);
    QVERIFY(!printToPdf(page, dir.filePath("page.pdf")).isEmpty());
    QProcess process;
    process.start(pdftotext, {dir.filePath("page.pdf"), "-"});
    QVERIFY(process.waitForFinished());
    QVERIFY(QString::fromUtf8(process.readAllStandardOutput()).contains("Pay [Date] & call [1+1]"));
}

void TestReportRenderer::print_rangeWithoutPageOne_printsNothing() {
    QTemporaryDir dir;
    TReportPage page;
    page.Add(box("MHeader", 403, 0, 202, 58));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("page.pdf"));
    TReportPrinter::SetUpPrinter(printer, page);
    printer.setPrintRange(QPrinter::PageRange);
    printer.setPageRanges(QPageRanges::fromString("3,5-12"));
    QVERIFY(TReportPrinter::Print(page, printer));
    QVERIFY(!QFile::exists(dir.filePath("page.pdf")));
}

void TestReportRenderer::printDialog_offersThePdfFileAndThePageChoices() {
    TReportPage page;
    QPrinter printer(QPrinter::HighResolution);
    TReportPrinter::SetUpPrinter(printer, page);
    QPrintDialog dialog(&printer);
    TReportPrinter::SetUpDialog(dialog);
    for (auto option :
         {QAbstractPrintDialog::PrintToFile, QAbstractPrintDialog::PrintPageRange,
          QAbstractPrintDialog::PrintCurrentPage, QAbstractPrintDialog::PrintCollateCopies})
        QVERIFY(dialog.testOption(option));
    QCOMPARE(printer.copyCount(), 1);
    QVERIFY(printer.collateCopies());
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
}

void TestReportRenderer::prepareForPrinter_takesTheSheetThePrinterReports() {
    TReportPage page; // Letter
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    page.PrepareForPrinter(printer);
    // The file printer reports A4 in whole points, a hair short of 210 mm.
    QCOMPARE(page.PageWidth(), 1071);
    QVERIFY(qAbs(page.PageHeight() - 758) <= 1);
    QCOMPARE(page.PaperCode(), 1);
}

QTEST_MAIN(TestReportRenderer)
#include "tst_reportrenderer.moc"
