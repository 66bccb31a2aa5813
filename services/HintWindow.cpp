#include "HintWindow.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>

THintWindow::THintWindow(QWidget *owner)
    : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      hideTimer(new QTimer(this)) {
    setObjectName("HintWindow");
    setWindowTitle("Quorva Hint"); // how the window system names it
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

void THintWindow::showAt(const QPoint &globalTopLeft, const QString &text, int milliseconds) {
    showAt(globalTopLeft, text, Placement{}, milliseconds);
}

void THintWindow::showAt(const QPoint &globalTopLeft, const QString &text,
                         const Placement &placement, int milliseconds) {
    if (text.isEmpty()) {
        takeDown();
        return;
    }
    area = placement.Area;
    setText(text);
    setWordWrap(false);
    setMinimumWidth(0);
    setMaximumWidth(QWIDGETSIZE_MAX);
    QSize size = sizeHint();
    if (placement.MaxWidth > 0) {
        // As wide as the longest line needs, within the bounds, and tall enough for the rest.
        const int width = std::clamp(size.width(), placement.MinWidth,
                                     std::max(placement.MinWidth, placement.MaxWidth));
        setWordWrap(true);
        size = QSize(width, heightForWidth(width));
    }
    resize(size);
    // The whole text stays readable: inside the screen the hint starts on.
    QPoint place = globalTopLeft;
    if (const QScreen *screen = QApplication::screenAt(globalTopLeft)) {
        const QRect bounds = screen->availableGeometry();
        place.setX(std::clamp(place.x(), bounds.left(),
                              std::max(bounds.left(), bounds.right() - size.width() + 1)));
        place.setY(std::clamp(place.y(), bounds.top(),
                              std::max(bounds.top(), bounds.bottom() - size.height() + 1)));
    }
    move(place);
    show();
    raise();
    hideTimer->start(milliseconds);
}

void THintWindow::takeDown() {
    hideTimer->stop();
    hide();
}

void THintWindow::mousePressEvent(QMouseEvent *event) {
    passOn(event);
}

void THintWindow::mouseReleaseEvent(QMouseEvent *event) {
    passOn(event);
}

void THintWindow::mouseMoveEvent(QMouseEvent *event) {
    takeDownOutsideArea(event->globalPosition().toPoint());
    QLabel::mouseMoveEvent(event);
}

void THintWindow::leaveEvent(QEvent *event) {
    takeDownOutsideArea(QCursor::pos());
    QLabel::leaveEvent(event);
}

void THintWindow::takeDownOutsideArea(const QPoint &global) {
    if (isVisible() && !area.isNull() && !area.contains(global))
        takeDown();
}

// The click lands where it would have landed without the hint, on the owner's widget under
// the pointer, and the hint goes when the button is released. It stays up until then, since
// the window system hands the release to the window that took the press.
void THintWindow::passOn(QMouseEvent *event) {
    const QPoint global = event->globalPosition().toPoint();
    if (event->type() == QEvent::MouseButtonRelease)
        takeDown();
    QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    if (!owner || !owner->isVisible())
        return;
    QWidget *below = owner->childAt(owner->mapFromGlobal(global));
    if (!below)
        below = owner;
    const QPointF local = below->mapFromGlobal(event->globalPosition());
    QMouseEvent copy(event->type(), local, event->globalPosition(), event->button(),
                     event->buttons(), event->modifiers());
    QApplication::sendEvent(below, &copy);
}
