// The month strip and the main window's services: timer, status bar, menus, New, help, tray.
#include "MainFixture.h"

#include "Colors.h"
#include "GUI.h"
#include "MainForm.h"
#include "MonthStrip.h"
#include "Pool.h"
#include "Preferences.h"
#include "Today.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QtTest>

namespace {

QString StatusText(TfrmMain* main)
{
    return main->findChild<TStatusBar*>("SBMain")->statusText();
}

QStringList Captions(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* action : menu->actions()) {
        QString caption = action->isSeparator() ? QString("-") : action->text();
        if (!action->shortcut().isEmpty())
            caption += '\t' + action->shortcut().toString();
        captions << caption;
    }
    return captions;
}

// Offscreen there is no pointer to move: the move is delivered to the widget directly.
void Hover(QWidget* widget, const QPoint& position)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(position), QPointF(widget->mapToGlobal(position)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void AnswerMessageBox(QMessageBox::StandardButton answer, QString* text = nullptr)
{
    TMainFixture::whenModal([answer, text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return;
        if (text)
            *text = box->text();
        box->button(answer)->click();
    });
}

} // namespace

class TestServices : public QObject {
    Q_OBJECT

private slots:
    void strip_inJanuary_startsWithDecemberOfLastYear();
    void strip_cellLooks_data();
    void strip_cellLooks();
    void strip_shownMonth_markedWithTheAccentColour();
    void strip_clicks_showMonthsAndOpenTheEditor();
    void strip_hover_hintsOnlyOnDaysWithEvents();
    void timer_acrossMidnight_rebuildsEveryDisplay();
    void statusBar_examples_data();
    void statusBar_examples();
    void newList_noKeepsEverythingYesEmptiesTheFile();
    void menus_haveEveryCaptionAndShortcut();
    void help_f1OpensGettingStarted();
    void tray_withoutNotificationArea_minimisesNormally();
    void lookAtTheStrip();
};

void TestServices::strip_inJanuary_startsWithDecemberOfLastYear()
{
    TMainFixture f(QDate(2026, 1, 15));
    TMonthStrip* strip = f.main()->monthStrip();
    QCOMPARE(strip->title(0)->text(), QString("December '2025"));
    QCOMPARE(strip->title(1)->text(), QString("January '2026"));
    QCOMPARE(strip->title(12)->text(), QString("December '2026"));
    QCOMPARE(strip->title(0)->objectName(), QString("STMonthPast"));
    QCOMPARE(strip->grid(0)->objectName(), QString("SGCalPast"));
    QCOMPARE(strip->grid(12)->objectName(), QString("SGCal12"));
    // December 2025 starts on a Monday.
    QCOMPARE(strip->grid(0)->cellText(0, 1), QString());
    QCOMPARE(strip->grid(0)->cellText(1, 1), QString("1"));
    QCOMPARE(strip->grid(0)->cellText(3, 0), QString("W"));
    QCOMPARE(strip->grid(0)->cellText(3, 5), QString("31"));
    QCOMPARE(strip->scrollRange(), 13 * 135);
}

void TestServices::strip_cellLooks_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("x");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<uint>("text");
    QTest::addColumn<uint>("background");
    // Calendar 1 is March 2025 (starts on a Saturday); today is Monday the 10th, cell 15.
    QTest::newRow("letter W") << 3 << 0 << 6 << false << uint(Colors.CellBackground)
                              << uint(Colors.Frame);
    QTest::newRow("one-digit day with events") << 2 << 2 << 8 << true
                                               << uint(Colors.EventDayText)
                                               << uint(Colors.CellBackground);
    QTest::newRow("two-digit day with events") << 2 << 3 << 4 << true
                                               << uint(Colors.EventDayText)
                                               << uint(Colors.CellBackground);
    QTest::newRow("two-digit day without events") << 3 << 3 << 5 << false
                                                  << uint(Colors.DayText)
                                                  << uint(Colors.CellBackground);
    QTest::newRow("Saturday") << 6 << 2 << 8 << false << uint(Colors.DayText)
                              << uint(Colors.WeekendCell);
    QTest::newRow("empty cell") << 2 << 1 << 8 << false << uint(Colors.DayText)
                                << uint(Colors.EmptyCell);
    QTest::newRow("today with events") << 1 << 3 << 4 << true << uint(Colors.EventDayText)
                                       << uint(Colors.TodayCell);
}

void TestServices::strip_cellLooks()
{
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(int, x);
    QFETCH(bool, bold);
    QFETCH(uint, text);
    QFETCH(uint, background);
    TMainFixture f(QDate(2025, 3, 10));
    Events.SetWeekly(3, "Tuesday club");
    Events.SetOnce(3, 10, 2025, "Today's errand");
    FillMonths(Months, Events, std::chrono::sys_days(std::chrono::year{2025} / 3 / 10));
    f.main()->ShowMonth(2); // calendar 1 is not shown: its letters get the frame colour
    const TStripGrid::TCellLook look = f.main()->monthStrip()->grid(1)->StripDrawCell(column, row);
    QCOMPARE(look.x, x);
    QCOMPARE(look.bold, bold);
    QCOMPARE(uint(look.text), text);
    QCOMPARE(uint(look.background), background);
}

void TestServices::strip_shownMonth_markedWithTheAccentColour()
{
    TMainFixture f(QDate(2025, 3, 10));
    TMonthStrip* strip = f.main()->monthStrip();
    f.main()->ShowMonth(4);
    for (int k = 0; k < 13; ++k) {
        const std::uint32_t expected = k == 4 ? Colors.Accent : Colors.Frame;
        QCOMPARE(strip->grid(k)->headerColour(), expected);
        QCOMPARE(FromQColor(strip->title(k)->palette().color(QPalette::Window)), expected);
    }
    // Today is marked only in the current month's calendar.
    QCOMPARE(strip->grid(1)->StripDrawCell(1, 3).background, Colors.TodayCell);
    QCOMPARE(strip->grid(13 - 1)->StripDrawCell(1, 3).background != Colors.TodayCell, true);
}

void TestServices::strip_clicks_showMonthsAndOpenTheEditor()
{
    TMainFixture f(QDate(2025, 3, 10));
    TMonthStrip* strip = f.main()->monthStrip();
    strip->STMonthPastClick(5);
    QCOMPARE(Selection.ShownMonth, 5);
    const int position = strip->scrollPosition();
    QCOMPARE(strip->scrollPosition(), position); // a title click does not scroll

    // The letter W of calendar 3 (May 2025): the editor opens on May 7 with the weekly text.
    QString focused;
    TMainFixture::whenModal([&focused](QWidget* dialog) {
        focused = dialog->focusWidget() ? dialog->focusWidget()->objectName() : QString();
        static_cast<QDialog*>(dialog)->reject();
    });
    strip->SGCalPastClick(3, 3, 0);
    QCOMPARE(Selection.ShownMonth, 3);
    QCOMPARE(Selection.Day, 7);
    QCOMPARE(focused, QString("MWeekly"));

    // An empty cell does nothing: May 2025 starts on a Thursday, so (0, 1) is empty.
    Selection.Day = 0;
    strip->SGCalPastClick(3, 0, 1);
    QCOMPARE(Selection.ShownMonth, 3);
    QCOMPARE(Selection.Day, 0);
}

void TestServices::strip_hover_hintsOnlyOnDaysWithEvents()
{
    TMainFixture f(QDate(2025, 3, 10));
    Events.SetOnce(3, 12, 2025, "Dentist\r\nCall Bob");
    FillMonths(Months, Events, std::chrono::sys_days(std::chrono::year{2025} / 3 / 10));
    f.main()->show();
    TStripGrid* grid = f.main()->monthStrip()->grid(1);
    QSignalSpy hints(grid, &TStripGrid::hintWanted);
    const QRect twelfth = grid->cellRect(3, 3);
    Hover(grid, twelfth.center());
    QVERIFY(!hints.isEmpty());
    QCOMPARE(hints.last().at(1).toString(), QString("Dentist\nCall Bob"));
    QCOMPARE(hints.last().at(0).toPoint(),
             grid->mapToGlobal(QPoint(twelfth.left() + 21, twelfth.top())));
    QCOMPARE(StripHover.Calendar, 1);
    QCOMPARE(grid->cursor().shape(), Qt::PointingHandCursor);
    const QRect eleventh = grid->cellRect(2, 3);
    Hover(grid, eleventh.center());
    QCOMPARE(hints.last().at(1).toString(), QString());
    Hover(grid, grid->cellRect(2, 1).center()); // empty cell
    QCOMPARE(grid->cursor().shape(), Qt::ArrowCursor);
}

void TestServices::timer_acrossMidnight_rebuildsEveryDisplay()
{
    TMainFixture f(QDate(2025, 3, 31));
    f.setToday(QDate(2025, 3, 31), QTime(23, 59, 59));
    Events.SetOnce(4, 1, 2025, "April fool");
    f.main()->Timer1Timer(); // the first tick
    f.main()->ShowMonth(5);
    QVERIFY(StatusText(f.main()).endsWith("Nothing is planned"));
    f.setToday(QDate(2025, 4, 1), QTime(0, 0, 0));
    f.main()->Timer1Timer();
    QCOMPARE(Today.TodayDay, 1);
    QCOMPARE(Today.TodayMonth, 4);
    QCOMPARE(Selection.ShownMonth, 1);
    QCOMPARE(Selection.Month, 4);
    QCOMPARE(f.main()->monthStrip()->title(0)->text(), QString("March '2025"));
    QCOMPARE(StatusText(f.main()), QString("Today is Tuesday, April 1: April fool"));
}

void TestServices::statusBar_examples_data()
{
    QTest::addColumn<bool>("withEvents");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two kinds, one text of two lines")
        << true << "Today is Tuesday, April 1: Dentist Call Bob, Meeting";
    QTest::newRow("nothing") << false << "Today is Tuesday, April 1: Nothing is planned";
}

void TestServices::statusBar_examples()
{
    QFETCH(bool, withEvents);
    QFETCH(QString, expected);
    TMainFixture f(QDate(2025, 4, 1));
    if (withEvents) {
        Events.SetOnce(4, 1, 2025, "Dentist\r\nCall Bob");
        Events.SetWeekly(3, "Meeting");
    }
    f.main()->UpdateStatusBar();
    QCOMPARE(StatusText(f.main()), expected);
}

void TestServices::newList_noKeepsEverythingYesEmptiesTheFile()
{
    TMainFixture f(QDate(2025, 3, 10));
    Events.SetOnce(3, 10, 2025, "Keep me");
    QVERIFY(f.main()->SaveEvents());
    QString question;
    AnswerMessageBox(QMessageBox::No, &question);
    f.main()->New1Click();
    QVERIFY(question.startsWith("The existing list of events will be replaced with an empty one."));
    QVERIFY(question.contains("All information will be lost.\n\nAre you sure"));
    QCOMPARE(Events.GetOnce(3, 10, 2025), std::string("Keep me"));
    QVERIFY(f.readFile(f.eventsFile()).contains("Keep me"));

    AnswerMessageBox(QMessageBox::Yes);
    f.main()->New1Click();
    QVERIFY(Events.Once.empty());
    QVERIFY(!f.readFile(f.eventsFile()).contains("Keep me"));
    QVERIFY(f.main()->findChild<QLabel*>("LEvent16")->text().isEmpty());
    QVERIFY(StatusText(f.main()).endsWith("Nothing is planned"));
}

void TestServices::menus_haveEveryCaptionAndShortcut()
{
    TMainFixture f(QDate(2025, 3, 10));
    const QList<QAction*> top = f.main()->menuBar()->actions();
    QCOMPARE(top.size(), 3);
    QCOMPARE(top[0]->text(), QString("&File"));
    QCOMPARE(Captions(top[0]->menu()), (QStringList{"&New...", "&Print\tCtrl+P", "S&ynchronize\tCtrl+Shift+S", "-",
                          "&Undo\tCtrl+Z", "-", "E&xit"}));
    QCOMPARE(top[1]->text(), QString("&Options"));
    QCOMPARE(Captions(top[1]->menu()),
             (QStringList{"&Find...\tCtrl+F", "&Reminder", "-", "&Preferences...",
                          "Calendar &Server..."}));
    QCOMPARE(top[2]->text(), QString("&Help"));
    QCOMPARE(Captions(top[2]->menu()),
             (QStringList{"&Contents and Index\tF1", "&Read Me", "-", "Quorva on the &Web", "-",
                          "&About..."}));
    const QMenu* tray = f.main()->findChild<QMenu*>("PMTray");
    QCOMPARE(Captions(tray), (QStringList{"Quorva", "&Reminder", "&Preferences...", "-", "&Exit"}));
    QVERIFY(tray->defaultAction()->font().bold());
    QCOMPARE(f.main()->trayIcon()->toolTip(), QString("Quorva"));
}

void TestServices::help_f1OpensGettingStarted()
{
    TMainFixture f(QDate(2025, 3, 10));
    f.main()->show();
    GUI->LastHelpTopic.clear();
    f.main()->findChild<QAction*>("Action1")->trigger();
    QCOMPARE(GUI->LastHelpTopic, QString("::/HTML/Getting_Started.html"));
}

void TestServices::tray_withoutNotificationArea_minimisesNormally()
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("this desktop has a notification area");
    TMainFixture f(QDate(2025, 3, 10));
    f.main()->SetTrayMode(true);
    QVERIFY(!f.main()->trayIcon()->isVisible());
    QVERIFY(!f.main()->LivesInTray());
}

void TestServices::lookAtTheStrip()
{
    TMainFixture f(QDate(2025, 3, 10));
    Events.SetWeekly(3, "Club");
    Events.SetOnce(3, 20, 2025, "Dentist");
    FillMonths(Months, Events, std::chrono::sys_days(std::chrono::year{2025} / 3 / 10));
    f.main()->FillMonthStrip();
    f.main()->ShowMonth(1);
    f.main()->show();
    const QString dir = qEnvironmentVariable("QUORVA_SHOTS", QDir::tempPath());
    QVERIFY(f.main()->monthStrip()->grab().save(dir + "/month-strip.png"));
}

QTEST_MAIN(TestServices)
#include "tst_services.moc"
