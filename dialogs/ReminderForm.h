#pragma once
#include <QWidget>
#include <chrono>

class QFrame;
class QLabel;
class QScrollArea;
class QVBoxLayout;

// The reminder window: what is planned today and in the look-ahead, as links to the dates.
// A tool window without owner, so it can show while the main window is in the notification area.
//
// SBRem's content holds LFirst (tag 0, the first entry or the single line) and, after it, the
// labels of the last build: spacers (tag 1, no text) and entries (tag = position in Reminders).
class TfrmReminder : public QWidget {
    Q_OBJECT
public:
    explicit TfrmReminder(QWidget *parent = nullptr);

    // Rebuilds the contents from a fresh look-ahead; runs at every show, and the main window
    // calls it directly to refresh the window in place.
    void FormShow();

    // A click on LFirst or an entry label; tag is the label's position in Reminders.
    void LFirstClick(int tag);
    void AHelpExecute();
    // Re-fits every label's height to its text wrapped at the current width.
    void SBRemResize();

    QFrame *Panel1 = nullptr;
    QScrollArea *SBRem = nullptr;
    QLabel *LFirst = nullptr;

    static constexpr const char *DisabledText = "Reminder is disabled. Click here to enable.";
    // "Nothing is planned for today." and its longer forms; a negative look-ahead is today only.
    static QString NothingPlannedText(int days);

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void createControls();
    void createHelpAction();
    void removeRunTimeLabels();
    void buildEntries(std::chrono::sys_days today);
    QLabel *addSpacer();
    QLabel *addEntry(int tag, const QString &text);
    void setLinkColour(QLabel *label, bool hover);

    QWidget *content = nullptr;
    QVBoxLayout *stack = nullptr;
};

extern TfrmReminder *frmReminder;
