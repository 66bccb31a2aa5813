#pragma once
#include <QPageSize>
#include <QSize>

// The sheets the engine knows by the platform's paper code, with their portrait size.
struct TReportPaper {
    int Code;
    int WidthTenthMm;
    int HeightTenthMm;
    QPageSize::PageSizeId PageSizeId;
};

// Nothing for an unknown code.
const TReportPaper *FindReportPaper(int code);

// A length in tenths of a millimetre, to the nearest layout unit.
int TenthMmToUnits(int tenthMm);

// A length in device pixels at the given resolution, to the nearest layout unit.
int PixelsToUnits(double pixels, double pixelsPerInch);

// The sheet of the paper turned to landscape, in layout units (width x height).
QSize LandscapeSizeInUnits(const TReportPaper &paper);
