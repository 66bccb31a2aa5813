#include "MonthPageComposer.h"

#include "Pool.h"
#include "ReportPage.h"

#include <QLabel>
#include <QWidget>
#include <stdexcept>

namespace {

constexpr std::array<int, 4> PaperCodes{1, 3, 9, 8}; // Letter, Tabloid, A4, A3

// The template holds every object the composer names; a missing one is a broken build.
TReportObject &objectNamed(TReportPage &page, const QString &name) {
    TReportObject *object = page.Find(name);
    if (!object)
        throw std::logic_error("month page template lacks " + name.toStdString());
    return *object;
}

QString title(int month, int year) {
    const bool known = month >= 1 && month <= 12;
    const QString name = known ? QString::fromStdString(MonthNames[month]) : QString();
    return name + QStringLiteral(" '") + QString::number(year);
}

struct TGrid {
    int HeaderHeight; // Hh
    int CellTop;      // T0
    int ColumnPitch;  // CW
    int RowPitch;     // RH
    int LastWidth;    // LW
    int LastHeight;   // LH
};

TGrid gridFor(const TReportPage &page, int hh, int hf, int hw) {
    const int a = page.PageHeight() - 3;
    const int b = page.PageWidth() - 3;
    const int v = a - hh - hf - hw - 7;
    TGrid grid{};
    grid.HeaderHeight = hh;
    grid.CellTop = hh + hw + 7;
    grid.ColumnPitch = b / 7;
    grid.RowPitch = v / 6;
    grid.LastWidth = grid.ColumnPitch + b % 7 - 4;
    grid.LastHeight = v - 5 * grid.RowPitch;
    return grid;
}

void setHeading(TReportPage &page, int column, const TGrid &grid, const TMonthPageColors &colors) {
    TReportObject &heading = objectNamed(page, QString("MWeekDay%1").arg(column + 1));
    heading.SetProperty("Width", grid.ColumnPitch - 1);
    heading.SetProperty("Left", grid.ColumnPitch * column + 2);
    heading.SetProperty("Top", grid.HeaderHeight + 6);
    heading.SetProperty("FillColor", int(colors.WeekendCell));
}

void setCell(TReportPage &page, int column, int row, const TGrid &grid,
             const TMonthPageInput &input) {
    const int n = 7 * row + column + 1;
    const int y = grid.RowPitch * row + grid.CellTop;
    const TMonthViewCell &source = input.Cells[n - 1];
    TReportObject &day = objectNamed(page, QString("MDay%1").arg(n));
    TReportObject &cell = objectNamed(page, QString("SDayCell%1").arg(n));
    TReportObject &event = objectNamed(page, QString("MEvent%1").arg(n));

    // The day numbers end 4 units inside the cell with the template's width of 32.
    day.SetProperty("Left", grid.ColumnPitch * (column + 1) - 35);
    day.SetProperty("Top", y + 2);
    day.SetText(source.Day);

    cell.SetProperty("Width", grid.ColumnPitch - 1);
    cell.SetProperty("Left", grid.ColumnPitch * column + 2);
    cell.SetProperty("Height", grid.RowPitch - 1);
    cell.SetProperty("Top", y);

    event.SetProperty("Top", *cell.Property("Top") + 25);
    event.SetProperty("Left", *cell.Property("Left") + 5);
    event.SetProperty("Width", *cell.Property("Width") - 5);
    event.SetProperty("Height", *cell.Property("Height") - 30);
    event.SetText(source.Event);

    day.SetProperty("Font.Color", int(source.DayColor));

    // Paper shows no "today": that cell takes the background its weekday would have.
    std::uint32_t fill = source.CellColor;
    if (fill == input.Colors.TodayCell)
        fill =
            (column == 0 || column == 6) ? input.Colors.WeekendCell : input.Colors.CellBackground;
    cell.SetProperty("FillColor", int(fill));

    // Events print in the colour of their day number, not in the screen's event colour.
    event.SetProperty("Font.Color", *day.Property("Font.Color"));
}

} // namespace

TMonthViewCells ReadMonthView(const QWidget *monthView) {
    TMonthViewCells cells;
    if (!monthView)
        return cells;
    for (int n = 1; n <= 42; ++n) {
        TMonthViewCell &cell = cells[n - 1];
        if (const auto *panel = monthView->findChild<const QWidget *>(QString("PDay%1").arg(n)))
            cell.CellColor = QColorToBgr(panel->palette().color(QPalette::Window));
        if (const auto *day = monthView->findChild<const QLabel *>(QString("LDay%1").arg(n))) {
            cell.Day = day->text();
            cell.DayColor = QColorToBgr(day->palette().color(QPalette::WindowText));
        }
        if (const auto *event = monthView->findChild<const QLabel *>(QString("LEvent%1").arg(n)))
            cell.Event = event->text();
    }
    return cells;
}

void ComposeMonthPage(TReportPage &page, const TMonthPageInput &input) {
    if (input.PaperFormat >= 0 && input.PaperFormat < int(PaperCodes.size()))
        page.SetPaperCode(PaperCodes[std::size_t(input.PaperFormat)]);
    page.Prepare();

    for (int k = 1; k <= 7; ++k)
        objectNamed(page, QString("MWeekDay%1").arg(k))
            .SetText(QString::fromStdString(DayNames[std::size_t(k)]));

    TReportObject &header = objectNamed(page, "MHeader");
    const TReportObject &footer = objectNamed(page, "MFooter");
    header.SetText(title(input.Month, input.Year));

    const TGrid grid = gridFor(page, *header.Property("Height"), *footer.Property("Height"),
                               *objectNamed(page, "MWeekDay1").Property("Height"));
    for (int column = 0; column < 7; ++column) {
        setHeading(page, column, grid, input.Colors);
        for (int row = 0; row < 6; ++row)
            setCell(page, column, row, grid, input);
    }

    // The last column takes what the column pitch leaves over; the texts stay put.
    objectNamed(page, "MWeekDay7").SetProperty("Width", grid.LastWidth);
    for (int n = 7; n <= 42; n += 7)
        objectNamed(page, QString("SDayCell%1").arg(n)).SetProperty("Width", grid.LastWidth);
    // The bottom row reaches down to 3 units above the footer band.
    for (int n = 36; n <= 42; ++n)
        objectNamed(page, QString("SDayCell%1").arg(n)).SetProperty("Height", grid.LastHeight);
}
