#include "MonthPageComposer.h"
#include "MonthTemplate.h"
#include "ReportPage.h"

#include <QLabel>
#include <QTest>
#include <memory>

namespace {

constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t Grey = 0xE8E8E8; // weekend and empty cells
constexpr std::uint32_t TodayBlue = 0xFFE0C0;
constexpr std::uint32_t OtherMonth = 0xA4A0A0;
constexpr std::uint32_t EventBlue = 0xFF0000;

// March 2025 as the month view shows it: the 1st on a Saturday (cell 7), 31 days, the
// neighbouring months' cells empty and grey, weekends grey.
TMonthPageInput march2025(int paperFormat) {
    TMonthPageInput input;
    input.PaperFormat = paperFormat;
    input.Month = 3;
    input.Year = 2025;
    for (int n = 1; n <= 42; ++n) {
        TMonthViewCell &cell = input.Cells[n - 1];
        const int day = n - 6;
        const int column = (n - 1) % 7;
        if (day < 1 || day > 31) {
            cell.CellColor = Grey;
            continue;
        }
        cell.Day = QString::number(day);
        cell.CellColor = (column == 0 || column == 6) ? Grey : White;
    }
    return input;
}

QRect rectOf(const TReportPage &page, const QString &name) {
    const TReportObject *object = page.Find(name);
    return object ? QRect(object->Left, object->Top, object->Width, object->Height) : QRect();
}

int fillOf(const TReportPage &page, const QString &name) {
    return *page.Find(name)->Property("FillColor");
}

int fontColorOf(const TReportPage &page, const QString &name) {
    return *page.Find(name)->Property("Font.Color");
}

// A stand-in for the main window: the 42 cell panels with their two labels each.
std::unique_ptr<QWidget> fakeMonthView(const TMonthViewCells &cells, std::uint32_t eventColor) {
    auto view = std::make_unique<QWidget>();
    for (int n = 1; n <= 42; ++n) {
        auto *panel = new QWidget(view.get());
        panel->setObjectName(QString("PDay%1").arg(n));
        QPalette palette = panel->palette();
        palette.setColor(QPalette::Window, BgrToQColor(cells[n - 1].CellColor));
        panel->setPalette(palette);
        auto *day = new QLabel(cells[n - 1].Day, panel);
        day->setObjectName(QString("LDay%1").arg(n));
        palette = day->palette();
        palette.setColor(QPalette::WindowText, BgrToQColor(cells[n - 1].DayColor));
        day->setPalette(palette);
        auto *event = new QLabel(cells[n - 1].Event, panel);
        event->setObjectName(QString("LEvent%1").arg(n));
        palette = event->palette();
        palette.setColor(QPalette::WindowText, BgrToQColor(eventColor));
        event->setPalette(palette);
    }
    return view;
}

} // namespace

class TestMonthPageComposer : public QObject {
    Q_OBJECT
private slots:
    void compose_workedValues_data();
    void compose_workedValues();
    void compose_textsOfTheLastColumn_stayWhereANormalColumnPutsThem();
    void compose_titleAndHeadings_comeFromTheShownMonthAndDayNames();
    void compose_todaysCell_printsItsOrdinaryBackground_data();
    void compose_todaysCell_printsItsOrdinaryBackground();
    void compose_neighbouringMonthDays_printInOtherMonthColourOnGrey();
    void compose_emptyFifthAndSixthRows_printAsGreyRectanglesWithoutText();
    void compose_paperIndexOutOfRange_keepsThePagesPaper_data();
    void compose_paperIndexOutOfRange_keepsThePagesPaper();
    void compose_twice_givesTheSamePage();
    void readMonthView_takesTextsAndColoursAndEventsPrintInDayColour();
};

void TestMonthPageComposer::compose_workedValues_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<QSize>("pageSize");
    QTest::addColumn<QRect>("cell1");
    QTest::addColumn<QRect>("event1");
    QTest::addColumn<int>("lastWidth");
    QTest::addColumn<int>("bottomHeight");
    QTest::newRow("Letter") << 0 << QSize(1008, 779) << QRect(2, 87, 142, 110)
                            << QRect(7, 112, 137, 80) << 143 << 116;
    QTest::newRow("Tabloid") << 1 << QSize(1558, 1008) << QRect(2, 87, 221, 149)
                             << QRect(7, 112, 216, 119) << 219 << 150;
    QTest::newRow("A4") << 2 << QSize(1071, 758) << QRect(2, 87, 151, 107) << QRect(7, 112, 146, 77)
                        << 152 << 110;
    QTest::newRow("A3") << 3 << QSize(1515, 1071) << QRect(2, 87, 215, 159)
                        << QRect(7, 112, 210, 129) << 212 << 163;
}

void TestMonthPageComposer::compose_workedValues() {
    QFETCH(int, format);
    QFETCH(QSize, pageSize);
    QFETCH(QRect, cell1);
    QFETCH(QRect, event1);
    QFETCH(int, lastWidth);
    QFETCH(int, bottomHeight);
    TReportPage page = LoadMonthTemplate();
    ComposeMonthPage(page, march2025(format));

    QCOMPARE(QSize(page.PageWidth(), page.PageHeight()), pageSize);
    QCOMPARE(rectOf(page, "SDayCell1"), cell1);
    QCOMPARE(rectOf(page, "MEvent1"), event1);
    const int pitch = cell1.width() + 1;
    QCOMPARE(rectOf(page, "MDay1"), QRect(pitch - 35, 89, 32, 26));
    QCOMPARE(rectOf(page, "MWeekDay1"), QRect(2, 64, pitch - 1, 22));
    QCOMPARE(fillOf(page, "MWeekDay3"), int(Grey));

    // The last column's rectangles and heading end 5 units inside the right edge.
    QCOMPARE(page.Find("MWeekDay7")->Width, lastWidth);
    for (int n = 7; n <= 42; n += 7) {
        const QRect rect = rectOf(page, QString("SDayCell%1").arg(n));
        QCOMPARE(rect.width(), lastWidth);
        QCOMPARE(rect.left() + rect.width(), pageSize.width() - 5);
    }
    // The bottom row ends 3 units above the 18-unit footer band.
    for (int n = 36; n <= 42; ++n) {
        const QRect rect = rectOf(page, QString("SDayCell%1").arg(n));
        QCOMPARE(rect.height(), bottomHeight);
        QCOMPARE(rect.top() + rect.height(), pageSize.height() - 21);
        QCOMPARE(page.Find(QString("MEvent%1").arg(n))->Height, cell1.height() + 1 - 31);
    }
    // One unit between neighbouring rectangles across and down.
    QCOMPARE(rectOf(page, "SDayCell2").left(), cell1.left() + cell1.width() + 1);
    QCOMPARE(rectOf(page, "SDayCell8").top(), cell1.top() + cell1.height() + 1);
}

void TestMonthPageComposer::compose_textsOfTheLastColumn_stayWhereANormalColumnPutsThem() {
    TReportPage page = LoadMonthTemplate();
    ComposeMonthPage(page, march2025(1)); // Tabloid: CW 222, narrower last column
    QCOMPARE(rectOf(page, "MDay7"), QRect(222 * 7 - 35, 89, 32, 26));
    QCOMPARE(rectOf(page, "MEvent42"), QRect(222 * 6 + 7, 150 * 5 + 87 + 25, 216, 119));
}

void TestMonthPageComposer::compose_titleAndHeadings_comeFromTheShownMonthAndDayNames() {
    TReportPage page = LoadMonthTemplate();
    ComposeMonthPage(page, march2025(0));
    QCOMPARE(page.Find("MHeader")->Lines, QStringList{"March '2025"});
    const QStringList days{"Sunday",   "Monday", "Tuesday", "Wednesday",
                           "Thursday", "Friday", "Saturday"};
    for (int k = 1; k <= 7; ++k)
        QCOMPARE(page.Find(QString("MWeekDay%1").arg(k))->Lines, QStringList{days[k - 1]});
    QCOMPARE(page.Find("MDay7")->Lines, QStringList{"1"});
    QCOMPARE(page.Find("MDay37")->Lines, QStringList{"31"});
}

void TestMonthPageComposer::compose_todaysCell_printsItsOrdinaryBackground_data() {
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("fill");
    QTest::newRow("Wednesday the 12th") << 18 << int(White);
    QTest::newRow("Saturday the 15th") << 21 << int(Grey);
    QTest::newRow("Sunday the 16th") << 22 << int(Grey);
}

void TestMonthPageComposer::compose_todaysCell_printsItsOrdinaryBackground() {
    QFETCH(int, cell);
    QFETCH(int, fill);
    TMonthPageInput input = march2025(0);
    input.Cells[cell - 1].CellColor = TodayBlue;
    TReportPage page = LoadMonthTemplate();
    ComposeMonthPage(page, input);
    QCOMPARE(fillOf(page, QString("SDayCell%1").arg(cell)), fill);
    QCOMPARE(fillOf(page, "SDayCell19"), int(White));
}

void TestMonthPageComposer::compose_neighbouringMonthDays_printInOtherMonthColourOnGrey() {
    TMonthPageInput input = march2025(0);
    for (int n = 1; n <= 6; ++n) { // February 23 .. 28
        input.Cells[n - 1].Day = QString::number(22 + n);
        input.Cells[n - 1].DayColor = OtherMonth;
    }
    input.Cells[2].Event = "Dentist";
    TReportPage page = LoadMonthTemplate();
    ComposeMonthPage(page, input);
    QCOMPARE(page.Find("MDay3")->Lines, QStringList{"25"});
    QCOMPARE(fontColorOf(page, "MDay3"), int(OtherMonth));
    QCOMPARE(fontColorOf(page, "MEvent3"), int(OtherMonth));
    QCOMPARE(fillOf(page, "SDayCell3"), int(Grey));
    QCOMPARE(fontColorOf(page, "MEvent8"), 0x000000);
}

void TestMonthPageComposer::compose_emptyFifthAndSixthRows_printAsGreyRectanglesWithoutText() {
    // February 2026 starts on a Sunday and fills rows 0 .. 3 exactly.
    TMonthPageInput input;
    input.Month = 2;
    input.Year = 2026;
    for (int n = 1; n <= 42; ++n) {
        TMonthViewCell &cell = input.Cells[n - 1];
        if (n <= 28)
            cell.Day = QString::number(n);
        cell.CellColor = n <= 28 ? White : Grey;
    }
    TReportPage page = LoadMonthTemplate();
    page.Find("MEvent40")->SetText("left over");
    ComposeMonthPage(page, input);
    for (int n = 29; n <= 42; ++n) {
        QVERIFY(page.Find(QString("MDay%1").arg(n))->Lines.isEmpty());
        QVERIFY(page.Find(QString("MEvent%1").arg(n))->Lines.isEmpty());
        QCOMPARE(fillOf(page, QString("SDayCell%1").arg(n)), int(Grey));
        QVERIFY(page.Find(QString("SDayCell%1").arg(n))->Visible);
    }
    QCOMPARE(page.Find("MHeader")->Lines, QStringList{"February '2026"});
}

void TestMonthPageComposer::compose_paperIndexOutOfRange_keepsThePagesPaper_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("then");
    QTest::addColumn<QSize>("pageSize");
    QTest::newRow("7 after A4") << 2 << 7 << QSize(1071, 758);
    QTest::newRow("-1 after A3") << 3 << -1 << QSize(1515, 1071);
    QTest::newRow("7 on a fresh page") << 7 << 7 << QSize(1008, 779);
}

void TestMonthPageComposer::compose_paperIndexOutOfRange_keepsThePagesPaper() {
    QFETCH(int, first);
    QFETCH(int, then);
    QFETCH(QSize, pageSize);
    TReportPage page = LoadMonthTemplate();
    ComposeMonthPage(page, march2025(first));
    ComposeMonthPage(page, march2025(then));
    QCOMPARE(QSize(page.PageWidth(), page.PageHeight()), pageSize);
    QCOMPARE(rectOf(page, "SDayCell1").topLeft(), QPoint(2, 87));
    QCOMPARE(page.Find("MHeader")->Lines, QStringList{"March '2025"});
}

void TestMonthPageComposer::compose_twice_givesTheSamePage() {
    TMonthPageInput input = march2025(1);
    input.Cells[20].Event = "Gym\nDentist";
    TReportPage once = LoadMonthTemplate();
    ComposeMonthPage(once, input);
    TReportPage twice = LoadMonthTemplate();
    ComposeMonthPage(twice, march2025(3));
    ComposeMonthPage(twice, input);
    ComposeMonthPage(twice, input);
    QCOMPARE(twice.Objects().size(), once.Objects().size());
    for (const TReportObject &object : once.Objects()) {
        const TReportObject *other = twice.Find(object.Name);
        QVERIFY(other);
        for (const char *property : {"Left", "Top", "Width", "Height", "FillColor", "Font.Color"})
            QCOMPARE(other->Property(property), object.Property(property));
        QCOMPARE(other->Lines, object.Lines);
    }
}

void TestMonthPageComposer::readMonthView_takesTextsAndColoursAndEventsPrintInDayColour() {
    TMonthViewCells cells = march2025(0).Cells;
    cells[11].Event = "Dentist\nGym";
    cells[11].CellColor = TodayBlue;
    cells[0].DayColor = OtherMonth;
    const auto view = fakeMonthView(cells, EventBlue);
    const TMonthViewCells read = ReadMonthView(view.get());
    QCOMPARE(read[11].Day, QString("6"));
    QCOMPARE(read[11].Event, QString("Dentist\nGym"));
    QCOMPARE(read[11].CellColor, TodayBlue);
    QCOMPARE(read[0].DayColor, OtherMonth);
    QCOMPARE(read[6].CellColor, Grey);

    TMonthPageInput input = march2025(0);
    input.Cells = read;
    TReportPage page = LoadMonthTemplate();
    ComposeMonthPage(page, input);
    QCOMPARE(page.Find("MEvent12")->Lines, (QStringList{"Dentist", "Gym"}));
    QCOMPARE(fontColorOf(page, "MEvent12"), 0x000000);
    QCOMPARE(fillOf(page, "SDayCell12"), int(White));
}

QTEST_MAIN(TestMonthPageComposer)
#include "tst_monthpagecomposer.moc"
