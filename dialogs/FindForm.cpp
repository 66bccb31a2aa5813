#include "FindForm.h"

#include "Colors.h"
#include "EventText.h"
#include "Fonts.h"
#include "MainOps.h"
#include "Pool.h"

#include <QCheckBox>
#include <QCursor>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <functional>
#include <utility>

std::map<int, TSearchResults> SearchResults;
TfrmFind *frmFind = nullptr;

namespace {

constexpr int PanelHeight = 89;
constexpr int StatusHeight = 19;
constexpr int RowHeight = 14;
constexpr int TextIndent = 2;

// Hands every result cell to the form's drawing handler; the view's own drawing (selection,
// focus frame, elision) stays out.
class TCellDrawer : public QStyledItemDelegate {
public:
    using Draw = std::function<void(QPainter *, const QRect &, int column, int row)>;
    TCellDrawer(Draw draw, QObject *parent) : QStyledItemDelegate(parent), draw(std::move(draw)) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        draw(painter, option.rect, index.column(), index.row() + 1);
    }

private:
    Draw draw;
};

QString DateText(int month, int day, int year) {
    return QString::fromStdString(MonthNames[month]) + ' ' + QString::number(day) + ", " +
           QString::number(year);
}

// A result occupies one line: each line-break character becomes a blank of its own.
QString OneLine(QString text) {
    return text.replace('\r', ' ').replace('\n', ' ');
}

} // namespace

TfrmFind::TfrmFind(QWidget *parent) : QDialog(parent) {
    setObjectName("frmFind");
    setWindowTitle("Find - Quorva");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFont(UiFont("Tahoma", 11));
    createSearchPanel();
    createGrid();
    SBFind = new QStatusBar(this);
    SBFind->setObjectName("SBFind");
    // Only the search controls and the status bar are left at the smallest size.
    setMinimumSize(MinimumWidth, PanelHeight + StatusHeight);
    resize(minimumSize());
}

void TfrmFind::createSearchPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Label1 = new QLabel("Fi&nd what:", Panel1);
    Label1->setObjectName("Label1");
    Label1->move(12, 19);
    EFind = new QLineEdit(Panel1);
    EFind->setObjectName("EFind");
    Label1->setBuddy(EFind);
    connect(EFind, &QLineEdit::textChanged, this, &TfrmFind::EFindChange);
    BFind = new QPushButton("&Find All", Panel1);
    BFind->setObjectName("BFind");
    BFind->setDefault(true);
    connect(BFind, &QPushButton::clicked, this, &TfrmFind::BFindClick);
    Button2 = new QPushButton("Close", Panel1);
    Button2->setObjectName("Button2");
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    CBCase = new QCheckBox("Match &case", Panel1);
    CBCase->setObjectName("CBCase");
    CBCase->move(12, 56);
    CBCase->adjustSize();
    Label1->adjustSize();
}

void TfrmFind::createGrid() {
    SGFind = new QTableWidget(0, 2, this);
    SGFind->setObjectName("SGFind");
    SGFind->setHorizontalHeaderLabels({"Date", "Event"});
    SGFind->setFrameShape(QFrame::NoFrame);
    SGFind->setShowGrid(false);
    SGFind->setFocusPolicy(Qt::NoFocus);
    SGFind->setSelectionMode(QAbstractItemView::NoSelection);
    SGFind->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGFind->setAutoScroll(false);
    SGFind->setWordWrap(false);
    SGFind->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette palette = SGFind->palette();
    palette.setColor(QPalette::Base, ToQColor(Colors.CellBackground));
    SGFind->setPalette(palette);
    SGFind->setItemDelegate(
        new TCellDrawer([this](QPainter *painter, const QRect &rect, int column,
                               int row) { SGFindDrawCell(painter, rect, column, row); },
                        SGFind));

    QHeaderView *rows = SGFind->verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(RowHeight);
    rows->setDefaultSectionSize(RowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    QHeaderView *header = SGFind->horizontalHeader();
    header->setFixedHeight(RowHeight);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setSectionResizeMode(QHeaderView::Fixed);
    SGFind->setColumnWidth(0, DateColumnWidth);

    // Scrolling moves rows under a pointer that stands still.
    connect(SGFind->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &TfrmFind::followPointerAfterScroll);
    SGFind->viewport()->setMouseTracking(true);
    header->viewport()->setMouseTracking(true);
    SGFind->viewport()->installEventFilter(this);
    header->viewport()->installEventFilter(this);
}

QString TfrmFind::CellText(int column, int row) const {
    if (row == 0)
        return SGFind->horizontalHeaderItem(column)->text();
    const QTableWidgetItem *item = SGFind->item(row - 1, column);
    return item ? item->text() : QString();
}

int TfrmFind::RowCount() const {
    return SGFind->rowCount() + 1;
}

// A spontaneous show is the window system uncovering or restoring the window: the list stays.
void TfrmFind::showEvent(QShowEvent *event) {
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

// Every opening starts small with an empty list; the search text and "Match case" stay.
void TfrmFind::FormShow() {
    resize(MinimumWidth, minimumHeight());
    SGFind->setRowCount(0);
    setHoverRow(-1);
    SBFind->clearMessage();
    EFindChange();
    EFind->setFocus();
    centreOnOwner();
}

void TfrmFind::ClearResults() {
    SearchResults.clear();
    SGFind->setRowCount(0);
    setHoverRow(-1);
    SBFind->clearMessage();
}

void TfrmFind::centreOnOwner() {
    if (!parentWidget())
        return;
    const QRect owner = parentWidget()->window()->frameGeometry();
    move(owner.center() - QPoint(width() / 2, height() / 2));
}

void TfrmFind::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    placeControls();
    FormResize();
}

// Search text and buttons keep their distance to the right edge as the dialog widens.
void TfrmFind::placeControls() {
    const int grow = width() - MinimumWidth;
    Panel1->setGeometry(0, 0, width(), PanelHeight);
    EFind->setGeometry(68, 16, 237 + grow, 21);
    BFind->setGeometry(148 + grow, 52, 75, 25);
    Button2->setGeometry(232 + grow, 52, 75, 25);
    SBFind->setGeometry(0, height() - StatusHeight, width(), StatusHeight);
    SGFind->setGeometry(0, PanelHeight, width(), qMax(0, height() - PanelHeight - StatusHeight));
}

void TfrmFind::FormResize() {
    SGFind->setColumnWidth(0, DateColumnWidth);
    SGFind->setColumnWidth(1, qMax(0, SGFind->width() - DateColumnWidth));
}

void TfrmFind::EFindChange() {
    BFind->setEnabled(!EFind->text().isEmpty());
}

// Walks the cached months rather than the store, so that every recurrence kind takes part
// and a date is found at most once, in date order.
void TfrmFind::BFindClick() {
    SearchResults.clear();
    SGFind->setRowCount(0);
    setHoverRow(-1);
    const bool matchCase = CBCase->isChecked();
    const QLocale locale = QLocale::system();
    QString needle = EFind->text();
    if (!matchCase)
        needle = locale.toLower(needle);
    for (const TMonth &month : Months) {
        for (std::size_t i = 0; i < month.Day.size(); ++i) {
            const int day = month.Day[i];
            if (!month.HasEvents[i] || day <= 0)
                continue;
            const QString text =
                EventTextFromBytes(Events.EventsOfDate(month.Month, day, month.Year, ", "));
            const QString hay = matchCase ? text : locale.toLower(text);
            if (!needle.isEmpty() && hay.contains(needle))
                addResult(month.Month, day, month.Year, text);
        }
    }
    SBFind->showMessage(QString::number(RowCount() - 1) + " event(s) found");
    if (height() < ResultsHeight)
        resize(width(), ResultsHeight);
}

void TfrmFind::addResult(int month, int day, int year, const QString &text) {
    const int row = RowCount();
    SGFind->setRowCount(row);
    SGFind->setItem(row - 1, 0, new QTableWidgetItem(DateText(month, day, year)));
    SGFind->setItem(row - 1, 1, new QTableWidgetItem(OneLine(text)));
    SearchResults[row] = {month, day, year};
}

void TfrmFind::SGFindDrawCell(QPainter *painter, const QRect &rect, int column, int row) {
    QColor back = ToQColor(Colors.CellBackground);
    QColor text = ToQColor(Colors.EventDayText);
    if (row == 0) {
        back = SGFind->palette().color(QPalette::Button);
        text = ToQColor(Colors.DayText);
    } else if (row == hoverRow && hoverRow > 0) {
        text = ToQColor(Colors.LinkHover);
    }
    painter->save();
    painter->setClipRect(rect);
    painter->fillRect(rect, back);
    painter->setFont(UiFont("Tahoma", 11));
    painter->setPen(text);
    painter->drawText(rect.adjusted(TextIndent, 0, 0, 0),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, CellText(column, row));
    painter->restore();
}

void TfrmFind::paintHeader() {
    QHeaderView *header = SGFind->horizontalHeader();
    QPainter painter(header->viewport());
    for (int column = 0; column < SGFind->columnCount(); ++column) {
        const QRect rect(header->sectionViewportPosition(column), 0, header->sectionSize(column),
                         header->height());
        SGFindDrawCell(&painter, rect, column, 0);
    }
}

void TfrmFind::SGFindMouseMove(const QPoint &viewportPos) {
    const int tableRow = SGFind->rowAt(viewportPos.y());
    setHoverRow(tableRow < 0 ? -1 : tableRow + 1);
    SGFind->viewport()->setCursor(hoverRow > 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TfrmFind::followPointerAfterScroll() {
    QWidget *cells = SGFind->viewport();
    if (hoverRow > 0 && cells->underMouse())
        SGFindMouseMove(cells->mapFromGlobal(QCursor::pos()));
}

void TfrmFind::setHoverRow(int row) {
    if (row == hoverRow)
        return;
    hoverRow = row;
    SGFind->viewport()->update();
    SGFind->horizontalHeader()->viewport()->update();
}

// The row under the pointer decides, not the grid's current row.
void TfrmFind::SGFindClick() {
    if (hoverRow <= 0)
        return;
    const auto result = SearchResults.find(hoverRow);
    if (result == SearchResults.end() || !MainOps)
        return;
    MainOps->GoToDate(result->second.Month, result->second.Day, result->second.Year);
}

bool TfrmFind::eventFilter(QObject *watched, QEvent *event) {
    QWidget *cells = SGFind->viewport();
    QWidget *header = SGFind->horizontalHeader()->viewport();
    if (watched != cells && watched != header)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        if (watched == header) {
            paintHeader();
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (watched == header)
            setHoverRow(0);
        else
            SGFindMouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
        break;
    case QEvent::Leave:
        setHoverRow(-1);
        break;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (watched != cells || mouse->button() != Qt::LeftButton)
            break;
        // The list may have scrolled under a pointer that stood still (wheel, keys): the
        // row under the pointer now is the one the user clicks, not the one last hovered.
        SGFindMouseMove(mouse->position().toPoint());
        SGFindClick();
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
