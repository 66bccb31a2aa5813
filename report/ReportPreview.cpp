#include "ReportPreview.h"

#include "ReportPage.h"
#include "ReportRenderer.h"

#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {
constexpr int DeskMargin = 10; // grey border around the sheet, pixels
constexpr int SmallScrollStep = 16;
constexpr double SmallestZoom = 1;
} // namespace

TReportPreview::TReportPreview(QWidget *parent) : QAbstractScrollArea(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setCursor(Qt::ArrowCursor);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setSingleStep(SmallScrollStep);
    verticalScrollBar()->setSingleStep(SmallScrollStep);
}

void TReportPreview::ShowPage(const TReportPage *page) {
    page_ = page;
    FitWholePage();
}

void TReportPreview::SetZoom(double percent) {
    mode_ = TZoomMode::Percent;
    percent_ = std::max(percent, SmallestZoom);
    relayout();
}

void TReportPreview::FitPageWidth() {
    mode_ = TZoomMode::PageWidth;
    relayout();
}

void TReportPreview::FitWholePage() {
    mode_ = TZoomMode::WholePage;
    relayout();
}

double TReportPreview::Zoom() const {
    return mode_ == TZoomMode::Percent ? percent_ : fittingZoom(mode_);
}

void TReportPreview::ScrollByWheel(int angleDelta) {
    QScrollBar *bar = verticalScrollBar();
    const int steps = -angleDelta * WheelStepsPerNotch / 120;
    bar->setValue(bar->value() + steps * bar->singleStep());
}

double TReportPreview::pixelsPerUnitAt(double percent) const {
    return percent / 100.0 * logicalDpiX() / LayoutUnitsPerInch;
}

double TReportPreview::fittingZoom(TZoomMode mode) const {
    if (!page_ || page_->PageWidth() <= 0 || page_->PageHeight() <= 0)
        return 100;
    const QSize room = maximumViewportSize() - QSize(2 * DeskMargin, 2 * DeskMargin);
    const double perUnitAt100 = pixelsPerUnitAt(100);
    const double byWidth = 100.0 * room.width() / (page_->PageWidth() * perUnitAt100);
    if (mode == TZoomMode::PageWidth) {
        // The vertical scroll bar appears when the page is taller than the view; make room.
        const double height = page_->PageHeight() * pixelsPerUnitAt(byWidth);
        if (height > room.height()) {
            const int barWidth = verticalScrollBar()->sizeHint().width();
            return std::max(SmallestZoom, 100.0 * (room.width() - barWidth) /
                                              (page_->PageWidth() * perUnitAt100));
        }
        return std::max(SmallestZoom, byWidth);
    }
    const double byHeight = 100.0 * room.height() / (page_->PageHeight() * perUnitAt100);
    return std::max(SmallestZoom, std::min(byWidth, byHeight));
}

QSize TReportPreview::pageSizeInPixels() const {
    if (!page_)
        return QSize();
    const double scale = pixelsPerUnitAt(Zoom());
    return QSize(int(std::lround(page_->PageWidth() * scale)),
                 int(std::lround(page_->PageHeight() * scale)));
}

void TReportPreview::relayout() {
    const QSize desk = pageSizeInPixels() + QSize(2 * DeskMargin, 2 * DeskMargin);
    const QSize view = viewport()->size();
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setRange(0, std::max(0, desk.width() - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, desk.height() - view.height()));
    viewport()->update();
}

void TReportPreview::paintEvent(QPaintEvent *) {
    if (!page_)
        return;
    QPainter painter(viewport());
    const QSize sheet = pageSizeInPixels();
    const QSize view = viewport()->size();
    // A sheet narrower than the view sits in the middle; a wider one scrolls.
    const int x = sheet.width() + 2 * DeskMargin < view.width()
                      ? (view.width() - sheet.width()) / 2
                      : DeskMargin - horizontalScrollBar()->value();
    const int y = sheet.height() + 2 * DeskMargin < view.height()
                      ? (view.height() - sheet.height()) / 2
                      : DeskMargin - verticalScrollBar()->value();
    const QRect sheetRect(QPoint(x, y), sheet);
    painter.fillRect(sheetRect.translated(3, 3), palette().color(QPalette::Shadow));
    painter.fillRect(sheetRect, Qt::white);
    painter.translate(sheetRect.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), sheet));
    TReportRenderer::Render(*page_, painter, pixelsPerUnitAt(Zoom()));
}

void TReportPreview::resizeEvent(QResizeEvent *event) {
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void TReportPreview::wheelEvent(QWheelEvent *event) {
    ScrollByWheel(event->angleDelta().y());
    event->accept();
}
