#pragma once
#include <QLabel>

class QTimer;

// A hint laid where the caller says, shown at once and for a limited time.
//
// A hint over a clickable cell must not swallow the click (a tool window takes the mouse on
// X11 whatever its attributes): a click on the hint takes it down and reaches the widget
// beneath. A hint given the area it belongs to goes as soon as the pointer leaves that area.
class THintWindow : public QLabel {
    Q_OBJECT
public:
    explicit THintWindow(QWidget* owner);

    struct Placement {
        int MinWidth = 0; // wrap the text to at least this width ...
        int MaxWidth = 0; // ... and at most this one (0: one line per line of text)
        QRect Area;       // the pointer keeps the hint up only inside this global rectangle
    };
    void showAt(const QPoint& globalTopLeft, const QString& text, int milliseconds = 30000);
    void showAt(const QPoint& globalTopLeft, const QString& text, const Placement& placement,
                int milliseconds = 30000);
    void takeDown();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void passOn(QMouseEvent* event);
    void takeDownOutsideArea(const QPoint& global);
    QTimer* hideTimer;
    QRect area;
};
