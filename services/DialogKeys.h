#pragma once
#include <QObject>
#include <QPointer>

class QAbstractButton;
class QWidget;

// Keys in every dialog of the program, installed once on the application:
// - Enter on a focused push or tool button presses that button (Enter in a memo still makes a
//   new line, and Enter on any other control still presses the dialog's default button);
// - Tab into a group of exclusive radio buttons lands on the checked one, and the next Tab
//   leaves the group.
class TDialogKeys : public QObject {
    Q_OBJECT
public:
    static void Install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TDialogKeys(QObject* parent);
    QPointer<QWidget> previousFocus;
};
