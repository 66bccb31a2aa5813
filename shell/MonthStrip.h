#pragma once
#include <QScrollArea>
#include <array>
#include <cstdint>

class QLabel;
class TfrmMain;
class TStripGrid;

// The strip cell last entered by the mouse; -1 everywhere until the mouse enters one.
struct TStripHover {
    int Column = -1;
    int Row = -1;
    int Calendar = -1;
};
extern TStripHover StripHover;

// The scrolling column of thirteen small calendars, one per entry of the month cache.
class TMonthStrip : public QScrollArea {
    Q_OBJECT
public:
    TMonthStrip(TfrmMain* main, QWidget* parent);

    void fill();                // FillMonthStrip
    void markShown(int index);  // header rows and titles: accent for the shown month
    void setScrollPosition(int position);
    int scrollPosition() const;
    int scrollRange() const;    // height of the content, 13 x 135

    QLabel* title(int k) const { return titles[k]; }
    TStripGrid* grid(int k) const { return grids[k]; }

    void STMonthPastClick(int k);
    void SGCalPastClick(int k, int column, int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TfrmMain* main;
    QWidget* content;
    std::array<QLabel*, 13> titles{};
    std::array<TStripGrid*, 13> grids{};
};

// One small calendar's 7 x 7 grid: weekday letters, then six rows of day numbers.
class TStripGrid : public QWidget {
    Q_OBJECT
public:
    TStripGrid(int calendar, TMonthStrip* strip, QWidget* parent);

    static constexpr int ColumnWidth = 20;
    static constexpr int RowHeight = 16;

    int calendar() const { return tag; }
    QString cellText(int column, int row) const;
    void setHeaderColour(std::uint32_t colour);
    std::uint32_t headerColour() const { return header; }
    QRect cellRect(int column, int row) const;

    // What StripDrawCell decides for a cell: offset, colours and weight.
    struct TCellLook {
        int x = 8;
        bool bold = false;
        std::uint32_t text = 0;
        std::uint32_t background = 0;
    };
    TCellLook StripDrawCell(int column, int row) const;

signals:
    void hintWanted(const QPoint& globalTopLeft, const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void StripMouseMove(const QPoint& position);
    bool cellAt(const QPoint& position, int& column, int& row) const;

    int tag;
    TMonthStrip* strip;
    std::uint32_t header = 0;
    QString hintText;
    bool hintShown = false;
};
