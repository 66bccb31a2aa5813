#pragma once
#include <QFrame>
#include <array>
#include <cstdint>

class QLabel;
class QTimer;
class TfrmMain;
class THintWindow;

// The month view: the month panel PMonth with the month's name and arrows, the seven weekday
// headers and the 42 day cells (PDay, LDay, LEvent), showing one of the 13 months of the
// cache. A click on a day opens the day editor through the main window.
class TMonthView : public QFrame {
    Q_OBJECT
public:
    TMonthView(TfrmMain *owner, THintWindow *hintWindow, QWidget *parent);

    // Colours the bars, shows the current month and starts listening to the cells.
    void Wire();
    void ShowMonth(int index);
    void FormResize();
    // Shows the date's month and flashes its cell; nothing when the date is not among the 13.
    void GoToDate(int month, int day, int year);
    void DayCellClick(int cell);
    void WeekdayHeaderClick(int column);
    void LPrevMonthClick();
    void LNextMonthClick();
    bool flashing() const { return flashPass >= 0; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showCellHint(int cell, QWidget *control);
    void setCellColours(int cell, std::uint32_t background, std::uint32_t dayText,
                        std::uint32_t eventText);
    void moveFindDialogAside(int cell);
    void flashStep();

    TfrmMain *main;
    THintWindow *hint;
    QFrame *PMonthName = nullptr;
    QLabel *LMonthName = nullptr;
    QLabel *LPrevMonth = nullptr;
    QLabel *LNextMonth = nullptr;
    QLabel *LSize = nullptr;
    std::array<QLabel *, 7> STWeekDay{};
    std::array<QFrame *, 42> PDay{};
    std::array<QLabel *, 42> LDay{};
    std::array<QLabel *, 42> LEvent{};

    // The go-to-date flash runs from a timer so that the window stays responsive.
    QTimer *flashTimer;
    int flashCell = -1;
    int flashPass = -1;
    int flashPhase = 0;
};
