#include "MonthPageComposer.h"
#include "MonthTemplate.h"
#include "ReportPrinter.h"
#include "ReportRenderer.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
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

} // namespace

class TestMonthPagePrint : public QObject {
    Q_OBJECT
private slots:
    void print_eachPaper_givesOneLandscapeSheetOfThatPaper_data();
    void print_eachPaper_givesOneLandscapeSheetOfThatPaper();
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

QTEST_MAIN(TestMonthPagePrint)
#include "tst_monthpageprint.moc"
