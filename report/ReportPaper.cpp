#include "ReportPaper.h"

#include "ReportObject.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {
const std::array<TReportPaper, 4> Papers{{
    {1, 2159, 2794, QPageSize::Letter},
    {3, 2794, 4318, QPageSize::Tabloid},
    {8, 2970, 4200, QPageSize::A3},
    {9, 2100, 2970, QPageSize::A4},
}};
} // namespace

const TReportPaper *FindReportPaper(int code) {
    const auto it = std::find_if(Papers.begin(), Papers.end(),
                                 [code](const TReportPaper &paper) { return paper.Code == code; });
    return it == Papers.end() ? nullptr : &*it;
}

int TenthMmToUnits(int tenthMm) {
    return int(std::lround(tenthMm * LayoutUnitsPerInch / 254.0));
}

int PixelsToUnits(double pixels, double pixelsPerInch) {
    return int(std::lround(pixels * LayoutUnitsPerInch / pixelsPerInch));
}

QSize LandscapeSizeInUnits(const TReportPaper &paper) {
    const int shortSide = TenthMmToUnits(std::min(paper.WidthTenthMm, paper.HeightTenthMm));
    const int longSide = TenthMmToUnits(std::max(paper.WidthTenthMm, paper.HeightTenthMm));
    return QSize(longSide, shortSide);
}
