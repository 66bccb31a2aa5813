#include "MonthStrip.h"

#include "Colors.h"
#include "EventText.h"
#include "Fonts.h"
#include "MainForm.h"
#include "Pool.h"
#include "Sound.h"
#include "Today.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

TStripHover StripHover;

namespace {
constexpr int Pitch = 135;
constexpr int Calendars = 13;
const char* const Letters[7] = {"S", "M", "T", "W", "T", "F", "S"};
} // namespace

TMonthStrip::TMonthStrip(TfrmMain* mainWindow, QWidget* parent)
    : QScrollArea(parent), main(mainWindow), content(new QWidget)
{
    setObjectName("SBMonths");
    setFrameStyle(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(17);
    verticalScrollBar()->setTracking(true);
    content->setObjectName("SBMonthsContent");
    content->setFixedSize(148, Calendars * Pitch);

    for (int k = 0; k < Calendars; ++k) {
        auto* title = new QLabel(content);
        title->setObjectName(k == 0 ? QString("STMonthPast") : QString("STMonth%1").arg(k));
        title->setGeometry(-1, Pitch * k - 1, 148, 17);
        title->setAlignment(Qt::AlignCenter);
        title->setFrameStyle(QFrame::Box | QFrame::Plain);
        title->setFont(UiFont("Verdana", 11, true));
        title->setAutoFillBackground(true);
        QPalette palette = title->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        title->setPalette(palette);
        title->setCursor(Qt::PointingHandCursor);
        title->setProperty("calendar", k);
        title->installEventFilter(this);
        titles[k] = title;

        auto* grid = new TStripGrid(k, this, content);
        grid->setObjectName(k == 0 ? QString("SGCalPast") : QString("SGCal%1").arg(k));
        grid->setGeometry(-1, Pitch * k + 15, 148, 120);
        grids[k] = grid;
    }
    setWidget(content);
}

void TMonthStrip::fill()
{
    for (int k = 0; k < Calendars; ++k) {
        const TMonth& month = Months[k];
        titles[k]->setText(QString::fromStdString(MonthNames[month.Month]) + " '" +
                           QString::number(month.Year));
        grids[k]->update();
    }
}

void TMonthStrip::markShown(int index)
{
    for (int k = 0; k < Calendars; ++k) {
        const std::uint32_t colour = k == index ? Colors.Accent : Colors.Frame;
        QPalette palette = titles[k]->palette();
        palette.setColor(QPalette::Window, ToQColor(colour));
        titles[k]->setPalette(palette);
        grids[k]->setHeaderColour(colour);
    }
}

void TMonthStrip::setScrollPosition(int position)
{
    verticalScrollBar()->setValue(position);
}

int TMonthStrip::scrollPosition() const
{
    return verticalScrollBar()->value();
}

int TMonthStrip::scrollRange() const
{
    return content->height();
}

void TMonthStrip::STMonthPastClick(int k)
{
    PlayClick();
    main->ShowMonth(k);
}

void TMonthStrip::SGCalPastClick(int k, int column, int row)
{
    const int i = row * 7 + column - 7;
    const bool hand = i < 0 || Months[k].Day[i] > 0;
    if (!hand)
        return;
    main->ShowMonth(k);
    if (i < 0)
        main->WeekdayHeaderClick(column);
    else
        main->OpenDayEditor(i);
}

bool TMonthStrip::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        auto* title = qobject_cast<QLabel*>(watched);
        if (title && mouse->button() == Qt::LeftButton && title->rect().contains(mouse->pos())) {
            STMonthPastClick(title->property("calendar").toInt());
            return true;
        }
    }
    return QScrollArea::eventFilter(watched, event);
}

TStripGrid::TStripGrid(int calendar, TMonthStrip* owner, QWidget* parent)
    : QWidget(parent), tag(calendar), strip(owner), header(Colors.Frame)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setFont(UiFont("Tahoma", 11));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString TStripGrid::cellText(int column, int row) const
{
    if (row == 0)
        return Letters[column];
    const int day = Months[tag].Day[(row - 1) * 7 + column];
    return day > 0 ? QString::number(day) : QString();
}

void TStripGrid::setHeaderColour(std::uint32_t colour)
{
    header = colour;
    update();
}

QRect TStripGrid::cellRect(int column, int row) const
{
    return QRect(1 + column * (ColumnWidth + 1), 1 + row * (RowHeight + 1), ColumnWidth,
                 RowHeight);
}

TStripGrid::TCellLook TStripGrid::StripDrawCell(int column, int row) const
{
    TCellLook look;
    const QString text = cellText(column, row);
    if (row == 0 && column == 3)
        look.x = 6;
    else if (text.size() == 2)
        look.x = 5;
    if (row > 0) {
        const int i = (row - 1) * 7 + column;
        const TMonth& month = Months[tag];
        look.text = Colors.DayText;
        look.background = Colors.CellBackground;
        if (column == 0 || column == 6)
            look.background = Colors.WeekendCell;
        if (month.Day[i] == 0)
            look.background = Colors.EmptyCell;
        if (month.HasEvents[i]) {
            look.text = Colors.EventDayText;
            look.bold = true;
            if (look.x == 5)
                look.x = 4;
        }
        if (tag == 1 && i == Today.TodayCell)
            look.background = Colors.TodayCell;
    } else {
        look.text = Colors.CellBackground;
        look.background = header;
    }
    return look;
}

void TStripGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xA0, 0xA0, 0xA0));
    QFont font = this->font();
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 7; ++column) {
            const TCellLook look = StripDrawCell(column, row);
            const QRect cell = cellRect(column, row);
            painter.fillRect(cell, ToQColor(look.background));
            font.setBold(look.bold);
            painter.setFont(font);
            painter.setPen(ToQColor(look.text));
            painter.setClipRect(cell);
            painter.drawText(QRect(cell.left() + look.x, cell.top() + 1, cell.width(),
                                   cell.height()),
                             Qt::AlignLeft | Qt::AlignTop, cellText(column, row));
            painter.setClipping(false);
        }
    }
}

bool TStripGrid::cellAt(const QPoint& position, int& column, int& row) const
{
    column = (position.x() - 1) / (ColumnWidth + 1);
    row = (position.y() - 1) / (RowHeight + 1);
    return position.x() >= 1 && position.y() >= 1 && column >= 0 && column < 7 && row >= 0 &&
           row < 7;
}

void TStripGrid::StripMouseMove(const QPoint& position)
{
    int column = 0;
    int row = 0;
    if (!cellAt(position, column, row)) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    bool hasDay = false;
    if (row > 0) {
        const int i = (row - 1) * 7 + column;
        const TMonth& month = Months[tag];
        hasDay = month.Day[i] > 0;
        const bool moved =
            column != StripHover.Column || row != StripHover.Row || tag != StripHover.Calendar;
        if (moved) {
            StripHover = {column, row, tag};
            hintText.clear();
            if (month.HasEvents[i]) {
                hintText = EventTextForDisplay(
                    Events.EventsOfDate(month.Month, month.Day[i], month.Year, "\n"));
            }
        }
        if (moved || !hintShown) {
            // The hint goes next to the cell last entered, taken down first when it changes.
            const QRect cell = cellRect(column, row);
            emit hintWanted(mapToGlobal(QPoint(cell.left() + 21, cell.top())), hintText);
            hintShown = true;
        }
    }
    setCursor(hasDay || row == 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TStripGrid::mouseMoveEvent(QMouseEvent* event)
{
    StripMouseMove(event->position().toPoint());
}

void TStripGrid::mouseReleaseEvent(QMouseEvent* event)
{
    int column = 0;
    int row = 0;
    if (event->button() == Qt::LeftButton && cellAt(event->position().toPoint(), column, row) &&
        cursor().shape() == Qt::PointingHandCursor)
        strip->SGCalPastClick(tag, column, row);
}

void TStripGrid::leaveEvent(QEvent*)
{
    hintShown = false;
    emit hintWanted(QPoint(), QString());
}
