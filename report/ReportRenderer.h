#pragma once
#include "ReportPage.h"

#include <QRect>
#include <QSizeF>
#include <QStringList>

class QPainter;

// Draws a prepared page onto any painter (screen, image, printer, PDF), objects in list
// order. The painter's origin is the sheet's top left corner. Texts print literally.
class TReportRenderer {
public:
    // scale: device pixels per layout unit.
    static void Render(const TReportPage &page, QPainter &painter, double scale);

    // Where an object lands on the prepared page, in layout units: band placement, band
    // alignment and auto width applied.
    static QRect PlacedRect(const TReportPage &page, const TReportObject &object);

    // The width an auto-width text box takes for its text, in layout units.
    static int AutoWidth(const TReportObject &object);

    // The lines a text box shows in a box of the given size in layout units: its lines, word
    // wrapped when it wraps. When they do not all fit under one another, as many show as fit
    // and the last of them reads "+N more" instead, N counting every line not shown. At least
    // one line is always drawn. Measured like the auto width, so the screen and every printer
    // break and cut the same lines.
    static QStringList LinesToDraw(const TReportObject &object, const QSizeF &box);

private:
    static void drawObject(const TReportObject &object, const QRectF &rect, QPainter &painter,
                           double scale);
    static void drawFrame(const TReportObject &object, const QRectF &rect, QPainter &painter,
                          double scale);
    static void drawLines(const TReportObject &object, const QRectF &rect, QPainter &painter,
                          double scale);
    static void drawRuns(const TReportObject &object, const QRectF &rect, QPainter &painter,
                         double scale);
};
