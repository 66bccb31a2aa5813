// The find dialog as a person meets it: typing a text, finding its dates, pointing at a
// result and clicking it.
#include "AboutForm.h"
#include "Clock.h"
#include "Colors.h"
#include "FindForm.h"
#include "Fonts.h"
#include "GUI.h"
#include "MainForm.h"
#include "MainOps.h"
#include "Pool.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <array>
#include <chrono>
#include <vector>

using namespace std::chrono;

namespace {

// Monday, March 10, 2025: the cache runs from February 2025 to February 2026.
constexpr sys_days FixedToday = sys_days{year{2025} / March / 10};

class TRecordingOps : public TMainOps {
public:
    void GoToDate(int month, int day, int year) override { dates.push_back({month, day, year}); }
    void SBMainClick() override {}
    void ActionPrefExecute() override {}
    void RestoreAndActivate() override {}
    bool LivesInTray() const override { return false; }

    std::vector<std::array<int, 3>> dates;
};

void FillStore() {
    Events.Clear();
    Events.SetOnce(2, 3, 2025, "Plumber");
    Events.SetOnce(3, 12, 2025, "Dentist");
    Events.SetOnce(3, 20, 2025, "Lunch");
    Events.SetYearly(3, 20, "Dentist");
    Events.SetOnce(4, 3, 2025, "Call the bank\r\nRenew passport");
    Events.SetOnce(5, 5, 2025, "\xC3\x84rztin M\xC3\xBCller"); // "Ärztin Müller" in UTF-8
    Events.SetOnce(3, 1, 2026, "Tax return");
    Events.SetWeekly(4, "Choir practice"); // Wednesdays
    FillMonths(Months, Events, FixedToday);
}

QStringList DateColumn(const TfrmFind &find) {
    QStringList dates;
    for (int row = 1; row < find.RowCount(); ++row)
        dates << find.CellText(0, row);
    return dates;
}

QString Status(const TfrmFind &find) {
    return find.SBFind->currentMessage();
}

void Search(TfrmFind &find, const QString &text, bool matchCase = false) {
    find.EFind->setText(text);
    find.CBCase->setChecked(matchCase);
    QTest::mouseClick(find.BFind, Qt::LeftButton);
}

// The middle of a result row in the grid's viewport.
QPoint RowCentre(const TfrmFind &find, int row) {
    const int tableRow = row - 1;
    return {find.SGFind->columnWidth(0) / 2,
            find.SGFind->rowViewportPosition(tableRow) + find.SGFind->rowHeight(tableRow) / 2};
}

void MovePointer(QWidget *widget, const QPoint &pos) {
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void LeaveWidget(QWidget *widget) {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}

// How many pixels of a colour a strip of the grid shows.
int PixelsOf(const TfrmFind &find, const QRect &strip, std::uint32_t colour) {
    const QImage image = find.SGFind->viewport()->grab(strip).toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += image.pixelColor(x, y).rgb() == ToQColor(colour).rgb();
    return count;
}

QRect RowStrip(const TfrmFind &find, int row) {
    const int tableRow = row - 1;
    return {0, find.SGFind->rowViewportPosition(tableRow), find.SGFind->viewport()->width(),
            find.SGFind->rowHeight(tableRow)};
}

int WednesdaysInCache() {
    int count = 0;
    for (sys_days day = sys_days{year{2025} / February / 1};
         day <= sys_days{year{2026} / February / 28}; day += days{1})
        count += weekday{day} == Wednesday;
    return count;
}

// The program's own main window on the fixed date, in a temporary application folder.
class TRealMainWindow {
public:
    TRealMainWindow() {
        gui.AppDir = appDir.path() + '/';
        GUI = &gui;
        Clock::SetSource([] { return QDateTime(QDate(2025, 3, 10), QTime(12, 0)); });
        window = std::make_unique<TfrmMain>(QStringList{"quorva"});
    }
    ~TRealMainWindow() {
        window.reset();
        GUI = nullptr;
        Clock::SetSource({});
    }
    TfrmMain &main() { return *window; }

private:
    QTemporaryDir appDir;
    TGUI gui;
    std::unique_ptr<TfrmMain> window;
};

// Runs the action and returns the modal window it opened, closing it again.
QWidget *ModalWidgetOpenedBy(QAction *action) {
    QWidget *opened = nullptr;
    QTimer::singleShot(0, [&opened] {
        opened = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QDialog *>(opened))
            dialog->reject();
    });
    action->trigger();
    return opened;
}

} // namespace

class TestFind : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void search_matchesByText_data();
    void search_matchesByText();
    void search_weeklyEvent_givesOneRowPerWeekInOrder();
    void search_multiLineText_showsOneLineWithTwoBlanksPerBreak();
    void search_nothingFound_saysSoAndStillGrows();
    void emptySearchText_disablesFindAllAndEnterDoesNothing();
    void reopen_showsEmptyListAtMinimumSizeWithTheOldSearch();
    void labelAccelerator_focusesTheSearchText();
    void widening_widensTheEventColumnOnly();
    void pointerOverResult_turnsItOrangeWithHandUntilItLeaves();
    void pointerOverHeader_keepsArrowAndClickDoesNothing();
    void resultClick_goesToItsDateAndTheDialogStays();
    void resultClick_afterScrollingUnderAStillPointer_takesTheRowNowUnderIt();
    void resultClick_withTheMainWindow_movesTheDialogOffTheCell();
    void mainWindowCommands_openFindAndAboutModally();
    void lookAtTheDialog();

private:
    std::unique_ptr<TfrmFind> find;
    TRecordingOps ops;
};

void TestFind::init() {
    FillStore();
    ops.dates.clear();
    MainOps = &ops;
    find = std::make_unique<TfrmFind>();
    find->show();
    QVERIFY(QTest::qWaitForWindowExposed(find.get()));
}

void TestFind::cleanup() {
    find.reset();
    MainOps = nullptr;
    SearchResults.clear();
    Events.Clear();
}

void TestFind::search_matchesByText_data() {
    QTest::addColumn<QString>("needle");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QStringList>("dates");

    const QStringList dentist{"March 12, 2025", "March 20, 2025"};
    QTest::newRow("other letter case, case ignored") << "DENTIST" << false << dentist;
    QTest::newRow("other letter case, case matched") << "DENTIST" << true << QStringList{};
    QTest::newRow("same letter case, case matched") << "Dentist" << true << dentist;
    QTest::newRow("across the separator of two events")
        << "lunch, d" << false << QStringList{"March 20, 2025"};
    QTest::newRow("word of a second line") << "passport" << false << QStringList{"April 3, 2025"};
    QTest::newRow("line break itself is not a blank") << "bank renew" << false << QStringList{};
    QTest::newRow("non-ASCII capitals, case ignored")
        << QString::fromUtf8("\xC3\x84RZTIN M\xC3\x9CLLER") << false << QStringList{"May 5, 2025"};
    QTest::newRow("non-ASCII lower case, case matched")
        << QString::fromUtf8("\xC3\xA4rztin") << true << QStringList{};
    QTest::newRow("month before the current one")
        << "plumber" << false << QStringList{"February 3, 2025"};
    QTest::newRow("month after the last cached one") << "tax return" << false << QStringList{};
}

void TestFind::search_matchesByText() {
    QFETCH(QString, needle);
    QFETCH(bool, matchCase);
    QFETCH(QStringList, dates);
    Search(*find, needle, matchCase);
    QCOMPARE(DateColumn(*find), dates);
    QCOMPARE(Status(*find), QString("%1 event(s) found").arg(dates.size()));
    for (int row = 1; row <= dates.size(); ++row) {
        const TSearchResults &result = SearchResults.at(row);
        QCOMPARE(find->CellText(0, row), QString("%1 %2, %3")
                                             .arg(QString::fromStdString(MonthNames[result.Month]))
                                             .arg(result.Day)
                                             .arg(result.Year));
    }
}

void TestFind::search_weeklyEvent_givesOneRowPerWeekInOrder() {
    Search(*find, "choir");
    const int weeks = WednesdaysInCache();
    QCOMPARE(find->RowCount() - 1, weeks);
    QCOMPARE(Status(*find), QString("%1 event(s) found").arg(weeks));
    QCOMPARE(find->CellText(0, 1), QString("February 5, 2025"));
    QCOMPARE(find->CellText(0, weeks), QString("February 25, 2026"));
    for (int row = 2; row <= weeks; ++row) {
        const TSearchResults &a = SearchResults.at(row - 1);
        const TSearchResults &b = SearchResults.at(row);
        QCOMPARE(sys_days{year{b.Year} / b.Month / b.Day} -
                     sys_days{year{a.Year} / a.Month / a.Day},
                 days{7});
    }
    // The header stays in place while the results scroll.
    find->SGFind->verticalScrollBar()->setValue(find->SGFind->verticalScrollBar()->maximum());
    QVERIFY(find->SGFind->horizontalHeader()->isVisible());
    QCOMPARE(find->SGFind->horizontalHeader()->geometry().top(), 0);
}

void TestFind::search_multiLineText_showsOneLineWithTwoBlanksPerBreak() {
    Search(*find, "bank");
    QCOMPARE(find->RowCount(), 2);
    QCOMPARE(find->CellText(1, 1), QString("Call the bank  Renew passport"));
}

void TestFind::search_nothingFound_saysSoAndStillGrows() {
    QCOMPARE(find->height(), find->minimumHeight());
    Search(*find, "nowhere");
    QCOMPARE(find->RowCount(), 1);
    QCOMPARE(Status(*find), QString("0 event(s) found"));
    QCOMPARE(find->height(), TfrmFind::ResultsHeight);

    find->resize(find->width(), 400); // a taller dialog keeps its height
    Search(*find, "dentist");
    QCOMPARE(find->height(), 400);
}

void TestFind::emptySearchText_disablesFindAllAndEnterDoesNothing() {
    find->EFind->clear();
    QVERIFY(!find->BFind->isEnabled());
    QTest::keyClick(find->EFind, Qt::Key_Return);
    QCOMPARE(Status(*find), QString());
    QVERIFY(find->isVisible());

    QTest::keyClicks(find->EFind, "lunch");
    QVERIFY(find->BFind->isEnabled());
    QTest::keyClick(find->EFind, Qt::Key_Return);
    QCOMPARE(Status(*find), QString("1 event(s) found"));
}

void TestFind::reopen_showsEmptyListAtMinimumSizeWithTheOldSearch() {
    Search(*find, "DENTIST", true);
    Search(*find, "Dentist", true);
    find->resize(450, 300);
    QTest::keyClick(find.get(), Qt::Key_Escape);
    QVERIFY(!find->isVisible());
    QCOMPARE(find->result(), int(QDialog::Rejected));
    QCOMPARE(find->RowCount(), 3); // the results stay until the next opening

    find->show();
    QCOMPARE(find->RowCount(), 1);
    QCOMPARE(find->CellText(0, 0), QString("Date"));
    QCOMPARE(find->CellText(1, 0), QString("Event"));
    QCOMPARE(Status(*find), QString());
    QCOMPARE(find->size(), find->minimumSize());
    QCOMPARE(find->minimumWidth(), TfrmFind::MinimumWidth);
    QCOMPARE(find->SGFind->height(), 0);
    QCOMPARE(find->EFind->text(), QString("Dentist"));
    QVERIFY(find->CBCase->isChecked());
    QVERIFY(find->BFind->isEnabled());
    QCOMPARE(find->focusWidget(), find->EFind);
}

void TestFind::labelAccelerator_focusesTheSearchText() {
    find->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(find.get()));
    find->Button2->setFocus();
    QTest::keyClick(find.get(), Qt::Key_N, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), find->EFind);
}

void TestFind::widening_widensTheEventColumnOnly() {
    Search(*find, "dentist");
    const int before = find->SGFind->columnWidth(1);
    find->resize(find->width() + 150, find->height());
    QCOMPARE(find->SGFind->columnWidth(0), TfrmFind::DateColumnWidth);
    QCOMPARE(find->SGFind->columnWidth(1), before + 150);
    QCOMPARE(find->SGFind->rowHeight(0), 14);
    QCOMPARE(find->SGFind->horizontalHeader()->height(), 14);
    QCOMPARE(find->SGFind->columnWidth(1), find->SGFind->width() - TfrmFind::DateColumnWidth);
    // The search text and the buttons keep their distance to the right edge.
    QCOMPARE(find->width() - find->EFind->geometry().right(), 24);
    QCOMPARE(find->width() - find->Button2->geometry().right(), 22);
}

void TestFind::pointerOverResult_turnsItOrangeWithHandUntilItLeaves() {
    Search(*find, "dentist");
    Search(*find, "e"); // Plumber, Dentist, Lunch, ...: plenty of rows
    QVERIFY(find->RowCount() > 3);
    QWidget *cells = find->SGFind->viewport();
    QCOMPARE(PixelsOf(*find, RowStrip(*find, 2), Colors.LinkHover), 0);

    MovePointer(cells, RowCentre(*find, 2));
    QCOMPARE(find->HoverRow(), 2);
    QCOMPARE(cells->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(PixelsOf(*find, RowStrip(*find, 2), Colors.LinkHover) > 0);
    QCOMPARE(PixelsOf(*find, RowStrip(*find, 2), Colors.EventDayText), 0);
    QCOMPARE(PixelsOf(*find, RowStrip(*find, 3), Colors.LinkHover), 0);
    QVERIFY(PixelsOf(*find, RowStrip(*find, 3), Colors.EventDayText) > 0);

    const int last = find->RowCount() - 1;
    MovePointer(cells, {5, find->SGFind->rowViewportPosition(last - 1) + 100});
    QCOMPARE(find->HoverRow(), -1); // below the last row
    QCOMPARE(cells->cursor().shape(), Qt::ArrowCursor);

    MovePointer(cells, RowCentre(*find, 2));
    LeaveWidget(cells);
    QCOMPARE(find->HoverRow(), -1);
    QCOMPARE(PixelsOf(*find, RowStrip(*find, 2), Colors.LinkHover), 0);
}

void TestFind::pointerOverHeader_keepsArrowAndClickDoesNothing() {
    Search(*find, "dentist");
    QWidget *header = find->SGFind->horizontalHeader()->viewport();
    MovePointer(header, {10, 5});
    QCOMPARE(find->HoverRow(), 0);
    QCOMPARE(header->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseClick(header, Qt::LeftButton, {}, {10, 5});
    find->SGFindClick();
    QVERIFY(ops.dates.empty());
}

void TestFind::resultClick_goesToItsDateAndTheDialogStays() {
    Search(*find, "dentist");
    QWidget *cells = find->SGFind->viewport();
    MovePointer(cells, RowCentre(*find, 2));
    QTest::mouseClick(cells, Qt::LeftButton, {}, RowCentre(*find, 2));
    QCOMPARE(ops.dates.size(), std::size_t(1));
    QCOMPARE(ops.dates[0], (std::array<int, 3>{3, 20, 2025}));
    QVERIFY(find->isVisible());

    // The row under the pointer counts, whatever the grid may consider current.
    MovePointer(cells, RowCentre(*find, 1));
    QTest::mouseClick(cells, Qt::LeftButton, {}, RowCentre(*find, 1));
    QCOMPARE(ops.dates.size(), std::size_t(2));
    QCOMPARE(ops.dates[1], (std::array<int, 3>{3, 12, 2025}));
}

void TestFind::resultClick_afterScrollingUnderAStillPointer_takesTheRowNowUnderIt() {
    Search(*find, "choir");
    QWidget *cells = find->SGFind->viewport();
    const QPoint pointer = RowCentre(*find, 2);
    MovePointer(cells, pointer);
    find->SGFind->verticalScrollBar()->setValue(10);
    const int underPointer = find->SGFind->rowAt(pointer.y()) + 1;
    QVERIFY(underPointer > 2);
    QTest::mouseClick(cells, Qt::LeftButton, {}, pointer);
    QCOMPARE(ops.dates.size(), std::size_t(1));
    const TSearchResults &expected = SearchResults.at(underPointer);
    QCOMPARE(ops.dates[0], (std::array<int, 3>{expected.Month, expected.Day, expected.Year}));
}

void TestFind::resultClick_withTheMainWindow_movesTheDialogOffTheCell() {
    find->hide();
    TRealMainWindow real;
    TfrmMain &main = real.main();
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    FillStore();
    TfrmFind dialog(&main);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Search(dialog, "m\xC3\xBCller");
    QCOMPARE(dialog.RowCount(), 2);
    QCOMPARE(Selection.ShownMonth, 1);

    // May 1, 2025 is a Thursday, so Monday May 5 is the second row's second cell.
    const QWidget *cell = main.findChild<QWidget *>("PDay9");
    QVERIFY(cell);
    const QRect cellRect(cell->mapToGlobal(QPoint(0, 0)), cell->size());
    dialog.move(cellRect.center() - QPoint(dialog.width() / 2, dialog.height() / 2));
    QVERIFY(dialog.frameGeometry().intersects(cellRect));

    QWidget *cells = dialog.SGFind->viewport();
    MovePointer(cells, RowCentre(dialog, 1));
    QTest::mouseClick(cells, Qt::LeftButton, {}, RowCentre(dialog, 1));
    QCOMPARE(Selection.ShownMonth, 3);
    QVERIFY(dialog.isVisible());
    QVERIFY(!dialog.frameGeometry().intersects(cellRect));
    // Too wide for the room left of the cell, so it goes directly right of it.
    QVERIFY(dialog.width() >= cellRect.left());
    QCOMPARE(dialog.frameGeometry().left(), cellRect.right() + 1);
}

void TestFind::mainWindowCommands_openFindAndAboutModally() {
    find->hide();
    TRealMainWindow real;
    TfrmMain &main = real.main();
    main.show();
    TfrmFind findDialog(&main);
    TfrmAbout aboutBox(&main);
    frmFind = &findDialog;
    frmAbout = &aboutBox;
    QAction *findAction = main.findChild<QAction *>("AFind");
    QVERIFY(findAction);
    QCOMPARE(findAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    QCOMPARE(ModalWidgetOpenedBy(findAction), &findDialog);
    QAction *aboutItem = main.findChild<QAction *>("MenuAbout");
    QVERIFY(aboutItem);
    QCOMPARE(aboutItem->text(), QString("&About..."));
    QCOMPARE(ModalWidgetOpenedBy(aboutItem), &aboutBox);
    frmFind = nullptr;
    frmAbout = nullptr;
}

void TestFind::lookAtTheDialog() {
    QVERIFY(find->grab().save("/tmp/quorva-find-opened.png"));
    Search(*find, "e");
    MovePointer(find->SGFind->viewport(), RowCentre(*find, 3));
    QVERIFY(find->grab().save("/tmp/quorva-find.png"));
}

int main(int argc, char *argv[]) {
    QTemporaryDir config;
    QTemporaryDir data;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    TestFind test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_find.moc"
