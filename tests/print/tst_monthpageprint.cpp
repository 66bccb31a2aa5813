#include "MonthPageComposer.h"
#include "MonthTemplate.h"
#include "ReportPrinter.h"
#include "ReportRenderer.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

TMonthPageInput sampleMonth(int format) {
    TMonthPageInput input;
    input.PaperFormat = format;
    input.Month = 3;
    input.Year = 2025;
    for (int n = 1; n <= 42; ++n) {
        TMonthViewCell &cell = input.Cells[n - 1];
        const int day = n - 6;
        const int column = (n - 1) % 7;
        cell.CellColor = (day < 1 || day > 31 || column == 0 || column == 6) ? 0xE8E8E8 : 0xFFFFFF;
        if (day >= 1 && day <= 31)
            cell.Day = QString::number(day);
    }
    input.Cells[11].Event = "Dentist 10:30\nGym";
    input.Cells[19].Event = "Pay rent [Date] & call the bank about the new card";
    input.Cells[25].CellColor = 0xFFE0C0;
    return input;
}

// The text lines of a day's event box as they are drawn on the page.
QStringList drawnEventLines(const TReportPage &page, int cell) {
    const TReportObject &event = *page.Find(QString("MEvent%1").arg(cell));
    return TReportRenderer::LinesToDraw(event,
                                        QSizeF(TReportRenderer::PlacedRect(page, event).size()));
}

} // namespace

class TestMonthPagePrint : public QObject {
    Q_OBJECT
private slots:
    void print_eachPaper_givesOneLandscapeSheetOfThatPaper_data();
    void print_eachPaper_givesOneLandscapeSheetOfThatPaper();
    void compose_busyDay_showsTheFirstEventsAndHowManyLinesMore_data();
    void compose_busyDay_showsTheFirstEventsAndHowManyLinesMore();
    void print_pdfWith20mmMargins_keepsEveryWordInsideThem();
};

void TestMonthPagePrint::print_eachPaper_givesOneLandscapeSheetOfThatPaper_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QSize>("points");
    QTest::newRow("Letter") << 0 << QSize(792, 612);
    QTest::newRow("Tabloid") << 1 << QSize(1224, 792);
    QTest::newRow("A4") << 2 << QSize(842, 595);
    QTest::newRow("A3") << 3 << QSize(1191, 842);
}

void TestMonthPagePrint::print_eachPaper_givesOneLandscapeSheetOfThatPaper() {
    QFETCH(int, format);
    QFETCH(QSize, points);
    TReportPage page = LoadMonthTemplate();
    ComposeMonthPage(page, sampleMonth(format));
    const QRect header = TReportRenderer::PlacedRect(page, *page.Find("MHeader"));
    QCOMPARE(header.left(), (page.PageWidth() - header.width()) / 2);

    // QUORVA_LOOK_DIR keeps the files for a person to look at.
    QTemporaryDir temporary;
    const QString folder = qEnvironmentVariableIsSet("QUORVA_LOOK_DIR")
                               ? qEnvironmentVariable("QUORVA_LOOK_DIR")
                               : temporary.path();
    const QString path =
        QDir(folder).filePath(QString("month-%1.pdf").arg(QTest::currentDataTag()));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    TReportPrinter::SetUpPrinter(printer, page);
    QVERIFY(TReportPrinter::Print(page, printer));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString pdf = QString::fromLatin1(file.readAll());
    static const QRegularExpression mediaBox(R"(/MediaBox \[0 0 ([\d.]+) ([\d.]+)\])");
    QCOMPARE(pdf.count(mediaBox), 1);
    const QRegularExpressionMatch match = mediaBox.match(pdf);
    QCOMPARE(QSize(qRound(match.captured(1).toDouble()), qRound(match.captured(2).toDouble())),
             points);
}

void TestMonthPagePrint::compose_busyDay_showsTheFirstEventsAndHowManyLinesMore_data() {
    QTest::addColumn<int>("format");
    QTest::newRow("Letter") << 0;
    QTest::newRow("Tabloid") << 1;
    QTest::newRow("A4") << 2;
    QTest::newRow("A3") << 3;
}

void TestMonthPagePrint::compose_busyDay_showsTheFirstEventsAndHowManyLinesMore() {
    QFETCH(int, format);
    TMonthPageInput input = sampleMonth(format);
    QStringList events;
    for (int k = 1; k <= 12; ++k)
        events << QString("Event %1").arg(k);
    input.Cells[13].Event = events.join('\n');
    TReportPage page = LoadMonthTemplate();
    ComposeMonthPage(page, input);

    const QStringList busy = drawnEventLines(page, 14);
    QVERIFY2(busy.size() >= 2 && busy.size() < events.size(), qPrintable(busy.join(" | ")));
    static const QRegularExpression more(R"(^\+(\d+) more$)");
    const QRegularExpressionMatch match = more.match(busy.last());
    QVERIFY2(match.hasMatch(), qPrintable(busy.last()));
    QCOMPARE(busy.mid(0, busy.size() - 1), events.mid(0, busy.size() - 1));
    QCOMPARE(busy.size() - 1 + match.captured(1).toInt(), events.size());

    // A quiet day prints its events as they are.
    QCOMPARE(drawnEventLines(page, 12), (QStringList{"Dentist 10:30", "Gym"}));
}

// On a printer that prints only inside its margins, the page shrinks into them: nothing of
// the title, the grid or the footer in the bottom right corner falls into the margins. At
// 20 mm (57 points) the printable part of Letter in landscape is 57..735 x 57..555 points.
void TestMonthPagePrint::print_pdfWith20mmMargins_keepsEveryWordInsideThem() {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty())
        QSKIP("pdftotext is not installed");
    TReportPage page = LoadMonthTemplate();
    ComposeMonthPage(page, sampleMonth(0));
    QTemporaryDir dir;
    const QString path = dir.filePath("month.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    TReportPrinter::SetUpPrinter(printer, page);
    printer.setFullPage(false);
    printer.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    QVERIFY(TReportPrinter::Print(page, printer));

    QProcess process;
    process.start(pdftotext, {"-bbox", path, "-"});
    QVERIFY(process.waitForFinished());
    const QString boxes = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    // Word boxes come from the font's ascent and descent, a little beyond the ink.
    const QRectF printable = QRectF(57, 57, 735 - 57, 555 - 57).adjusted(-1.5, -1.5, 1.5, 1.5);
    QStringList words;
    for (const QRegularExpressionMatch &match : word.globalMatch(boxes)) {
        const QRectF box(QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()),
                         QPointF(match.captured(3).toDouble(), match.captured(4).toDouble()));
        QVERIFY2(printable.contains(box),
                 qPrintable(QString("%1 at %2,%3 .. %4,%5")
                                .arg(match.captured(5), match.captured(1), match.captured(2),
                                     match.captured(3), match.captured(4))));
        words << match.captured(5);
    }
    QVERIFY2(words.contains("March") && words.contains("Quorva"), qPrintable(words.join(' ')));
}

QTEST_MAIN(TestMonthPagePrint)
#include "tst_monthpageprint.moc"
