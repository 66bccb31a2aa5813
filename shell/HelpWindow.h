#pragma once
#include <QWidget>

class QTextBrowser;

// The program's help: HTML pages built into the executable, shown at a topic's anchor.
class THelpWindow : public QWidget {
    Q_OBJECT
public:
    static THelpWindow* instance();
    // topic in the form "::/HTML/Page.html#Anchor"; the anchor is optional.
    void showTopic(const QString& topic);
    QString currentSource() const;

private:
    THelpWindow();
    QTextBrowser* browser;
};
