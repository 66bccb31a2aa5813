#include "MonthView.h"

#include "Colors.h"
#include "DayForm.h"
#include "EventText.h"
#include "Fonts.h"
#include "HintWindow.h"
#include "MainForm.h"
#include "MonthStrip.h"
#include "Pool.h"
#include "Preferences.h"
#include "Sound.h"
#include "Today.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int CellCount = 42;

QString MonthTitle(int month, int year) {
    return QString::fromStdString(MonthNames[month]) + " '" + QString::number(year);
}

void SetBackground(QWidget *widget, std::uint32_t colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, ToQColor(colour));
    widget->setPalette(palette);
}

void SetTextColour(QWidget *widget, std::uint32_t colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ToQColor(colour));
    widget->setPalette(palette);
}

} // namespace

TMonthView::TMonthView(TfrmMain *owner, THintWindow *hintWindow, QWidget *parent)
    : QFrame(parent), main(owner), hint(hintWindow), flashTimer(new QTimer(this)) {
    setObjectName("PMonth");
    flashTimer->setSingleShot(true);
    connect(flashTimer, &QTimer::timeout, this, &TMonthView::flashStep);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    SetBackground(this, 0xC0C0C0);

    PMonthName = new QFrame(this);
    PMonthName->setObjectName("PMonthName");
    PMonthName->setAutoFillBackground(true);
    SetBackground(PMonthName, 0x000000);
    LMonthName = new QLabel(PMonthName);
    LMonthName->setObjectName("LMonthName");
    LMonthName->setAlignment(Qt::AlignCenter);
    LMonthName->setFont(UiFont("Tahoma", 11, true));
    LMonthName->setAutoFillBackground(true);
    SetTextColour(LMonthName, 0xFFFFFF);

    auto makeArrow = [this](const char *name, const char *text) {
        auto *arrow = new QLabel(text, PMonthName);
        arrow->setObjectName(name);
        arrow->setAlignment(Qt::AlignCenter);
        arrow->setFont(UiFont("Tahoma", 11, true));
        SetTextColour(arrow, 0xFFFFFF);
        arrow->setFixedSize(33, 13);
        arrow->setCursor(Qt::PointingHandCursor);
        arrow->installEventFilter(this);
        return arrow;
    };
    LPrevMonth = makeArrow("LPrevMonth", "<<");
    LNextMonth = makeArrow("LNextMonth", ">>");

    for (int c = 0; c < 7; ++c) {
        auto *header = new QLabel(QString::fromStdString(DayNames[c + 1]), this);
        header->setObjectName(QString("STWeekDay%1").arg(c + 1));
        header->setAlignment(Qt::AlignCenter);
        header->setFrameStyle(QFrame::Box | QFrame::Plain);
        header->setFont(UiFont("Verdana", 11, true));
        header->setAutoFillBackground(true);
        SetTextColour(header, 0xFFFFFF);
        header->setCursor(Qt::PointingHandCursor);
        header->setProperty("column", c);
        header->installEventFilter(this);
        STWeekDay[c] = header;
    }

    for (int i = 0; i < CellCount; ++i) {
        auto *cell = new QFrame(this);
        cell->setObjectName(QString("PDay%1").arg(i + 1));
        cell->setAutoFillBackground(true);
        auto *day = new QLabel(cell);
        day->setObjectName(QString("LDay%1").arg(i + 1));
        day->setAlignment(Qt::AlignRight | Qt::AlignTop);
        day->setFont(UiFont("Tahoma", 13, true));
        day->setAutoFillBackground(true);
        auto *text = new QLabel(cell);
        text->setObjectName(QString("LEvent%1").arg(i + 1));
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        text->setWordWrap(true);
        text->setTextFormat(Qt::PlainText);
        text->setFont(UiFont("Tahoma", 11));
        for (QWidget *w : {static_cast<QWidget *>(cell), static_cast<QWidget *>(day),
                           static_cast<QWidget *>(text)}) {
            w->setProperty("cell", i);
            w->setMouseTracking(true);
        }
        PDay[i] = cell;
        LDay[i] = day;
        LEvent[i] = text;
    }

    LSize = new QLabel(this);
    LSize->setObjectName("LSize");
    LSize->setWordWrap(true);
    LSize->setFont(UiFont("Tahoma", 11));
    LSize->hide();
}

void TMonthView::resizeEvent(QResizeEvent *event) {
    QFrame::resizeEvent(event);
    FormResize();
}

bool TMonthView::eventFilter(QObject *watched, QEvent *event) {
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return QFrame::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !widget->rect().contains(mouse->pos()))
            return false;
        if (widget == LPrevMonth) {
            LPrevMonthClick();
            return true;
        }
        if (widget == LNextMonth) {
            LNextMonthClick();
            return true;
        }
        if (widget->property("column").isValid()) {
            WeekdayHeaderClick(widget->property("column").toInt());
            return true;
        }
        if (widget->property("cell").isValid()) {
            hint->takeDown();
            DayCellClick(widget->property("cell").toInt());
            return true;
        }
    } else if (event->type() == QEvent::Enter && widget->property("cell").isValid()) {
        showCellHint(widget->property("cell").toInt(), widget);
    } else if (event->type() == QEvent::Leave && widget->property("cell").isValid()) {
        const int cell = widget->property("cell").toInt();
        if (!PDay[cell]->rect().contains(PDay[cell]->mapFromGlobal(QCursor::pos())))
            hint->takeDown();
    }
    return QFrame::eventFilter(watched, event);
}

void TMonthView::Wire() {
    SetBackground(LMonthName, Colors.Accent);
    for (QLabel *header : STWeekDay)
        SetBackground(header, Colors.Accent);
    ShowMonth(1);
    for (int i = 0; i < CellCount; ++i)
        for (QWidget *w : {static_cast<QWidget *>(PDay[i]), static_cast<QWidget *>(LDay[i]),
                           static_cast<QWidget *>(LEvent[i])})
            w->installEventFilter(this);
}

void TMonthView::ShowMonth(int index) {
    if (index < 0 || index > 12)
        return;
    const TMonth &month = Months[index];
    Selection.ShownMonth = index;
    Selection.Month = month.Month;
    Selection.Year = month.Year;
    LMonthName->setText(MonthTitle(month.Month, month.Year));

    for (int i = 0; i < CellCount; ++i) {
        for (QWidget *w : {static_cast<QWidget *>(PDay[i]), static_cast<QWidget *>(LDay[i]),
                           static_cast<QWidget *>(LEvent[i])})
            w->setProperty("hint", QString());
        LDay[i]->clear();
        LEvent[i]->clear();
        setCellColours(i, Colors.EmptyCell, Colors.DayText, Colors.EventDayText);
        PDay[i]->setCursor(Qt::ArrowCursor);
        if (month.Day[i] > 0) {
            LDay[i]->setText(QString::number(month.Day[i]));
            LEvent[i]->setText(EventTextForDisplay(
                Events.EventsOfDate(month.Month, month.Day[i], month.Year, "\n")));
            setCellColours(i, Colors.CellBackground, Colors.DayText, Colors.EventDayText);
            PDay[i]->setProperty("hint", LEvent[i]->text());
            LEvent[i]->setProperty("hint", LEvent[i]->text());
            PDay[i]->setCursor(Qt::PointingHandCursor);
        }
    }

    if (bShowPNMonth) {
        const int prevMonth = month.Month == 1 ? 12 : month.Month - 1;
        const int prevYear = month.Month == 1 ? month.Year - 1 : month.Year;
        const int nextMonth = month.Month == 12 ? 1 : month.Month + 1;
        const int nextYear = month.Month == 12 ? month.Year + 1 : month.Year;
        const int prevDays = DaysInMonth(prevMonth, prevYear);
        const int firstWeekday = DayOfWeek(month.Month, 1, month.Year);
        int nextDay = 0;
        for (int i = 0; i < CellCount; ++i) {
            if (month.Day[i] != 0)
                continue;
            int d = 0;
            QString text;
            if (i < 6) {
                d = prevDays + 2 + i - firstWeekday;
                text = EventTextForDisplay(Events.EventsOfDate(prevMonth, d, prevYear, "\n"));
            } else if (i > 6) {
                d = ++nextDay;
                text = EventTextForDisplay(Events.EventsOfDate(nextMonth, d, nextYear, "\n"));
            } else {
                continue;
            }
            LDay[i]->setText(QString::number(d));
            LEvent[i]->setText(text);
            setCellColours(i, Colors.EmptyCell, Colors.OtherMonthText, Colors.OtherMonthText);
            LEvent[i]->setProperty("hint", text);
        }
    }

    for (int row = 0; row < 6; ++row) {
        for (int cell : {row * 7, row * 7 + 6}) {
            if (FromQColor(PDay[cell]->palette().color(QPalette::Window)) != Colors.EmptyCell)
                setCellColours(cell, Colors.WeekendCell,
                               FromQColor(LDay[cell]->palette().color(QPalette::WindowText)),
                               FromQColor(LEvent[cell]->palette().color(QPalette::WindowText)));
        }
    }

    if (index == 1 && Today.TodayCell >= 0 && Today.TodayCell < CellCount) {
        const int cell = Today.TodayCell;
        setCellColours(cell, Colors.TodayCell,
                       FromQColor(LDay[cell]->palette().color(QPalette::WindowText)),
                       FromQColor(LEvent[cell]->palette().color(QPalette::WindowText)));
    }

    main->monthStrip()->markShown(index);
    LPrevMonth->setVisible(index > 0);
    LNextMonth->setVisible(index < 12);
}

void TMonthView::setCellColours(int cell, std::uint32_t background, std::uint32_t dayText,
                                std::uint32_t eventText) {
    SetBackground(PDay[cell], background);
    SetBackground(LDay[cell], background);
    SetTextColour(LDay[cell], dayText);
    SetTextColour(LEvent[cell], eventText);
}

void TMonthView::FormResize() {
    const int W = width();
    const int H = height();
    const int a = W / 7;
    const int r = W % 7;
    const int b = (H - 34) / 6;

    PMonthName->setGeometry(1, 1, W - 2, 17);
    LMonthName->setGeometry(1, 1, W - 4, 15);
    for (int c = 0; c < 7; ++c)
        STWeekDay[c]->setGeometry(a * c + 1, 19, c == 6 ? a + r - 2 : a + 1, 17);
    for (int i = 0; i < CellCount; ++i) {
        const int row = i / 7;
        const int column = i % 7;
        const int width = column == 6 ? a + r - 4 : a - 1;
        const int height = row == 5 ? H - 5 * b - 38 : b - 1;
        PDay[i]->setGeometry(a * column + 2, b * row + 36, width, height);
        LDay[i]->setGeometry(width - 25, 2, 20, 16);
        LEvent[i]->setGeometry(6, 18, width - 9, height - 22);
    }
    const int middle = LMonthName->width() / 2;
    LPrevMonth->move(middle - 100, 2);
    LNextMonth->move(middle + 100 - LNextMonth->width(), 2);
}

// ShowCellHint: the whole text laid exactly over the cell's text, only when the cell cuts it off.
void TMonthView::showCellHint(int cell, QWidget *control) {
    QString text = control->property("hint").toString();
    if (control == LDay[cell])
        text = PDay[cell]->property("hint").toString();
    if (text.isEmpty()) {
        hint->takeDown();
        return;
    }
    QLabel *label = LEvent[cell];
    const QFontMetrics metrics(LSize->font());
    const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 100000),
                                              Qt::TextWordWrap | Qt::AlignLeft, label->text());
    if (label->height() < needed.height() || label->width() < needed.width()) {
        // Wrapped to between one and two cells' width, up while the pointer is on the cell.
        THintWindow::Placement placement;
        placement.MinWidth = PDay[cell]->width();
        placement.MaxWidth = 2 * PDay[cell]->width();
        placement.Area = QRect(PDay[cell]->mapToGlobal(QPoint(0, 0)), PDay[cell]->size());
        hint->showAt(label->mapToGlobal(QPoint(0, 0)), text, placement);
    } else
        hint->takeDown();
}

void TMonthView::DayCellClick(int cell) {
    main->OpenDayEditor(cell);
}

void TMonthView::WeekdayHeaderClick(int column) {
    if (column < 0 || column > 6)
        return;
    const int cell = Months[Selection.ShownMonth].Day[column] != 0 ? column : column + 7;
    frmDay->FocusWeekly = true;
    main->OpenDayEditor(cell);
}

void TMonthView::LPrevMonthClick() {
    PlayClick();
    if (Selection.ShownMonth > 0)
        ShowMonth(Selection.ShownMonth - 1);
    main->monthStrip()->setScrollPosition(Selection.ShownMonth *
                                          (main->monthStrip()->scrollRange() / 13));
}

void TMonthView::LNextMonthClick() {
    PlayClick();
    if (Selection.ShownMonth < 12)
        ShowMonth(Selection.ShownMonth + 1);
    main->monthStrip()->setScrollPosition(Selection.ShownMonth *
                                          (main->monthStrip()->scrollRange() / 13));
}

void TMonthView::GoToDate(int month, int day, int year) {
    for (int k = 0; k <= 12; ++k) {
        if (Months[k].Month != month || Months[k].Year != year)
            continue;
        PlayClick();
        ShowMonth(k);
        int cell = -1;
        for (int i = 0; i < CellCount; ++i) {
            if (Months[k].Day[i] == day) {
                cell = i;
                break;
            }
        }
        if (cell < 0)
            return;
        moveFindDialogAside(cell);
        if (flashCell >= 0)
            SetTextColour(LEvent[flashCell], Colors.EventDayText);
        flashCell = cell;
        flashPass = 0;
        flashPhase = 0;
        flashStep();
        return;
    }
}

// Five passes: highlight, wait (500 ms first, then 60 ms), back to normal, wait 60 ms (+120 ms
// after the first pass).
void TMonthView::flashStep() {
    if (flashCell < 0 || flashPass < 0)
        return;
    if (flashPhase == 0) {
        SetTextColour(LEvent[flashCell], Colors.LinkHover);
        SetTextColour(LDay[flashCell], Colors.LinkHover);
        flashPhase = 1;
        flashTimer->start(flashPass == 0 ? 500 : 60);
        return;
    }
    SetTextColour(LEvent[flashCell], Colors.EventDayText);
    SetTextColour(LDay[flashCell], Colors.DayText);
    flashPhase = 0;
    const int wait = flashPass == 0 ? 180 : 60;
    if (++flashPass >= 5) {
        flashPass = -1;
        flashCell = -1;
        return;
    }
    flashTimer->start(wait);
}

void TMonthView::moveFindDialogAside(int cell) {
    QWidget *dialog = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->objectName() == "frmFind" && top->isVisible())
            dialog = top;
    if (!dialog)
        return;
    const QRect cellRect(PDay[cell]->mapToGlobal(QPoint(0, 0)), PDay[cell]->size());
    QRect box = dialog->frameGeometry();
    if (!box.intersects(cellRect))
        return;
    const QScreen *screen = PDay[cell]->screen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 0, 0);
    if (box.width() < cellRect.left() - area.left())
        box.moveRight(cellRect.left() - 1);
    else if (box.width() < area.right() - cellRect.right())
        box.moveLeft(cellRect.right() + 1);
    else if (box.height() < area.bottom() - cellRect.bottom())
        box.moveTop(cellRect.bottom() + 1);
    else if (box.height() < cellRect.top() - area.top())
        box.moveBottom(cellRect.top() - 1);
    else
        return;
    dialog->move(box.topLeft());
}
