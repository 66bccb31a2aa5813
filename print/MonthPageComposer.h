#pragma once
#include <QString>
#include <array>
#include <cstdint>

class QWidget;
class TReportPage;

// What one cell of the month view shows, colours written 0x00BBGGRR.
struct TMonthViewCell {
    QString Day;
    QString Event;
    std::uint32_t DayColor = 0x000000;
    std::uint32_t CellColor = 0xFFFFFF;
};
using TMonthViewCells = std::array<TMonthViewCell, 42>;

// The three scheme colours the page uses in place of the screen's highlight of today.
struct TMonthPageColors {
    std::uint32_t CellBackground = 0xFFFFFF;
    std::uint32_t WeekendCell = 0xE8E8E8;
    std::uint32_t TodayCell = 0xFFE0C0;
};

struct TMonthPageInput {
    int PaperFormat = 0; // 0 Letter, 1 Tabloid, 2 A4, 3 A3; anything else keeps the paper
    int Month = 1;
    int Year = 2000;
    TMonthViewCells Cells;
    TMonthPageColors Colors;
};

// Reads the 42 cells of the month view (panels PDay1.., labels LDay1.. and LEvent1..).
// A missing control reads as an empty white cell.
TMonthViewCells ReadMonthView(const QWidget *monthView);

// Lays the month page template out for the month and the paper. Every value it sets is
// re-computed from the template's unchanged heights, so composing twice gives the same page.
void ComposeMonthPage(TReportPage &page, const TMonthPageInput &input);
