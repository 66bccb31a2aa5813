#include "ReportPage.h"
#include "ReportPrinter.h"
#include "ReportRenderer.h"

#include <QFile>
#include <QImage>
#include <QPageLayout>
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

// marginMm 0 prints as the page is set up, on the full sheet; any other value turns the file
// printer into one that prints only inside margins of that width.
QByteArray printToPdf(const TReportPage &page, const QString &path, double marginMm = 0) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    TReportPrinter::SetUpPrinter(printer, page);
    if (marginMm > 0) {
        printer.setFullPage(false);
        printer.setPageMargins(QMarginsF(marginMm, marginMm, marginMm, marginMm),
                               QPageLayout::Millimeter);
    }
    if (!TReportPrinter::Print(page, printer))
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The text a PDF shows, or a null string when pdftotext is not installed.
QString pdfText(const QString &path) {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        return {};
    QProcess process;
    process.start(pdftotext, {path, "-"});
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The first page of a PDF as a picture at the given resolution; a null image when pdftoppm
// is not installed.
QImage pdfPicture(const QString &path, int dotsPerInch) {
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty())
        return {};
    QProcess process;
    process.start(pdftoppm, {"-r", QString::number(dotsPerInch), "-png", "-singlefile", path,
                             path + "-picture"});
    process.waitForFinished();
    return QImage(path + "-picture.png");
}

// The smallest rectangle that holds every pixel darker than near white.
QRect inkBounds(const QImage &image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 240)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

QPageLayout letterLayout(QPageLayout::Mode mode, const QMarginsF &marginsMm,
                         const QMarginsF &minimumMm) {
    QPageLayout layout(QPageSize(QPageSize::Letter), QPageLayout::Landscape, marginsMm,
                       QPageLayout::Millimeter, minimumMm);
    layout.setMode(mode);
    return layout;
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
    void linesToDraw_textAndBox_data();
    void linesToDraw_textAndBox();
    void print_overfullBox_showsHowManyLinesAreNotShown();
    void pageTarget_printableArea_data();
    void pageTarget_printableArea();
    void print_pdfWithMargins_drawsThePageInsideThem_data();
    void print_pdfWithMargins_drawsThePageInsideThem();
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

// Times New Roman 12 pt stands about 17 units a line; the boxes leave a few units either way
// so that a neighbouring face does not change the count.
void TestReportRenderer::linesToDraw_textAndBox_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wordWrap");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("lineSpacing");
    QTest::addColumn<int>("insetY");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("two lines in room for three are unchanged")
        << "Dentist 10:30\nGym" << true << QSize(200, 60) << 0 << 0
        << QStringList{"Dentist 10:30", "Gym"};
    QTest::newRow("exactly as many lines as fit are unchanged")
        << "a\nb\nc" << false << QSize(200, 55) << 0 << 0 << QStringList{"a", "b", "c"};
    QTest::newRow("six lines in room for three: two and the count of the rest")
        << "a\nb\nc\nd\ne\nf" << false << QSize(200, 55) << 0 << 0
        << QStringList{"a", "b", "+4 more"};
    QTest::newRow("wrapped lines count as lines")
        << "Dentist Dentist Dentist Dentist Dentist" << true << QSize(60, 55) << 0 << 0
        << QStringList{"Dentist", "Dentist", "+3 more"};
    QTest::newRow("line spacing takes room between the lines")
        << "a\nb\nc" << false << QSize(200, 55) << 10 << 0 << QStringList{"a", "+2 more"};
    QTest::newRow("the top inset takes room")
        << "a\nb\nc" << false << QSize(200, 55) << 0 << 15 << QStringList{"a", "+2 more"};
    QTest::newRow("a box lower than one line shows only the count")
        << "a\nb" << false << QSize(200, 10) << 0 << 0 << QStringList{"+2 more"};
    QTest::newRow("a single line in a box lower than itself stays itself")
        << "Dentist" << false << QSize(200, 10) << 0 << 0 << QStringList{"Dentist"};
    QTest::newRow("no text, no lines") << "" << true << QSize(200, 10) << 0 << 0 << QStringList{};
}

void TestReportRenderer::linesToDraw_textAndBox() {
    QFETCH(QString, text);
    QFETCH(bool, wordWrap);
    QFETCH(QSize, size);
    QFETCH(int, lineSpacing);
    QFETCH(int, insetY);
    QFETCH(QStringList, lines);
    TReportObject event = box("MEvent1", 0, 0, size.width(), size.height());
    event.WordWrap = wordWrap;
    event.LineSpacing = lineSpacing;
    event.InsetY = insetY;
    event.SetText(text);
    QCOMPARE(TReportRenderer::LinesToDraw(event, QSizeF(size)), lines);
}

void TestReportRenderer::print_overfullBox_showsHowManyLinesAreNotShown() {
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext is not installed");
    QTemporaryDir dir;
    TReportPage page;
    TReportObject event = box("MEvent1", 10, 10, 300, 55);
    event.SetText("Dentist\nGym\nChoir\nBank\nPost office\nGarden club");
    page.Add(event);
    QVERIFY(!printToPdf(page, dir.filePath("page.pdf")).isEmpty());
    const QString text = pdfText(dir.filePath("page.pdf"));
    QVERIFY2(text.contains("Dentist") && text.contains("Gym"), qPrintable(text));
    QVERIFY2(text.contains("+4 more"), qPrintable(text));
    // A line the box cannot hold is not drawn at all, not even clipped.
    QVERIFY2(!text.contains("Choir") && !text.contains("Garden"), qPrintable(text));
}

// At 72 dots per inch a pixel is a point: Letter in landscape is 792 x 612, a margin of
// 20 mm is 57, 5 mm is 14 and 12 mm is 34. The area is in the painter's coordinates.
void TestReportRenderer::pageTarget_printableArea_data() {
    QTest::addColumn<QPageLayout>("layout");
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<bool>("trueSize");
    QTest::newRow("file printer, full page without margins: the whole sheet as it is")
        << letterLayout(QPageLayout::FullPageMode, {}, {}) << QRectF(0, 0, 792, 612) << true;
    QTest::newRow("no margins without full page: the whole sheet as it is")
        << letterLayout(QPageLayout::StandardMode, {}, {}) << QRectF(0, 0, 792, 612) << true;
    QTest::newRow("20 mm margins: scaled into them, from the printable corner")
        << letterLayout(QPageLayout::StandardMode, {20, 20, 20, 20}, {})
        << QRectF(0, 0, 792 - 114, 612 - 114) << false;
    QTest::newRow("full page on a printer with hardware margins: kept out of them")
        << letterLayout(QPageLayout::FullPageMode, {}, {5, 5, 5, 12})
        << QRectF(14, 14, 792 - 28, 612 - 48) << false;
    QTest::newRow("wide side margins: the width decides the scale")
        << letterLayout(QPageLayout::StandardMode, {60, 5, 60, 5}, {})
        << QRectF(0, 0, 792 - 2 * 170, 612 - 28) << false;
}

void TestReportRenderer::pageTarget_printableArea() {
    QFETCH(QPageLayout, layout);
    QFETCH(QRectF, area);
    QFETCH(bool, trueSize);
    TReportPage page; // Letter, 1008 x 779 units
    const QSizeF pageSize = QSizeF(1008, 779) * (72 / LayoutUnitsPerInch);
    const QRectF target = TReportPrinter::PageTarget(page, layout, 72);
    const auto same = [](double a, double b) { return qAbs(a - b) < 1e-6; };
    if (trueSize) {
        QCOMPARE(target, QRectF(QPointF(0, 0), pageSize));
        return;
    }
    const QString seen = QString("target %1,%2 %3x%4")
                             .arg(target.x())
                             .arg(target.y())
                             .arg(target.width())
                             .arg(target.height());
    QVERIFY2(area.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(target), qPrintable(seen));
    QVERIFY2(same(target.width() / target.height(), pageSize.width() / pageSize.height()),
             qPrintable(seen));
    QVERIFY2(same(target.width(), area.width()) || same(target.height(), area.height()),
             qPrintable(seen));
    QVERIFY2(same(target.center().x(), area.center().x()) &&
                 same(target.center().y(), area.center().y()),
             qPrintable(seen));
}

// The page is one grey rectangle the size of the sheet, so the ink on the printed sheet is
// where the page landed. At 36 dots per inch a point is half a pixel.
void TestReportRenderer::print_pdfWithMargins_drawsThePageInsideThem_data() {
    QTest::addColumn<double>("marginMm");
    QTest::addColumn<QRect>("printable");
    QTest::newRow("no margins: the whole sheet") << 0.0 << QRect(0, 0, 396, 306);
    QTest::newRow("20 mm margins") << 20.0 << QRect(0, 0, 396, 306).adjusted(28, 28, -28, -28);
}

void TestReportRenderer::print_pdfWithMargins_drawsThePageInsideThem() {
    QFETCH(double, marginMm);
    QFETCH(QRect, printable);
    if (QStandardPaths::findExecutable("pdftoppm").isEmpty())
        QSKIP("pdftoppm is not installed");
    QTemporaryDir dir;
    TReportPage page;
    TReportObject sheet = box("SDayCell1", 0, 0, page.PageWidth(), page.PageHeight());
    sheet.Kind = TReportObjectKind::Rectangle;
    sheet.FillColor = 0x808080;
    page.Add(sheet);
    QVERIFY(!printToPdf(page, dir.filePath("page.pdf"), marginMm).isEmpty());
    const QImage picture = pdfPicture(dir.filePath("page.pdf"), 36);
    QCOMPARE(picture.size(), QSize(396, 306));
    const QRect ink = inkBounds(picture);
    const QString seen =
        QString("ink %1,%2 %3x%4").arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height());
    QVERIFY2(printable.adjusted(-1, -1, 1, 1).contains(ink), qPrintable(seen));
    // The page fills the printable height and sits in the middle of its width.
    QVERIFY2(qAbs(ink.top() - printable.top()) <= 1 && qAbs(ink.bottom() - printable.bottom()) <= 1,
             qPrintable(seen));
    QVERIFY2(qAbs((ink.left() - printable.left()) - (printable.right() - ink.right())) <= 2,
             qPrintable(seen));
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
