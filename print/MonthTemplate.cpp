#include "MonthTemplate.h"

#include "Constants.h"

#include <array>

namespace {

constexpr std::array<int, 7> WeekDayLefts{0, 100, 200, 300, 400, 496, 596};
// Stored row tops of the grid; rows 3 and 4 are 60 apart, the others 56.
constexpr std::array<int, 6> RowTops{128, 184, 240, 296, 356, 412};
constexpr int TemplateLineSpacing = 2;

TReportFont font(const char *name, double size, bool bold, bool italic) {
    TReportFont result;
    result.Name = QString::fromLatin1(name);
    result.Size = size;
    result.Bold = bold;
    result.Italic = italic;
    return result;
}

TReportObject object(TReportObjectKind kind, const QString &name, int left, int top, int width,
                     int height) {
    TReportObject result;
    result.Kind = kind;
    result.Name = name;
    result.Left = left;
    result.Top = top;
    result.Width = width;
    result.Height = height;
    result.LineSpacing = TemplateLineSpacing;
    return result;
}

TReportObject band(const char *name, TBandKind kind, int top, int height) {
    TReportObject result =
        object(TReportObjectKind::Band, QString::fromLatin1(name), 0, top, 1008, height);
    result.Band = kind;
    return result;
}

TReportObject textBox(const QString &name, int left, int top, int width, int height,
                      const TReportFont &face, THorzAlign align, int insetY, const QString &text) {
    TReportObject result = object(TReportObjectKind::TextBox, name, left, top, width, height);
    result.Font = face;
    result.HorzAlign = align;
    result.WordWrap = true;
    result.InsetX = 2;
    result.InsetY = insetY;
    result.SetText(text);
    return result;
}

TReportObject header() {
    TReportObject result =
        textBox("MHeader", 403, 0, 202, 58, font("Times New Roman", 36, true, true),
                THorzAlign::Left, 1, "Month 'Year");
    result.WordWrap = false;
    result.AutoWidth = true;
    result.BandAlign = TBandAlign::Center;
    return result;
}

TReportObject weekDay(int column) {
    TReportObject result =
        textBox(QString("MWeekDay%1").arg(column + 1), WeekDayLefts[column], 100, 96, 22,
                font("Times New Roman", 14, true, true), THorzAlign::Center, 0, "Sunday");
    result.FrameSides = FrameAll;
    return result;
}

// The web address as a reader types it: no scheme, no trailing slash.
QString footerAddress() {
    QString address = QString::fromLatin1(Constants::WebAddress);
    address.remove(QStringLiteral("https://")).remove(QStringLiteral("http://"));
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}

TReportObject footer() {
    TReportObject result = object(TReportObjectKind::RichText, "MFooter", 756, 760, 252, 18);
    result.BandAlign = TBandAlign::Right;
    result.InsetX = 2;
    result.InsetY = 1;
    const TReportFont plain = font("Times New Roman", 10, false, true);
    TReportFont link = plain;
    link.Underline = true;
    result.Runs = {{QStringLiteral("printed with Quorva "), plain}, {footerAddress(), link}};
    return result;
}

void addDayCell(TReportPage &page, int n) {
    const int x = 4 + 60 * ((n - 1) % 7);
    const int y = RowTops[(n - 1) / 7];
    TReportObject cell =
        object(TReportObjectKind::Rectangle, QString("SDayCell%1").arg(n), x, y, 56, 54);
    page.Add(cell);
    page.Add(textBox(QString("MDay%1").arg(n), x + 16, y + 4, 32, 26,
                     font("Times New Roman", 16, true, true), THorzAlign::Right, 1, "31"));
    page.Add(textBox(QString("MEvent%1").arg(n), x + 4, y + 32, 44, 18,
                     font("Tahoma", 10, false, false), THorzAlign::Left, 1, "Events"));
}

} // namespace

TReportPage LoadMonthTemplate() {
    TReportPage page;
    page.Add(band("PageHeaderBand", TBandKind::PageHeader, 0, 58));
    page.Add(band("PageFooter1", TBandKind::PageFooter, 760, 18));
    page.Add(header());
    page.Add(weekDay(0));
    addDayCell(page, 1);
    for (int column = 1; column < 7; ++column)
        page.Add(weekDay(column));
    for (int n = 2; n <= 42; ++n)
        addDayCell(page, n);
    page.Add(footer());
    page.Prepare();
    return page;
}
