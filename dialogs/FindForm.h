#pragma once
#include <QDialog>
#include <map>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QStatusBar;
class QTableWidget;
class QWidget;

// The date of one result row.
struct TSearchResults {
    int Month = 0;
    int Day = 0;
    int Year = 0;
};

// Grid row number (1 for the first result) -> the date it shows. Emptied by every search; it
// is the only way back from a row to its date.
extern std::map<int, TSearchResults> SearchResults;

// The find dialog: searches the texts of the thirteen cached months and lists one row per
// matching date; a click on a row has the main window show that date while the dialog stays.
//
// Grid rows are counted as the user sees them: row 0 is the "Date"/"Event" header (SGFind's
// horizontal header, so it stays in place while the results scroll) and result row n is
// SGFind's table row n - 1.
class TfrmFind : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFind(QWidget *parent = nullptr);

    // The grid's row under the pointer: 0 the header, a result row, or -1 when the pointer is
    // outside the grid or below the last row.
    int HoverRow() const { return hoverRow; }
    // The texts of a grid row as shown: column 0 the date, column 1 the event text.
    QString CellText(int column, int row) const;
    // Rows of the grid, the header included.
    int RowCount() const;

    void FormShow();
    // The store changed under the open dialog: what was found may be gone or stale.
    void ClearResults();
    void FormResize();
    void EFindChange();
    void BFindClick();
    void SGFindDrawCell(QPainter *painter, const QRect &rect, int column, int row);
    void SGFindMouseMove(const QPoint &viewportPos);
    void SGFindClick();

    QWidget *Panel1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *EFind = nullptr;
    QPushButton *BFind = nullptr;
    QPushButton *Button2 = nullptr;
    QCheckBox *CBCase = nullptr;
    QStatusBar *SBFind = nullptr;
    QTableWidget *SGFind = nullptr;

    static constexpr int MinimumWidth = 328;
    static constexpr int DateColumnWidth = 102;
    // Height the dialog grows to after a search, so that results can be seen.
    static constexpr int ResultsHeight = 208;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createSearchPanel();
    void createGrid();
    void placeControls();
    void centreOnOwner();
    void setHoverRow(int row);
    void followPointerAfterScroll();
    void addResult(int month, int day, int year, const QString &text);
    void paintHeader();

    int hoverRow = -1;
};

extern TfrmFind *frmFind;
