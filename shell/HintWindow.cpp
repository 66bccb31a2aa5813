#include "HintWindow.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>

THintWindow::THintWindow(QWidget* owner)
    : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      hideTimer(new QTimer(this))
{
    setObjectName("HintWindow");
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(2);
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(true);
    hideTimer->setSingleShot(true);
    connect(hideTimer, &QTimer::timeout, this, &THintWindow::takeDown);
}

void THintWindow::showAt(const QPoint& globalTopLeft, const QString& text, int milliseconds)
{
    showAt(globalTopLeft, text, Placement{}, milliseconds);
}

void THintWindow::showAt(const QPoint& globalTopLeft, const QString& text,
                         const Placement& placement, int milliseconds)
{
    if (text.isEmpty()) {
        takeDown();
        return;
    }
    area = placement.Area;
    setText(text);
    setWordWrap(placement.MaxWidth > 0);
    setMinimumWidth(0);
    setMaximumWidth(QWIDGETSIZE_MAX);
    QSize size = sizeHint();
    if (placement.MaxWidth > 0) {
        // As wide as the longest line needs, within the bounds, and tall enough for the rest.
        const int chrome = 2 * (margin() + frameWidth());
        const int natural =
            fontMetrics().boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft, text).width() +
            chrome;
        const int width = std::clamp(natural, placement.MinWidth, std::max(placement.MinWidth,
                                                                           placement.MaxWidth));
        size = QSize(width, heightForWidth(width));
    }
    resize(size);
    // The whole text stays readable: inside the screen the hint starts on.
    QPoint place = globalTopLeft;
    if (const QScreen* screen = QApplication::screenAt(globalTopLeft)) {
        const QRect bounds = screen->availableGeometry();
        place.setX(std::clamp(place.x(), bounds.left(), std::max(bounds.left(), bounds.right() - size.width() + 1)));
        place.setY(std::clamp(place.y(), bounds.top(), std::max(bounds.top(), bounds.bottom() - size.height() + 1)));
    }
    move(place);
    show();
    raise();
    hideTimer->start(milliseconds);
}

void THintWindow::takeDown()
{
    hideTimer->stop();
    hide();
}

void THintWindow::mousePressEvent(QMouseEvent* event)
{
    passOn(event);
}

void THintWindow::mouseReleaseEvent(QMouseEvent* event)
{
    passOn(event);
}

void THintWindow::mouseMoveEvent(QMouseEvent* event)
{
    takeDownOutsideArea(event->globalPosition().toPoint());
    QLabel::mouseMoveEvent(event);
}

void THintWindow::leaveEvent(QEvent* event)
{
    takeDownOutsideArea(QCursor::pos());
    QLabel::leaveEvent(event);
}

void THintWindow::takeDownOutsideArea(const QPoint& global)
{
    if (isVisible() && !area.isNull() && !area.contains(global))
        takeDown();
}

// The hint goes, and the click lands where it would have landed without it.
void THintWindow::passOn(QMouseEvent* event)
{
    const QPoint global = event->globalPosition().toPoint();
    takeDown();
    QWidget* below = QApplication::widgetAt(global);
    if (!below || below == this)
        return;
    const QPointF local = below->mapFromGlobal(event->globalPosition());
    QMouseEvent copy(event->type(), local, event->globalPosition(), event->button(),
                     event->buttons(), event->modifiers());
    QApplication::sendEvent(below, &copy);
}
