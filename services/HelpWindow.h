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

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    THelpWindow();
    void followModalDialog();
    void leaveDialog();
    QTextBrowser* browser;
    bool wanted = false; // shown and not closed by the user since

};
