#include "StatusBar.h"

#include "Fonts.h"

#include <QMouseEvent>
#include <QPainter>

TStatusBar::TStatusBar(QWidget *parent) : QStatusBar(parent) {
    setObjectName("SBMain");
    setFixedHeight(19);
    setCursor(Qt::PointingHandCursor);
    setFont(UiFont("Tahoma", 11));
    setSizeGripEnabled(false);
}

void TStatusBar::setStatusText(const QString &newText) {
    text = newText;
    update();
}

// SBMainDrawPanel: the text at the panel's left and top edge, never cut at a panel width.
void TStatusBar::paintEvent(QPaintEvent *event) {
    QStatusBar::paintEvent(event);
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = rect().adjusted(2, 2, -2, 0);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void TStatusBar::mouseReleaseEvent(QMouseEvent *event) {
    QStatusBar::mouseReleaseEvent(event);
    emit clicked();
}
