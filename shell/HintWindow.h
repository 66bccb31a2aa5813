#pragma once
#include <QLabel>

class QTimer;

// A hint laid exactly where the caller says, shown at once and for a limited time.
class THintWindow : public QLabel {
    Q_OBJECT
public:
    explicit THintWindow(QWidget* owner);
    void showAt(const QPoint& globalTopLeft, const QString& text, int milliseconds = 30000);
    void takeDown();

private:
    QTimer* hideTimer;
};
