#include "HelpWindow.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow* THelpWindow::instance()
{
    static THelpWindow* window = new THelpWindow;
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
    showNormal();
    raise();
    activateWindow();
}

QString THelpWindow::currentSource() const
{
    return browser->source().toString();
}
