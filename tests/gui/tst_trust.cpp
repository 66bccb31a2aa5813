// What the user typed is never lost or altered: a day change under the open editor, texts
// from files in another code page, undo, and the messages when something cannot be opened.
#include "MainFixture.h"

#include "DayForm.h"
#include "EventText.h"
#include "GUI.h"
#include "HelpWindow.h"
#include "MainForm.h"

#include "Pool.h"
#include "PrefForm.h"
#include "Preferences.h"
#include <QDir>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

QString Text(TfrmMain *main, const QString &name) {
    return main->findChild<QLabel *>(name)->text();
}

QByteArray Bytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// Types into the open day editor and saves.
void SaveInEditor(const std::function<void(TfrmDay *)> &edit) {
    WhenModal<TfrmDay>([edit](TfrmDay *day) {
        edit(day);
        QTest::mouseClick(day->BSave, Qt::LeftButton);
    });
}

} // namespace

class TestTrust : public QObject {
    Q_OBJECT

private slots:
    void dayChange_underTheOpenEditor_savesUnderTheEditorsDate();
    void eventTextFromBytes_readsUtf8AndWindows1252_data();
    void eventTextFromBytes_readsUtf8AndWindows1252();
    void textInAnotherCodePage_shownReadably_keptByteForByteUntilEdited();
    void undo_putsBackEachChangeInTurn_andNamesIt();
    void hugeLookAhead_startsAndShowsAtMostAYear();
    void garbledSettingsFile_isKeptAsideAndSaidOnce();
    void readmeMissing_saysWhatCouldNotBeOpened();
    void enterOnAFocusedButton_pressesThatButton_data();
    void enterOnAFocusedButton_pressesThatButton();
    void tabIntoARadioGroup_landsOnTheCheckedButton();
    void helpFromTheDayEditor_isInFrontAndUsable_andStaysAfter();
    void failedSave_isNotForgotten_retriedAndAskedAboutAtExit();
};

void TestTrust::dayChange_underTheOpenEditor_savesUnderTheEditorsDate() {
    TMainFixture f(QDate(2025, 3, 31));
    f.setToday(QDate(2025, 3, 31), QTime(23, 59, 50));
    Events.SetYearly(4, 30, "Someone else's birthday");
    SaveInEditor([&f](TfrmDay *day) {
        // Midnight passes while the user types: the timer moves the month view to April.
        f.setToday(QDate(2025, 4, 1), QTime(0, 0, 2));
        f.main()->Timer1Timer();
        day->MOnce->setPlainText("Late note");
        day->MYearly->setPlainText("Yearly note");
        day->MMonthly->setPlainText("Monthly note");
        day->MDayWeekly->setPlainText("Last Monday of March");
    });
    f.main()->OpenDayEditor(36); // Monday, March 31, 2025
    QCOMPARE(Events.GetOnce(3, 31, 2025), std::string("Late note"));
    QCOMPARE(Events.GetYearly(3, 31), std::string("Yearly note"));
    QCOMPARE(Events.GetMonthly(31), std::string("Monthly note"));
    QCOMPARE(Events.GetNWeekdayly(0, 2, 3), std::string("Last Monday of March"));
    QCOMPARE(Events.GetYearly(4, 30), std::string("Someone else's birthday"));
    QCOMPARE(Events.Yearly.size(), std::size_t(2));
    QCOMPARE(Events.Once.size(), std::size_t(1));
    // The displays refresh afterwards for the new day: April is shown, March 31 in its row.
    QCOMPARE(Text(f.main(), "LMonthName"), QString("April '2025"));
    QVERIFY(Bytes(f.eventsFile()).contains("3/31/2025=Late note"));
}

void TestTrust::eventTextFromBytes_readsUtf8AndWindows1252_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ASCII") << QByteArray("Dentist") << QString("Dentist");
    QTest::newRow("UTF-8") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC 5")
                           << QString::fromUtf8("café € 5");
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9 \x80 5 \x93quoted\x94")
                                  << QString::fromUtf8("café € 5 “quoted”");
    QTest::newRow("both in one composed text")
        << QByteArray("caf\xE9\r\ncaf\xC3\xA9") << QString::fromUtf8("café\r\ncafé");
    QTest::newRow("cut UTF-8 sequence at the end")
        << QByteArray("a\xC3") << QString::fromUtf8("aÃ");
    QTest::newRow("overlong form") << QByteArray("\xC0\xAF") << QString::fromUtf8("À¯");
}

void TestTrust::eventTextFromBytes_readsUtf8AndWindows1252() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QCOMPARE(EventTextFromBytes(bytes.toStdString()), shown);
}

void TestTrust::textInAnotherCodePage_shownReadably_keptByteForByteUntilEdited() {
    TMainFixture f(QDate(2025, 3, 10));
    WriteBytes(f.eventsFile(), "[Weekly]\r\n2=caf\xE9\r\n[Monthly]\r\n10=Rent\\n\r\n");
    f.recreate();
    QCOMPARE(Text(f.main(), "LEvent16"), QString::fromUtf8("café\nRent\n")); // March 10

    QString weeklyShown;
    SaveInEditor([&weeklyShown](TfrmDay *day) {
        weeklyShown = day->MWeekly->toPlainText();
        day->MOnce->setPlainText("Dentist");
    });
    f.main()->OpenDayEditor(15);
    QCOMPARE(weeklyShown, QString::fromUtf8("café"));
    QByteArray file = Bytes(f.eventsFile());
    QVERIFY(file.contains("\r\n2=caf\xE9\r\n"));
    QVERIFY(file.contains("\r\n10=Rent\\n\r\n")); // a trailing break the setters would trim
    QVERIFY(file.contains("3/10/2025=Dentist"));

    SaveInEditor(
        [](TfrmDay *day) { day->MWeekly->setPlainText(day->MWeekly->toPlainText() + "!"); });
    f.main()->OpenDayEditor(15);
    file = Bytes(f.eventsFile());
    QVERIFY(file.contains("\r\n2=caf\xC3\xA9!\r\n"));
    QVERIFY(file.contains("\r\n10=Rent\\n\r\n")); // a trailing break the setters would trim
}

void TestTrust::undo_putsBackEachChangeInTurn_andNamesIt() {
    TMainFixture f(QDate(2025, 3, 10));
    auto *undo = f.main()->findChild<QAction *>("Undo1");
    QVERIFY(undo);
    QVERIFY(!undo->isEnabled());
    QCOMPARE(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));

    SaveInEditor([](TfrmDay *day) { day->MOnce->setPlainText("First"); });
    f.main()->OpenDayEditor(15);
    SaveInEditor([](TfrmDay *day) { day->MWeekly->setPlainText("Gym"); });
    f.main()->OpenDayEditor(16);
    QCOMPARE(undo->text(), QString("&Undo changes of 3/11/2025"));
    // Pressing Save without a change is no change to undo.
    SaveInEditor([](TfrmDay *) {});
    f.main()->OpenDayEditor(17);
    QCOMPARE(undo->text(), QString("&Undo changes of 3/11/2025"));

    TMainFixture::whenModal(
        [](QWidget *box) { static_cast<QMessageBox *>(box)->button(QMessageBox::Yes)->click(); });
    f.main()->New1Click();
    QVERIFY(Events.Once.empty());
    QCOMPARE(undo->text(), QString("&Undo New"));

    undo->trigger();
    QCOMPARE(Events.GetOnce(3, 10, 2025), std::string("First"));
    QCOMPARE(Events.GetWeekly(3), std::string("Gym"));
    QVERIFY(Bytes(f.eventsFile()).contains("[Weekly]\r\n3=Gym"));
    QCOMPARE(Text(f.main(), "LEvent17"), QString("Gym")); // March 11
    undo->trigger();
    QVERIFY(Events.Weekly.empty());
    QVERIFY(!Bytes(f.eventsFile()).contains("Gym"));
    QCOMPARE(undo->text(), QString("&Undo changes of 3/10/2025"));
    undo->trigger();
    QVERIFY(Events.Once.empty());
    QVERIFY(!undo->isEnabled());
    QCOMPARE(undo->text(), QString("&Undo"));
    // The file before the last save is kept beside it.
    QVERIFY(Bytes(f.eventsFile() + ".bak").contains("3/10/2025=First"));
}

void TestTrust::hugeLookAhead_startsAndShowsAtMostAYear() {
    TMainFixture f(QDate(2025, 3, 10));
    iRemThreshold = 2147483647;
    QCOMPARE(ReminderLookAhead(), 366);
    iRemThreshold = -5;
    QCOMPARE(ReminderLookAhead(), 0);
    iRemThreshold = 14;
    QCOMPARE(ReminderLookAhead(), 14);
}

void TestTrust::garbledSettingsFile_isKeptAsideAndSaidOnce() {
    TMainFixture f(QDate(2025, 3, 10));
    QVERIFY(QDir().mkpath(QFileInfo(f.settingsFile()).path()));
    WriteBytes(f.settingsFile(), QByteArray("\x00\x13garbage\xFF\xFE\x01", 10));
    QString message;
    TMainFixture::whenModal([&message](QWidget *box) {
        message = static_cast<QMessageBox *>(box)->text();
        static_cast<QDialog *>(box)->accept();
    });
    f.recreate();
    QVERIFY2(message.contains("Quorva.reg.bad"), qPrintable(message));
    QCOMPARE(Bytes(f.settingsFile() + ".bad"), QByteArray("\x00\x13garbage\xFF\xFE\x01", 10));
    // Said once: the next start finds a file it understands, or none, and says nothing.
    message.clear();
    f.recreate();
    QTest::qWait(50);
    QVERIFY(message.isEmpty());
    QApplication::processEvents();
}

void TestTrust::readmeMissing_saysWhatCouldNotBeOpened() {
    TMainFixture f(QDate(2025, 3, 10));
    QString message;
    TMainFixture::whenModal([&message](QWidget *box) {
        message = static_cast<QMessageBox *>(box)->text();
        static_cast<QDialog *>(box)->accept();
    });
    f.main()->menuReadmeClick();
    QVERIFY2(message.startsWith("Unable to open ") && message.contains("readme.txt"),
             qPrintable(message));
}

void TestTrust::enterOnAFocusedButton_pressesThatButton_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("helpOpened");
    QTest::addColumn<bool>("stillOpen");
    QTest::newRow("Cancel: closes without saving") << "Button2" << false << false << false;
    QTest::newRow("Help: opens help, the editor stays") << "BHelp" << false << true << true;
    QTest::newRow("Save") << "BSave" << true << false << false;
    QTest::newRow("memo: a new line, the editor stays") << "MOnce" << false << false << true;
    QTest::newRow("radio button: the default button, Save") << "RB2" << true << false << false;
}

void TestTrust::enterOnAFocusedButton_pressesThatButton() {
    QFETCH(QString, focus);
    QFETCH(bool, saved);
    QFETCH(bool, helpOpened);
    QFETCH(bool, stillOpen);
    TMainFixture f(QDate(2025, 3, 10));
    GUI->LastHelpTopic.clear();
    bool open = false;
    QString typed;
    TMainFixture::whenModal([focus, &open, &typed](QWidget *dialog) {
        auto *day = static_cast<TfrmDay *>(dialog);
        day->MOnce->setPlainText("Typed");
        day->MOnce->moveCursor(QTextCursor::End);
        QWidget *target = day->findChild<QWidget *>(focus);
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        open = day->isVisible();
        typed = day->MOnce->toPlainText();
        if (open)
            day->reject();
    });
    f.main()->OpenDayEditor(15);
    QCOMPARE(Events.GetOnce(3, 10, 2025).empty(), !saved);
    QCOMPARE(!GUI->LastHelpTopic.isEmpty(), helpOpened);
    QCOMPARE(open, stillOpen);
    QCOMPARE(typed, focus == "MOnce" ? QString("Typed\n") : QString("Typed"));
    THelpWindow::instance()->close();
}

void TestTrust::tabIntoARadioGroup_landsOnTheCheckedButton() {
    TMainFixture f(QDate(2025, 3, 10));
    TfrmPref pref(f.main());
    iRemThreshold = 3; // the period button is checked, "this day" is not
    pref.show();
    QApplication::setActiveWindow(&pref);
    auto *reminder = pref.findChild<QWidget *>("CBReminder");
    reminder->setFocus(Qt::TabFocusReason);
    QTest::keyClick(reminder, Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget()->objectName(), QString("RBPeriod"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget()->objectName(), QString("TBPeriod"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTRY_COMPARE(QApplication::focusWidget()->objectName(), QString("RBPeriod"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTRY_COMPARE(QApplication::focusWidget()->objectName(), QString("CBReminder"));
}

void TestTrust::helpFromTheDayEditor_isInFrontAndUsable_andStaysAfter() {
    TMainFixture f(QDate(2025, 3, 10));
    bool ownedByTheDialog = false;
    TMainFixture::whenModal([&ownedByTheDialog](QWidget *dialog) {
        auto *day = static_cast<TfrmDay *>(dialog);
        QTest::keyClick(day, Qt::Key_F1);
        QWidget *help = THelpWindow::instance();
        // A window of the modal dialog's own is the one kind the dialog does not block.
        ownedByTheDialog = help->isVisible() && help->isWindow() && help->parentWidget() == day;
        day->reject();
    });
    f.main()->OpenDayEditor(15);
    QVERIFY(ownedByTheDialog);
    QTRY_VERIFY(THelpWindow::instance()->isVisible());
    QVERIFY(!THelpWindow::instance()->parentWidget());
    THelpWindow::instance()->close();
}

void TestTrust::failedSave_isNotForgotten_retriedAndAskedAboutAtExit() {
    TMainFixture f(QDate(2025, 3, 10));
    // A folder where the file should be: a failure that binds every user, root too.
    QVERIFY(QDir().mkpath(f.eventsFile()));
    QString message;
    WhenModal<QMessageBox>([&message](QMessageBox *box) {
        message = box->text();
        box->accept();
    });
    SaveInEditor([](TfrmDay *day) { day->MOnce->setPlainText("First"); });
    f.main()->OpenDayEditor(15);
    // The file is read again before each write (another program may have changed it).
    QVERIFY2(message.startsWith("Unable to read " + f.eventsFile() + ": "), qPrintable(message));
    auto *status = f.main()->findChild<TStatusBar *>("SBMain");
    QVERIFY2(status->statusText().startsWith("Not saved (Unable to read "),
             qPrintable(status->statusText()));
    QCOMPARE(Text(f.main(), "LEvent16"), QString("First"));
    QVERIFY(f.main()->HasUnsavedChanges());

    // The cause goes away: the next change saves both.
    QVERIFY(QDir(f.eventsFile()).removeRecursively());
    SaveInEditor([](TfrmDay *day) { day->MOnce->setPlainText("Second"); });
    f.main()->OpenDayEditor(16);
    QVERIFY(!f.main()->HasUnsavedChanges());
    QVERIFY(status->statusText().startsWith("Today is"));
    const QByteArray file = Bytes(f.eventsFile());
    QVERIFY(file.contains("3/10/2025=First") && file.contains("3/11/2025=Second"));

    // Failing again, then quitting: the user is asked, and Discard lets the program end.
    QVERIFY(QFile::remove(f.eventsFile()));
    QVERIFY(QDir().mkpath(f.eventsFile()));
    WhenModal<QMessageBox>([](QMessageBox *box) { box->accept(); });
    SaveInEditor([](TfrmDay *day) { day->MOnce->setPlainText("Third"); });
    f.main()->OpenDayEditor(17);
    QStringList buttons;
    WhenModal<QMessageBox>([&message, &buttons](QMessageBox *box) {
        message = box->text();
        for (QAbstractButton *button : box->buttons())
            buttons << button->text();
        box->button(QMessageBox::Discard)->click();
    });
    f.main()->Exit1Click();
    QVERIFY2(message.startsWith("Your last changes could not be saved to " + f.eventsFile() + ": "),
             qPrintable(message));
    QVERIFY(message.endsWith("."));
    QVERIFY2(buttons.contains("Save As...") && buttons.contains("Retry") &&
                 buttons.contains("Discard"),
             qPrintable(buttons.join(", ")));
    QVERIFY(!f.main()->isVisible());
}

QTEST_MAIN(TestTrust)
#include "tst_trust.moc"
