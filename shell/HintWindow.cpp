#include "HintWindow.h"

#include <QTimer>

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
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hideTimer->setSingleShot(true);
    connect(hideTimer, &QTimer::timeout, this, &THintWindow::takeDown);
}

void THintWindow::showAt(const QPoint& globalTopLeft, const QString& text, int milliseconds)
{
    if (text.isEmpty()) {
        takeDown();
        return;
    }
    setText(text);
    adjustSize();
    move(globalTopLeft);
    show();
    raise();
    hideTimer->start(milliseconds);
}

void THintWindow::takeDown()
{
    hideTimer->stop();
    hide();
}
