#include "HelpWindow.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow* THelpWindow::instance()
{
    // A dialog that owned the window at the end of the run takes it along: a new one follows.
    static QPointer<THelpWindow> window;
    if (!window)
        window = new THelpWindow;
    return window;
}

THelpWindow::THelpWindow() : browser(new QTextBrowser(this))
{
    setObjectName("HelpWindow");
    setWindowTitle("Quorva Help");
    browser->setObjectName("HelpBrowser");
    browser->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    resize(640, 520);
}

void THelpWindow::showTopic(const QString& topic)
{
    QString path = topic;
    if (path.startsWith("::"))
        path.remove(0, 2);
    QUrl url("qrc:/help" + path);
    browser->setSource(url);
    wanted = true;
    followModalDialog();
    showNormal();
    raise();
    activateWindow();
}

// Opened from a modal dialog, the help would be blocked behind it. It becomes that dialog's
// own window instead (in front of it and usable while it stays open), and a window of its
// own again, still open, when the dialog closes.
void THelpWindow::followModalDialog()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == this || modal == parentWidget())
        return;
    const QRect place = geometry();
    const bool moved = testAttribute(Qt::WA_Moved);
    hide();
    setParent(modal, Qt::Window);
    if (moved)
        setGeometry(place);
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        connect(dialog, &QDialog::finished, this, &THelpWindow::leaveDialog,
                Qt::UniqueConnection);
}

void THelpWindow::leaveDialog()
{
    if (auto* dialog = qobject_cast<QDialog*>(parentWidget()))
        disconnect(dialog, &QDialog::finished, this, &THelpWindow::leaveDialog);
    const QRect place = geometry();
    hide();
    setParent(nullptr, Qt::Window);
    setGeometry(place);
    if (wanted)
        QMetaObject::invokeMethod(this, [this] { if (wanted) show(); }, Qt::QueuedConnection);
}

void THelpWindow::closeEvent(QCloseEvent* event)
{
    wanted = false;
    QWidget::closeEvent(event);
}

QString THelpWindow::currentSource() const
{
    return browser->source().toString();
}
