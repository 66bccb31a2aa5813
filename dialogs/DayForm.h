#pragma once
#include <QDialog>
#include "Pool.h"

#include <QPlainTextEdit>
#include <array>
#include <optional>
#include <string>

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;

// A memo of the day editor: at most 4096 characters, a scroll bar only past its line limit.
class TMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    TMemo(int lineLimit, QWidget* parent);
    static constexpr int MaxLength = 4096;
    int lineLimit() const { return limit; }
    int displayedLines() const;
    void MemosWMYChange();

    // Shows a text of the store and remembers its bytes.
    void setStoredText(const std::string& bytes);
    // Whether the user changed the text since setStoredText.
    bool edited() const { return toPlainText() != shownText; }
    // The text as the store keeps it: the very bytes it was given while unchanged (so a text
    // in another code page or with stray blanks is never altered), UTF-8 once edited.
    std::string storedText() const;
    // The bytes the memo was given, whatever the user typed since.
    const std::string& originalText() const { return storedBytes; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void enforceLength();
    int limit;
    std::string storedBytes;
    QString shownText;
};

// The day editor: the five texts that can apply to one date, one per kind of recurrence.
class TfrmDay : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDay(QWidget* parent = nullptr);

    bool FocusWeekly = false;

    TMemo* MOnce = nullptr;
    TMemo* MMonthly = nullptr;
    TMemo* MWeekly = nullptr;
    TMemo* MYearly = nullptr;
    TMemo* MDayWeekly = nullptr;
    QLabel* STOnce = nullptr;
    QLabel* STMonthly = nullptr;
    QLabel* STWeekly = nullptr;
    QLabel* STYearly = nullptr;
    QLabel* STNDayWeekly = nullptr;
    std::array<QRadioButton*, 6> occurrence{}; // RB1 .. RB5, then RBL
    QPushButton* BHelp = nullptr;
    QPushButton* BSave = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* LChanged = nullptr; // says that another program changed the date's texts

    // The date, weekday and occurrence the editor shows, taken from Selection when it opens
    // (the occurrence follows the user's pick). A save writes under these, whatever a day
    // change did to Selection meanwhile.
    TSelection Target;

    void FormShow();
    // The store was read again from the file: texts the user has not touched show the new
    // texts; an edited text whose stored text changed meanwhile is kept, and the info line
    // says that a save will keep both.
    void StoreChanged();
    // A line for the info strip at the next opening (both texts were kept, say), and texts of
    // the user's to show in place of the stored ones (kinds in the store's order), as edits.
    QString PendingNotice;
    std::array<std::optional<std::string>, 5> PendingTexts;
    void RB1Click(int tag);
    void AHelpExecute();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* createPanel(int left);
    QLabel* createHeader(QWidget* panel, const char* barName, const char* name, int top,
                         int barWidth);
    TMemo* createMemo(QWidget* panel, const char* name, const QRect& geometry, int lineLimit);
    void createOccurrenceButtons(QWidget* panel);
    void createButtons();
    void setTabOrder();
    void showNotice(const QString& text);
    TMemo* memoOf(int kind) const;
    std::string storeTextOf(int kind) const;

    QButtonGroup* occurrenceGroup = nullptr;
};

extern TfrmDay* frmDay;
