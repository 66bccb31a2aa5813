#pragma once
#include <QStatusBar>

// The status bar: one panel, drawn by the program, that spans the whole bar.
class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget *parent);
    void setStatusText(const QString &text);
    QString statusText() const { return text; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString text;
};
