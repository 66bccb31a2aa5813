#include "ReportRenderer.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

// Text is measured for layout at a fine resolution, so that auto widths do not depend on
// the screen or on the zoom.
constexpr int MeasureDpi = 1200;

QFont deviceFont(const TReportFont &wanted, double scale, const QPaintDevice *device) {
    QFont font(wanted.Name);
    // A point size that gives the face its true size in layout units once the device
    // resolves points with its own resolution.
    font.setPointSizeF(wanted.Size * scale * LayoutUnitsPerInch / device->logicalDpiY());
    font.setBold(wanted.Bold);
    font.setItalic(wanted.Italic);
    font.setUnderline(wanted.Underline);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

const QImage &measureDevice() {
    static const QImage image = [] {
        QImage result(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = int(std::lround(MeasureDpi / 0.0254));
        result.setDotsPerMeterX(dotsPerMeter);
        result.setDotsPerMeterY(dotsPerMeter);
        return result;
    }();
    return image;
}

// Measuring pixels per layout unit.
constexpr double MeasurePerUnit = MeasureDpi / LayoutUnitsPerInch;

QFontMetricsF measureMetrics(const TReportFont &wanted) {
    return QFontMetricsF(deviceFont(wanted, MeasurePerUnit, &measureDevice()), &measureDevice());
}

// Greedy wrapping at blanks; a word wider than the box breaks between characters rather
// than run out of it.
QStringList wrapLine(const QString &line, const QFontMetricsF &metrics, double width) {
    QStringList result;
    QString current;
    bool first = true;
    for (const QString &word : line.split(QLatin1Char(' '))) {
        const QString candidate = first ? word : current + QLatin1Char(' ') + word;
        if (!first && !current.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
            result << current;
            current = word;
        } else {
            current = candidate;
        }
        first = false;
        while (current.size() > 1 && metrics.horizontalAdvance(current) > width) {
            qsizetype fit = current.size() - 1;
            while (fit > 1 && metrics.horizontalAdvance(current.left(fit)) > width)
                --fit;
            result << current.left(fit);
            current = current.mid(fit);
        }
    }
    result << current;
    return result;
}

double alignedX(THorzAlign align, const QRectF &textArea, double lineWidth) {
    switch (align) {
    case THorzAlign::Right:
        return textArea.right() - lineWidth;
    case THorzAlign::Center:
        return textArea.left() + (textArea.width() - lineWidth) / 2;
    case THorzAlign::Left:
        break;
    }
    return textArea.left();
}

double alignedY(TVertAlign align, const QRectF &textArea, double textHeight) {
    switch (align) {
    case TVertAlign::Bottom:
        return textArea.bottom() - textHeight;
    case TVertAlign::Center:
        return textArea.top() + (textArea.height() - textHeight) / 2;
    case TVertAlign::Top:
        break;
    }
    return textArea.top();
}

QRectF textArea(const TReportObject &object, const QRectF &rect, double scale) {
    return rect.adjusted(object.InsetX * scale, object.InsetY * scale, -object.InsetX * scale, 0);
}

const TReportObject *bandOf(const TReportPage &page, const TReportObject &object) {
    for (const TReportObject &band : page.Objects()) {
        if (band.Kind == TReportObjectKind::Band && band.Band != TBandKind::None &&
            object.Top >= band.Top && object.Top <= band.Top + band.Height)
            return &band;
    }
    return nullptr;
}

int placedBandTop(const TReportPage &page, const TReportObject &band) {
    if (band.Band == TBandKind::PageHeader)
        return 0;
    if (band.Band == TBandKind::PageFooter)
        return page.PageHeight() - band.Height;
    return band.Top;
}

// One word (with the blanks that follow it) of a rich-text paragraph.
struct TRunPiece {
    QString Text;
    QFont Font;
    QColor Color;
    double Width;
};

} // namespace

int TReportRenderer::AutoWidth(const TReportObject &object) {
    const QFontMetricsF metrics = measureMetrics(object.Font);
    double widest = 0;
    for (const QString &line : object.Lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return int(std::ceil(widest / MeasurePerUnit)) + 2 * object.InsetX;
}

QStringList TReportRenderer::LinesToDraw(const TReportObject &object, const QSizeF &box) {
    const QFontMetricsF metrics = measureMetrics(object.Font);
    const double width = (box.width() - 2 * object.InsetX) * MeasurePerUnit;
    QStringList lines;
    for (const QString &line : object.Lines)
        lines << (object.WordWrap ? wrapLine(line, metrics, width) : QStringList{line});

    // n lines take n line heights and n - 1 line spacings; a line cut at the bottom does not
    // count as shown. The small allowance keeps a line that fits exactly from being lost to
    // rounding.
    const double room = (box.height() - object.InsetY) * MeasurePerUnit;
    const double step = metrics.height() + object.LineSpacing * MeasurePerUnit;
    const qsizetype fitting =
        room < metrics.height()
            ? 0
            : qsizetype(std::floor((room - metrics.height()) / step + 1e-6)) + 1;
    const qsizetype shown = std::max<qsizetype>(fitting, 1);
    if (lines.size() <= shown)
        return lines;
    const qsizetype hidden = lines.size() - shown + 1;
    lines.resize(shown - 1);
    lines << QStringLiteral("+%1 more").arg(hidden);
    return lines;
}

QRect TReportRenderer::PlacedRect(const TReportPage &page, const TReportObject &object) {
    QRect rect(object.Left, object.Top, object.Width, object.Height);
    if (object.Kind == TReportObjectKind::Band) {
        rect.moveTop(placedBandTop(page, object));
        return rect;
    }
    if (const TReportObject *band = bandOf(page, object))
        rect.translate(0, placedBandTop(page, *band) - band->Top);
    if (object.AutoWidth && object.Kind == TReportObjectKind::TextBox)
        rect.setWidth(AutoWidth(object));
    switch (object.BandAlign) {
    case TBandAlign::Center:
        rect.moveLeft((page.PageWidth() - rect.width()) / 2);
        break;
    case TBandAlign::Right:
        rect.moveLeft(page.PageWidth() - rect.width());
        break;
    case TBandAlign::Left:
        rect.moveLeft(0);
        break;
    case TBandAlign::Width:
        rect.setLeft(0);
        rect.setWidth(page.PageWidth());
        break;
    default:
        break;
    }
    return rect;
}

void TReportRenderer::Render(const TReportPage &page, QPainter &painter, double scale) {
    for (const TReportObject &object : page.Objects()) {
        if (!object.Visible)
            continue;
        const QRect placed = PlacedRect(page, object);
        const QRectF rect(placed.left() * scale, placed.top() * scale, placed.width() * scale,
                          placed.height() * scale);
        painter.save();
        drawObject(object, rect, painter, scale);
        painter.restore();
    }
}

void TReportRenderer::drawObject(const TReportObject &object, const QRectF &rect, QPainter &painter,
                                 double scale) {
    if (object.Kind == TReportObjectKind::Rectangle) {
        painter.setPen(QPen(BgrToQColor(object.FrameColor), object.FrameWidth * scale,
                            Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(object.FillColor == ReportNoColor ? QBrush(Qt::NoBrush)
                                                           : QBrush(BgrToQColor(object.FillColor)));
        painter.drawRect(rect);
        return;
    }
    if (object.FillColor != ReportNoColor)
        painter.fillRect(rect, BgrToQColor(object.FillColor));
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    if (object.Kind == TReportObjectKind::TextBox)
        drawLines(object, rect, painter, scale);
    else if (object.Kind == TReportObjectKind::RichText)
        drawRuns(object, rect, painter, scale);
    painter.restore();
    drawFrame(object, rect, painter, scale);
}

void TReportRenderer::drawFrame(const TReportObject &object, const QRectF &rect, QPainter &painter,
                                double scale) {
    if (object.FrameSides == 0)
        return;
    painter.setPen(QPen(BgrToQColor(object.FrameColor), object.FrameWidth * scale, Qt::SolidLine,
                        Qt::SquareCap));
    if (object.FrameSides & FrameLeft)
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
    if (object.FrameSides & FrameTop)
        painter.drawLine(rect.topLeft(), rect.topRight());
    if (object.FrameSides & FrameRight)
        painter.drawLine(rect.topRight(), rect.bottomRight());
    if (object.FrameSides & FrameBottom)
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
}

void TReportRenderer::drawLines(const TReportObject &object, const QRectF &rect, QPainter &painter,
                                double scale) {
    const QFont font = deviceFont(object.Font, scale, painter.device());
    const QFontMetricsF metrics(font, painter.device());
    const QRectF area = textArea(object, rect, scale);
    const QStringList lines = LinesToDraw(object, rect.size() / scale);
    // Lines stand where the measurement put them, so that a coarse device, whose font
    // heights round to whole pixels, draws every line that was counted as fitting.
    const QFontMetricsF measured = measureMetrics(object.Font);
    const double lineHeight = measured.height() / MeasurePerUnit * scale;
    const double ascent = measured.ascent() / MeasurePerUnit * scale;
    const double step = lineHeight + object.LineSpacing * scale;
    double y = alignedY(object.VertAlign, area, step * lines.size() - object.LineSpacing * scale);
    painter.setFont(font);
    painter.setPen(BgrToQColor(object.Font.Color));
    for (const QString &line : lines) {
        const double x = alignedX(object.HorzAlign, area, metrics.horizontalAdvance(line));
        painter.drawText(QPointF(x, y + ascent), line);
        y += step;
    }
}

void TReportRenderer::drawRuns(const TReportObject &object, const QRectF &rect, QPainter &painter,
                               double scale) {
    static const QRegularExpression piecePattern(QStringLiteral("\\S+\\s*|\\s+"));
    const QRectF area = textArea(object, rect, scale);
    std::vector<std::vector<TRunPiece>> lines(1);
    double x = 0;
    for (const TRichRun &run : object.Runs) {
        const QFont font = deviceFont(run.Font, scale, painter.device());
        const QFontMetricsF metrics(font, painter.device());
        for (const auto &match : piecePattern.globalMatch(run.Text)) {
            const QString text = match.captured();
            const double width = metrics.horizontalAdvance(text);
            const double inkWidth = metrics.horizontalAdvance(text.trimmed());
            if (object.WordWrap && !lines.back().empty() && x + inkWidth > area.width()) {
                lines.emplace_back();
                x = 0;
            }
            lines.back().push_back({text, font, BgrToQColor(run.Font.Color), width});
            x += width;
        }
    }
    double y = area.top();
    for (const auto &line : lines) {
        double ascent = 0, height = 0, width = 0;
        for (const TRunPiece &piece : line) {
            const QFontMetricsF metrics(piece.Font, painter.device());
            ascent = std::max(ascent, metrics.ascent());
            height = std::max(height, metrics.height());
            width += piece.Width;
        }
        double px = alignedX(object.HorzAlign, area, width);
        for (const TRunPiece &piece : line) {
            painter.setPen(piece.Color);
            painter.setFont(piece.Font);
            painter.drawText(QPointF(px, y + ascent), piece.Text);
            px += piece.Width;
        }
        y += height + object.LineSpacing * scale;
    }
}
