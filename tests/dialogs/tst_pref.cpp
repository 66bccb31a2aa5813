// The preferences dialog: loading, the enabling rules, OK and Cancel, and what the main window
// does around it.

#include "Clock.h"
#include "GUI.h"
#include "MainForm.h"
#include "Pool.h"
#include "PrefForm.h"
#include "Preferences.h"
#include "ReminderForm.h"
#include "WindowFolders.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace {

struct TPreferenceValues {
    bool MinToTray, LoadAtStartup, CloseIfNoReminder, Reminder;
    int RemThreshold;
    bool StartUpMin, MinOnClose, ShowPNMonth, Wipe;
    int WipePeriod;

    static TPreferenceValues Current() {
        return {bMinToTray,  bLoadAtStartup, bCloseIfNoReminder, bReminder, iRemThreshold,
                bStartUpMin, bMinOnClose,    bShowPNMonth,       bWipe,     iWipePeriod};
    }
    bool operator==(const TPreferenceValues &) const = default;
};

// Runs onModal with the dialog once the next modal dialog is up.
void WhenModal(const std::function<void(QWidget *)> &onModal) {
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, onModal] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            onModal(modal);
        }
    });
    poll->start();
}

} // namespace

class TestPref : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formShow_defaults_allCheckedButMinimizeOnClose_periodTwoDays();
    void formShow_todayOnly_trackBarDisabled_okStoresZeroAgain();
    void formShow_storedTwenty_trackBarShowsFourteen_okStoresFourteen();
    void formShow_negativeLookAhead_trackBarShowsOne();
    void reminderUnchecked_disablesPeriodControls_okKeepsLookAhead();
    void periodRadio_enablesTrackBarAndTakesFocus_todayRadioDisables();
    void startUpUnchecked_disablesItsOptionsWithoutClearing_okStoresMarks();
    void trayUnchecked_disablesMinimizeOnCloseWithoutClearing();
    void periodLabel_followsTrackBar_data();
    void periodLabel_followsTrackBar();
    void hiddenWipeGroup_passesValuesThroughUnchanged_data();
    void hiddenWipeGroup_passesValuesThroughUnchanged();
    void cancel_afterChanges_leavesEveryValueAsItWas();
    void ok_writesNothingToTheSettingsStore();
    void helpButtonAndF1_openPreferencesHelpTopic();

    void actionPref_remindersSwitchedOn_popsUpReminder();
    void actionPref_remindersSwitchedOff_closesVisibleReminder();
    void actionPref_remindersStayOn_rebuildsHiddenReminder();
    void actionPref_pastAndNextMonthOff_redrawsMonthView();

private:
    std::unique_ptr<TfrmMain> createMain();
    void showDialog();
    void runPreferences(TfrmMain &main, const std::function<void(TfrmPref &)> &change);

    TWindowFolders folders;
    std::unique_ptr<TfrmPref> dialog;
    std::unique_ptr<TfrmReminder> reminder;
};

void TestPref::initTestCase() {
    folders.setUp();
}

void TestPref::init() {
    ResetPreferences();
    Events.Clear();
    const QDateTime now(QDate(2025, 4, 1), QTime(12, 0));
    Clock::SetSource([now] { return now; });
    dialog = std::make_unique<TfrmPref>();
    frmPref = dialog.get();
    reminder = std::make_unique<TfrmReminder>();
    frmReminder = reminder.get();
}

void TestPref::cleanup() {
    frmPref = nullptr;
    frmReminder = nullptr;
    dialog.reset();
    reminder.reset();
    Events.Clear();
    Clock::SetSource({});
    folders.clearFiles();
}

std::unique_ptr<TfrmMain> TestPref::createMain() {
    auto main = std::make_unique<TfrmMain>(QStringList{"quorva"});
    QCoreApplication::processEvents();
    main->timer()->stop();
    return main;
}

void TestPref::showDialog() {
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
}

// Opens the dialog through the main window's command, changes it and presses OK.
void TestPref::runPreferences(TfrmMain &main, const std::function<void(TfrmPref &)> &change) {
    WhenModal([change](QWidget *modal) {
        auto *pref = qobject_cast<TfrmPref *>(modal);
        QVERIFY(pref);
        change(*pref);
        QTest::mouseClick(pref->BOk, Qt::LeftButton);
    });
    main.ActionPrefExecute();
    QVERIFY(!dialog->isVisible());
}

void TestPref::formShow_defaults_allCheckedButMinimizeOnClose_periodTwoDays() {
    showDialog();
    QCOMPARE(dialog->windowTitle(), QString("Preferences - Quorva"));
    QCOMPARE(dialog->size(), QSize(443, 258));
    for (QCheckBox *box : {dialog->CBStartUp, dialog->CBStartUpMin, dialog->CBCloseAfterStart,
                           dialog->CBPNMonth, dialog->CBMinToTray, dialog->CBReminder})
        QVERIFY2(box->isChecked(), qPrintable(box->objectName()));
    QVERIFY(!dialog->CBMinOnClose->isChecked());
    QVERIFY(dialog->CBMinOnClose->isEnabled());
    QVERIFY(dialog->RBPeriod->isChecked());
    QCOMPARE(dialog->TBPeriod->value(), 2);
    QCOMPARE(dialog->LPeriod->text(), QString("2 days"));
    QVERIFY(dialog->TBPeriod->isEnabled());
    QVERIFY(!dialog->GroupBox4->isVisible());
    QVERIFY(!dialog->GroupBox4->isEnabled());
}

void TestPref::formShow_todayOnly_trackBarDisabled_okStoresZeroAgain() {
    iRemThreshold = 0;
    showDialog();
    QVERIFY(dialog->RBThisDay->isChecked());
    QVERIFY(!dialog->TBPeriod->isEnabled());
    QVERIFY(!dialog->LPeriod->isEnabled());
    QTest::mouseClick(dialog->BOk, Qt::LeftButton);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(iRemThreshold, 0);
}

void TestPref::formShow_storedTwenty_trackBarShowsFourteen_okStoresFourteen() {
    iRemThreshold = 20;
    showDialog();
    QCOMPARE(dialog->TBPeriod->value(), 14);
    QCOMPARE(dialog->LPeriod->text(), QString("14 days"));
    QTest::mouseClick(dialog->BOk, Qt::LeftButton);
    QCOMPARE(iRemThreshold, 14);
}

void TestPref::formShow_negativeLookAhead_trackBarShowsOne() {
    iRemThreshold = -3;
    showDialog();
    QVERIFY(dialog->RBPeriod->isChecked());
    QCOMPARE(dialog->LPeriod->text(), QString("1 day"));
}

void TestPref::reminderUnchecked_disablesPeriodControls_okKeepsLookAhead() {
    iRemThreshold = 5;
    showDialog();
    QTest::mouseClick(dialog->CBReminder, Qt::LeftButton);
    QVERIFY(!dialog->CBReminder->isChecked());
    for (QWidget *control :
         {static_cast<QWidget *>(dialog->RBThisDay), static_cast<QWidget *>(dialog->RBPeriod),
          static_cast<QWidget *>(dialog->TBPeriod), static_cast<QWidget *>(dialog->LPeriod)})
        QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
    dialog->TBPeriod->setValue(9); // a disabled track bar's position is not stored
    QTest::mouseClick(dialog->BOk, Qt::LeftButton);
    QCOMPARE(bReminder, false);
    QCOMPARE(iRemThreshold, 5);
}

void TestPref::periodRadio_enablesTrackBarAndTakesFocus_todayRadioDisables() {
    iRemThreshold = 0;
    showDialog();
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    QTest::mouseClick(dialog->RBPeriod, Qt::LeftButton);
    QVERIFY(dialog->TBPeriod->isEnabled());
    QVERIFY(dialog->LPeriod->isEnabled());
    QTRY_VERIFY(dialog->TBPeriod->hasFocus());
    QTest::mouseClick(dialog->RBThisDay, Qt::LeftButton);
    QVERIFY(!dialog->TBPeriod->isEnabled());
    QVERIFY(!dialog->LPeriod->isEnabled());
}

void TestPref::startUpUnchecked_disablesItsOptionsWithoutClearing_okStoresMarks() {
    showDialog();
    QTest::mouseClick(dialog->CBStartUp, Qt::LeftButton);
    QVERIFY(!dialog->CBStartUpMin->isEnabled());
    QVERIFY(!dialog->CBCloseAfterStart->isEnabled());
    QVERIFY(dialog->CBStartUpMin->isChecked());
    QVERIFY(dialog->CBCloseAfterStart->isChecked());
    QTest::mouseClick(dialog->BOk, Qt::LeftButton);
    QCOMPARE(bLoadAtStartup, false);
    QCOMPARE(bStartUpMin, true);
    QCOMPARE(bCloseIfNoReminder, true);
}

void TestPref::trayUnchecked_disablesMinimizeOnCloseWithoutClearing() {
    bMinOnClose = true;
    showDialog();
    QTest::mouseClick(dialog->CBMinToTray, Qt::LeftButton);
    QVERIFY(!dialog->CBMinOnClose->isEnabled());
    QVERIFY(dialog->CBMinOnClose->isChecked());
    QTest::mouseClick(dialog->BOk, Qt::LeftButton);
    QCOMPARE(bMinToTray, false);
    QCOMPARE(bMinOnClose, true);
}

void TestPref::periodLabel_followsTrackBar_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("label");
    QTest::newRow("one day, singular") << 1 << "1 day";
    QTest::newRow("two days") << 2 << "2 days";
    QTest::newRow("a week") << 7 << "7 days";
    QTest::newRow("the longest period") << 14 << "14 days";
}

void TestPref::periodLabel_followsTrackBar() {
    QFETCH(int, position);
    QFETCH(QString, label);
    iRemThreshold = position == 1 ? 2 : 1;
    showDialog();
    dialog->TBPeriod->setValue(position);
    QCOMPARE(dialog->LPeriod->text(), label);
    QTest::mouseClick(dialog->BOk, Qt::LeftButton);
    QCOMPARE(iRemThreshold, position);
}

void TestPref::hiddenWipeGroup_passesValuesThroughUnchanged_data() {
    QTest::addColumn<bool>("wipe");
    QTest::addColumn<int>("period");
    QTest::newRow("defaults") << true << 1;
    QTest::newRow("never, 12 months") << false << 12;
    QTest::newRow("beyond the up-down's 99") << true << 150;
    QTest::newRow("zero, below the up-down's 1") << true << 0;
}

void TestPref::hiddenWipeGroup_passesValuesThroughUnchanged() {
    QFETCH(bool, wipe);
    QFETCH(int, period);
    bWipe = wipe;
    iWipePeriod = period;
    showDialog();
    QCOMPARE(dialog->RWipe->isChecked(), wipe);
    QCOMPARE(dialog->RNeverWipe->isChecked(), !wipe);
    QCOMPARE(dialog->LWipePeriod->text(), QString::number(dialog->UWipePeriod->value()));
    QTest::mouseClick(dialog->BOk, Qt::LeftButton);
    QCOMPARE(bWipe, wipe);
    QCOMPARE(iWipePeriod, period);
}

void TestPref::cancel_afterChanges_leavesEveryValueAsItWas() {
    iRemThreshold = 0;
    bMinOnClose = true;
    const TPreferenceValues before = TPreferenceValues::Current();
    showDialog();
    for (QWidget *control :
         {static_cast<QWidget *>(dialog->CBStartUpMin), static_cast<QWidget *>(dialog->CBPNMonth),
          static_cast<QWidget *>(dialog->CBMinOnClose), static_cast<QWidget *>(dialog->RBPeriod),
          static_cast<QWidget *>(dialog->CBMinToTray), static_cast<QWidget *>(dialog->CBReminder),
          static_cast<QWidget *>(dialog->CBStartUp)})
        QTest::mouseClick(control, Qt::LeftButton);
    dialog->TBPeriod->setValue(9);
    QTest::mouseClick(dialog->Button2, Qt::LeftButton);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QVERIFY(TPreferenceValues::Current() == before);

    showDialog();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());
    QVERIFY(TPreferenceValues::Current() == before);
}

void TestPref::ok_writesNothingToTheSettingsStore() {
    showDialog();
    QTest::mouseClick(dialog->CBStartUp, Qt::LeftButton);
    QTest::mouseClick(dialog->BOk, Qt::LeftButton);
    QCOMPARE(bLoadAtStartup, false);
    QVERIFY(!QFile::exists(folders.config.path() + "/Ostrune/Quorva.reg"));
    QVERIFY(!QFile::exists(folders.config.path() + "/autostart/quorva.desktop"));
}

void TestPref::helpButtonAndF1_openPreferencesHelpTopic() {
    showDialog();
    GUI->LastHelpTopic.clear();
    QTest::mouseClick(dialog->BHelp, Qt::LeftButton);
    QCOMPARE(GUI->LastHelpTopic, QString("::/HTML/Getting_Started.html#Preferences"));
    QVERIFY(dialog->isVisible());

    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    GUI->LastHelpTopic.clear();
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    QCOMPARE(GUI->LastHelpTopic, QString("::/HTML/Getting_Started.html#Preferences"));
}

void TestPref::actionPref_remindersSwitchedOn_popsUpReminder() {
    bReminder = false;
    const std::unique_ptr<TfrmMain> main = createMain();
    main->show();
    runPreferences(*main,
                   [](TfrmPref &pref) { QTest::mouseClick(pref.CBReminder, Qt::LeftButton); });
    QCOMPARE(bReminder, true);
    QVERIFY(reminder->isVisible());
    QCOMPARE(reminder->LFirst->text(), QString("Nothing is planned for the next 2 days."));
    // The slide's timer steps, which a loaded machine stretches.
    QTRY_VERIFY_WITH_TIMEOUT(!main->sliding(), 60000);
}

void TestPref::actionPref_remindersSwitchedOff_closesVisibleReminder() {
    const std::unique_ptr<TfrmMain> main = createMain();
    main->show();
    main->PopUpReminder();
    QVERIFY(reminder->isVisible());
    runPreferences(*main,
                   [](TfrmPref &pref) { QTest::mouseClick(pref.CBReminder, Qt::LeftButton); });
    QCOMPARE(bReminder, false);
    QVERIFY(!reminder->isVisible());
}

void TestPref::actionPref_remindersStayOn_rebuildsHiddenReminder() {
    const std::unique_ptr<TfrmMain> main = createMain();
    main->show();
    Events.SetOnce(4, 10, 2025, "Dentist");
    reminder->FormShow();
    QCOMPARE(reminder->LFirst->text(), QString("Nothing is planned for the next 2 days."));
    runPreferences(*main, [](TfrmPref &pref) { pref.TBPeriod->setValue(14); });
    QCOMPARE(iRemThreshold, 14);
    QVERIFY(!reminder->isVisible());
    QCOMPARE(reminder->LFirst->text(), QString("In 9 days, on Thursday, April 10:\nDentist"));
}

void TestPref::actionPref_pastAndNextMonthOff_redrawsMonthView() {
    const std::unique_ptr<TfrmMain> main = createMain();
    main->show();
    // April 2025 starts on a Tuesday: the first two cells belong to March.
    auto *firstCell = main->findChild<QLabel *>("LDay1");
    QVERIFY(firstCell);
    QCOMPARE(firstCell->text(), QString("30"));
    runPreferences(*main,
                   [](TfrmPref &pref) { QTest::mouseClick(pref.CBPNMonth, Qt::LeftButton); });
    QCOMPARE(bShowPNMonth, false);
    QCOMPARE(firstCell->text(), QString());
}

QTEST_MAIN(TestPref)
#include "tst_pref.moc"
