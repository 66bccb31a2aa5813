// The reminder window on its own (the main window replaced by a recorder) and together with
// the real main window: its pop-up, the slide-in and the moments the main window shows it.

#include "Clock.h"
#include "Colors.h"
#include "GUI.h"
#include "MainForm.h"
#include "MainOps.h"
#include "Pool.h"
#include "Preferences.h"
#include "ReminderForm.h"
#include "WindowFolders.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace {

class TRecordingOps : public TMainOps {
public:
    QStringList calls;
    void GoToDate(int month, int day, int year) override {
        calls << QString("GoToDate %1/%2/%3").arg(month).arg(day).arg(year);
    }
    void SBMainClick() override { calls << "SBMainClick"; }
    void ActionPrefExecute() override { calls << "ActionPrefExecute"; }
    void RestoreAndActivate() override { calls << "RestoreAndActivate"; }
    bool LivesInTray() const override { return false; }
};

// Tuesday.
const QDate TestToday(2025, 4, 1);

// A slide is a chain of hundreds of timer steps, which a loaded machine stretches: the limit
// only ends a test that would wait forever.
constexpr int SlideLimit = 60000;

void SetToday(const QDate &date, const QTime &time = QTime(12, 0)) {
    const QDateTime now(date, time);
    Clock::SetSource([now] { return now; });
}

// Every label of the scroll box, top to bottom as they are seen.
QList<QLabel *> LabelsOnScreen(const TfrmReminder &window) {
    QList<QLabel *> labels =
        window.SBRem->widget()->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    std::sort(labels.begin(), labels.end(),
              [](const QLabel *a, const QLabel *b) { return a->y() < b->y(); });
    return labels;
}

QString Describe(const QList<QLabel *> &labels) {
    QStringList parts;
    for (const QLabel *label : labels) {
        const int tag = label->property("tag").toInt();
        parts << (label->objectName() == "LFirst" ? QString("LFirst")
                  : label->text().isEmpty()       ? QString("spacer %1").arg(tag)
                                                  : QString("entry %1").arg(tag));
    }
    return parts.join(", ");
}

QLabel *EntryWithTag(const TfrmReminder &window, int tag) {
    for (QLabel *label : LabelsOnScreen(window))
        if (label->property("tag").toInt() == tag && !label->text().isEmpty())
            return label;
    return nullptr;
}

QColor TextColour(const QLabel *label) {
    return label->palette().color(QPalette::WindowText);
}

// Answers the next message box with the given button once it is up.
void AnswerMessageBox(QMessageBox::StandardButton answer) {
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            box->button(answer)->click();
        }
    });
    poll->start();
}

} // namespace

class TestReminder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formCreate_nothingStored_is220By136ToolWindowWithoutOwner();
    void formCreate_storedSize_isApplied();
    void formShow_nothingPlanned_saysSoForThePeriod_data();
    void formShow_nothingPlanned_saysSoForThePeriod();
    void formShow_remindersOff_singleDisabledLineEvenWithEvents();
    void click_remindersOff_opensPreferences();
    void click_nothingPlannedLine_bringsUpToday();
    void formShow_oneDate_usesOnlyLFirst();
    void formShow_threeDates_entriesWithSpacersInDateOrder();
    void click_thirdEntry_goesToThirdDate();
    void formShow_fewerDatesThanBefore_leavesNoOldLabels();
    void formShow_markupAndLongLines_shownAsTextAndWrapped();
    void hover_entry_turnsOrangeAndBackToBlue();
    void escape_closesTheWindow();
    void f1_opensReminderHelpTopic();

    void slideDelay_followsWorkAreaAndWindowHeight_data();
    void slideDelay_followsWorkAreaAndWindowHeight();
    void popUp_bottomRightOfWorkArea_slidesUpToFullHeight();
    void popUp_windowTallerThanWorkArea_isShrunk();
    void popUp_duringSlide_restartsFromTheBottom();
    void firstTick_somethingDue_popsUp();
    void firstTick_nothingDueOrRemindersOff_staysHidden();
    void dayChange_somethingDueTomorrow_popsUpOnTheNewDay();
    void minimise_closesTheReminderWindow();
    void newList_rebuildsVisibleReminder();

private:
    std::unique_ptr<TfrmMain> createMain();

    TWindowFolders folders;
    TRecordingOps ops;
    std::unique_ptr<TfrmReminder> window;
};

void TestReminder::initTestCase() {
    folders.setUp();
}

void TestReminder::init() {
    ResetPreferences();
    Events.Clear();
    SetToday(TestToday);
    ops.calls.clear();
    MainOps = &ops;
    window = std::make_unique<TfrmReminder>();
    frmReminder = window.get();
}

void TestReminder::cleanup() {
    frmReminder = nullptr;
    window.reset();
    MainOps = nullptr;
    Events.Clear();
    Reminders.clear();
    Clock::SetSource({});
    folders.clearFiles();
}

std::unique_ptr<TfrmMain> TestReminder::createMain() {
    auto main = std::make_unique<TfrmMain>(QStringList{"quorva"});
    // The tests tick the timer themselves.
    QCoreApplication::processEvents();
    main->timer()->stop();
    return main;
}

void TestReminder::formCreate_nothingStored_is220By136ToolWindowWithoutOwner() {
    QCOMPARE(window->size(), QSize(220, 136));
    QCOMPARE(window->windowTitle(), QString("Reminder - Quorva"));
    QVERIFY(window->windowFlags().testFlag(Qt::Tool));
    QVERIFY(window->parentWidget() == nullptr);
}

void TestReminder::formCreate_storedSize_isApplied() {
    TCloseSettings stored;
    stored.ReminderHeight = 300;
    stored.ReminderWidth = 250;
    WriteSettingsAtClose(stored);
    TfrmReminder sized;
    QCOMPARE(sized.size(), QSize(250, 300));
}

void TestReminder::formShow_nothingPlanned_saysSoForThePeriod_data() {
    QTest::addColumn<int>("days");
    QTest::addColumn<QString>("line");
    QTest::newRow("today only") << 0 << "Nothing is planned for today.";
    QTest::newRow("one day ahead") << 1 << "Nothing is planned for today and tomorrow.";
    QTest::newRow("fourteen days") << 14 << "Nothing is planned for the next 14 days.";
    QTest::newRow("negative, as today") << -3 << "Nothing is planned for today.";
}

void TestReminder::formShow_nothingPlanned_saysSoForThePeriod() {
    QFETCH(int, days);
    QFETCH(QString, line);
    iRemThreshold = days;
    Events.SetOnce(3, 31, 2025, "Yesterday's dentist");
    window->show();
    QCOMPARE(window->LFirst->text(), line);
    QCOMPARE(Describe(LabelsOnScreen(*window)), QString("LFirst"));
}

void TestReminder::formShow_remindersOff_singleDisabledLineEvenWithEvents() {
    bReminder = false;
    Events.SetOnce(4, 1, 2025, "Dentist");
    Events.SetOnce(4, 2, 2025, "Meeting");
    window->show();
    QCOMPARE(window->LFirst->text(), QString("Reminder is disabled. Click here to enable."));
    QCOMPARE(Describe(LabelsOnScreen(*window)), QString("LFirst"));
}

void TestReminder::click_remindersOff_opensPreferences() {
    bReminder = false;
    window->show();
    QTest::mouseClick(window->LFirst, Qt::LeftButton);
    QCOMPARE(ops.calls, QStringList{"ActionPrefExecute"});
}

void TestReminder::click_nothingPlannedLine_bringsUpToday() {
    window->show();
    QTest::mouseClick(window->LFirst, Qt::LeftButton);
    QCOMPARE(ops.calls, (QStringList{"RestoreAndActivate", "SBMainClick"}));
}

void TestReminder::formShow_oneDate_usesOnlyLFirst() {
    Events.SetOnce(4, 3, 2025, "Dentist 9:00");
    Events.SetMonthly(3, "Call the bank");
    window->show();
    QCOMPARE(window->LFirst->text(),
             QString("In 2 days, on Thursday, April 3:\nDentist 9:00, Call the bank"));
    QCOMPARE(Describe(LabelsOnScreen(*window)), QString("LFirst"));
}

void TestReminder::formShow_threeDates_entriesWithSpacersInDateOrder() {
    iRemThreshold = 7;
    Events.SetOnce(4, 6, 2025, "Party");
    Events.SetOnce(4, 1, 2025, "Dentist\r\nCall Bob");
    Events.SetOnce(4, 2, 2025, "Meeting");
    window->show();
    QCoreApplication::processEvents();

    const QList<QLabel *> labels = LabelsOnScreen(*window);
    QCOMPARE(Describe(labels), QString("LFirst, spacer 1, entry 1, spacer 1, entry 2"));
    QCOMPARE(labels[0]->text(), QString("Today, on Tuesday, April 1:\nDentist\nCall Bob"));
    QCOMPARE(labels[2]->text(), QString("Tomorrow, on Wednesday, April 2:\nMeeting"));
    QCOMPARE(labels[4]->text(), QString("In 5 days, on Sunday, April 6:\nParty"));
    for (int i = 1; i < labels.size(); ++i)
        QVERIFY2(labels[i]->y() >= labels[i - 1]->y() + labels[i - 1]->height(), "labels overlap");
    QVERIFY(labels[1]->height() > 0);
    QVERIFY(labels[1]->height() < labels[2]->height() / 2);
}

void TestReminder::click_thirdEntry_goesToThirdDate() {
    iRemThreshold = 7;
    Events.SetOnce(4, 1, 2025, "Dentist");
    Events.SetOnce(4, 2, 2025, "Meeting");
    Events.SetOnce(4, 6, 2025, "Party");
    window->show();
    QCoreApplication::processEvents();
    QLabel *third = EntryWithTag(*window, 2);
    QVERIFY(third);
    QTest::mouseClick(third, Qt::LeftButton);
    QCOMPARE(ops.calls, (QStringList{"RestoreAndActivate", "GoToDate 4/6/2025"}));
}

void TestReminder::formShow_fewerDatesThanBefore_leavesNoOldLabels() {
    iRemThreshold = 7;
    Events.SetOnce(4, 1, 2025, "Dentist");
    Events.SetOnce(4, 2, 2025, "Meeting");
    Events.SetOnce(4, 6, 2025, "Party");
    window->show();
    Events.SetOnce(4, 1, 2025, "");
    Events.SetOnce(4, 6, 2025, "");
    window->FormShow();
    QCOMPARE(Describe(LabelsOnScreen(*window)), QString("LFirst"));
    QCOMPARE(window->LFirst->text(), QString("Tomorrow, on Wednesday, April 2:\nMeeting"));

    Events.SetOnce(4, 3, 2025, "Lunch");
    window->FormShow();
    QCOMPARE(Describe(LabelsOnScreen(*window)), QString("LFirst, spacer 1, entry 1"));
}

void TestReminder::formShow_markupAndLongLines_shownAsTextAndWrapped() {
    const QString longLine = "Bring the papers for the tax office and the bank and the school";
    Events.SetOnce(4, 1, 2025, ("<b>Rent</b> " + longLine).toStdString());
    window->show();
    QCoreApplication::processEvents();
    QCOMPARE(window->LFirst->text(), "Today, on Tuesday, April 1:\n<b>Rent</b> " + longLine);
    QCOMPARE(window->LFirst->textFormat(), Qt::PlainText);
    const int lineHeight = window->LFirst->fontMetrics().height();
    QVERIFY2(window->LFirst->height() >= 3 * lineHeight, "the long line is not wrapped");
    QVERIFY(window->LFirst->width() <= window->SBRem->viewport()->width());
}

void TestReminder::hover_entry_turnsOrangeAndBackToBlue() {
    Events.SetOnce(4, 1, 2025, "Dentist");
    Events.SetOnce(4, 2, 2025, "Meeting");
    window->show();
    QLabel *second = EntryWithTag(*window, 1);
    QVERIFY(second);
    QCOMPARE(TextColour(second), QColor(0, 0, 255));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(second, &enter);
    QCOMPARE(TextColour(second), QColor(255, 153, 0));
    QCOMPARE(TextColour(window->LFirst), QColor(0, 0, 255));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(second, &leave);
    QCOMPARE(TextColour(second), QColor(0, 0, 255));
}

void TestReminder::escape_closesTheWindow() {
    window->show();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QVERIFY(!window->isVisible());
}

void TestReminder::f1_opensReminderHelpTopic() {
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    GUI->LastHelpTopic.clear();
    QTest::keyClick(window.get(), Qt::Key_F1);
    QCOMPARE(GUI->LastHelpTopic, QString("::/HTML/Getting_Started.html#Reminder"));
}

void TestReminder::slideDelay_followsWorkAreaAndWindowHeight_data() {
    QTest::addColumn<int>("workArea");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("delay");
    QTest::newRow("1000 over 136: 7 div 2 = 3, less 0.5 truncated") << 1000 << 136 << 2;
    QTest::newRow("2000 over 136: 14 div 2 = 7") << 2000 << 136 << 6;
    QTest::newRow("600 over 136: 4 div 2 = 2") << 600 << 136 << 1;
    QTest::newRow("600 over 300: 2 div 2 = 1") << 600 << 300 << 0;
    QTest::newRow("shrunk to the work area: 1 div 2 = 0") << 600 << 600 << 0;
}

void TestReminder::slideDelay_followsWorkAreaAndWindowHeight() {
    QFETCH(int, workArea);
    QFETCH(int, height);
    QFETCH(int, delay);
    QCOMPARE(TfrmMain::ReminderSlideDelay(workArea, height), delay);
}

void TestReminder::popUp_bottomRightOfWorkArea_slidesUpToFullHeight() {
    const std::unique_ptr<TfrmMain> main = createMain();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    main->PopUpReminder();
    QVERIFY(window->isVisible());
    // Positions are the frame's; the stored size is the inside of the window.
    const QSize frame = window->frameGeometry().size();
    QCOMPARE(window->size(), QSize(220, 136));
    QCOMPARE(window->x(), work.left() + work.width() - frame.width());
    QCOMPARE(window->y(), work.top() + work.height() - 1);
    QVERIFY(main->sliding());
    QTRY_VERIFY_WITH_TIMEOUT(!main->sliding(), SlideLimit);
    QCOMPARE(window->frameGeometry().bottomRight(), work.bottomRight());
    // Nothing is due, yet the window was asked for: it says so.
    QCOMPARE(window->LFirst->text(), QString("Nothing is planned for the next 2 days."));
}

void TestReminder::popUp_windowTallerThanWorkArea_isShrunk() {
    const std::unique_ptr<TfrmMain> main = createMain();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    window->resize(220, work.height() + 200);
    main->PopUpReminder();
    QCOMPARE(window->frameGeometry().height(), work.height());
    QTRY_VERIFY_WITH_TIMEOUT(!main->sliding(), SlideLimit);
    QCOMPARE(window->frameGeometry(),
             work.adjusted(work.width() - window->frameGeometry().width(), 0, 0, 0));
}

void TestReminder::popUp_duringSlide_restartsFromTheBottom() {
    const std::unique_ptr<TfrmMain> main = createMain();
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const int bottom = work.top() + work.height();
    main->PopUpReminder();
    QTRY_VERIFY_WITH_TIMEOUT(window->y() < bottom - 20, SlideLimit);
    QVERIFY(main->sliding());
    main->PopUpReminder();
    QCOMPARE(window->y(), bottom - 1);
    QVERIFY(main->sliding());
    QTRY_VERIFY_WITH_TIMEOUT(!main->sliding(), SlideLimit);
    QCOMPARE(window->frameGeometry().bottom(), bottom - 1);
}

void TestReminder::firstTick_somethingDue_popsUp() {
    const std::unique_ptr<TfrmMain> main = createMain();
    Events.SetOnce(4, 3, 2025, "Dentist");
    main->Timer1Timer();
    QVERIFY(window->isVisible());
    QCOMPARE(window->LFirst->text(), QString("In 2 days, on Thursday, April 3:\nDentist"));
    QTRY_VERIFY_WITH_TIMEOUT(!main->sliding(), SlideLimit);
}

void TestReminder::firstTick_nothingDueOrRemindersOff_staysHidden() {
    {
        const std::unique_ptr<TfrmMain> main = createMain();
        Events.SetOnce(4, 4, 2025, "Beyond the look-ahead");
        main->Timer1Timer();
        QVERIFY(!window->isVisible());
    }
    {
        const std::unique_ptr<TfrmMain> main = createMain();
        bReminder = false;
        Events.SetOnce(4, 1, 2025, "Dentist");
        main->Timer1Timer();
        QVERIFY(!window->isVisible());
    }
}

void TestReminder::dayChange_somethingDueTomorrow_popsUpOnTheNewDay() {
    iRemThreshold = 0;
    const std::unique_ptr<TfrmMain> main = createMain();
    Events.SetOnce(4, 2, 2025, "Meeting");
    main->Timer1Timer();
    QVERIFY(!window->isVisible());
    SetToday(TestToday.addDays(1), QTime(0, 0, 1));
    main->Timer1Timer();
    QVERIFY(window->isVisible());
    QCOMPARE(window->LFirst->text(), QString("Today, on Wednesday, April 2:\nMeeting"));
    QTRY_VERIFY_WITH_TIMEOUT(!main->sliding(), SlideLimit);
}

void TestReminder::minimise_closesTheReminderWindow() {
    const std::unique_ptr<TfrmMain> main = createMain();
    main->show();
    main->PopUpReminder();
    QVERIFY(window->isVisible());
    main->showMinimized();
    QTRY_VERIFY(!window->isVisible());
}

void TestReminder::newList_rebuildsVisibleReminder() {
    const std::unique_ptr<TfrmMain> main = createMain();
    Events.SetOnce(4, 1, 2025, "Dentist");
    main->PopUpReminder();
    QCOMPARE(window->LFirst->text(), QString("Today, on Tuesday, April 1:\nDentist"));
    AnswerMessageBox(QMessageBox::Yes);
    main->New1Click();
    QCOMPARE(window->LFirst->text(), QString("Nothing is planned for the next 2 days."));
    QTRY_VERIFY_WITH_TIMEOUT(!main->sliding(), SlideLimit);
}

QTEST_MAIN(TestReminder)
#include "tst_reminder.moc"
