// The main window as a person meets it: the month view, the day editor and start-up.
#include "MainFixture.h"

#include "Colors.h"
#include "DayForm.h"
#include "GUI.h"
#include "MainForm.h"
#include "MonthStrip.h"
#include "Pool.h"
#include "Preferences.h"
#include "SettingsStore.h"
#include "SingleInstance.h"
#include "Today.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#ifndef _WIN32
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

QLabel* Label(TfrmMain* main, const QString& name)
{
    return main->findChild<QLabel*>(name);
}

QWidget* Widget(TfrmMain* main, const QString& name)
{
    return main->findChild<QWidget*>(name);
}

std::uint32_t Background(QWidget* widget)
{
    return FromQColor(widget->palette().color(QPalette::Window));
}

std::uint32_t TextColour(QWidget* widget)
{
    return FromQColor(widget->palette().color(QPalette::WindowText));
}

void WriteVersion(const QString& version, bool mainWindowClosedBefore)
{
    auto store = OpenSettingsStore(QuorvaSettingsKey);
    store->WriteString("Version", "Version", version.toStdString());
    if (mainWindowClosedBefore)
        store->WriteInteger("MainFormView", "frmMain->Top", 10);
    store->Close();
}

// Sets an environment variable for one test and puts the old value back; a null value unsets it.
class TEnvironmentVariable {
public:
    TEnvironmentVariable(const char* name, const QByteArray& value)
        : name(name), wasSet(qEnvironmentVariableIsSet(name)), old(qgetenv(name))
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~TEnvironmentVariable()
    {
        if (wasSet)
            qputenv(name, old);
        else
            qunsetenv(name);
    }
    TEnvironmentVariable(const TEnvironmentVariable&) = delete;
    TEnvironmentVariable& operator=(const TEnvironmentVariable&) = delete;

private:
    const char* name;
    bool wasSet;
    QByteArray old;
};

#ifndef _WIN32
QString Uid()
{
    return QString::number(::getuid());
}

// A Unix socket listening at `path` as the user nobody: the kernel names whoever called
// listen() as the listener. Only root can do this; -1 when it cannot be had.
int ListenAsAnotherUser(const QByteArray& path)
{
    constexpr uid_t Nobody = 65534;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::size_t(path.size()) >= sizeof(address.sun_path))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    std::memcpy(address.sun_path, path.constData(), path.size() + 1);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0
        || ::seteuid(Nobody) != 0) {
        ::close(fd);
        return -1;
    }
    const bool listening = ::listen(fd, 4) == 0;
    if (::seteuid(0) != 0)
        qFatal("cannot become root again");
    if (!listening) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Everything sent to a listener: each waiting connection is taken and read to its end.
QByteArray Received(int listener)
{
    QByteArray bytes;
    for (int connection; (connection = ::accept(listener, nullptr, nullptr)) >= 0;) {
        char buffer[256];
        for (ssize_t n; (n = ::recv(connection, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            bytes.append(buffer, n);
        ::close(connection);
    }
    return bytes;
}
#endif

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void showMonth_saturdayStartWith31Days_fillsCells6To36AndNeighbours();
    void showMonth_neighbourDaysOff_leavesCellsEmptyAndGrey();
    void showMonth_januaryAndDecember_borrowFromTheNeighbouringYears();
    void showMonth_todayCell_markedOnlyInTheCurrentMonthAlsoOnWeekends();
    void showMonth_eventsOfTwoKinds_shownOneKindPerLine();
    void arrows_atFirstAndLastMonth_areHidden();
    void formResize_widthNotAMultipleOf7_givesExtraPixelsToSaturday();
    void weekdayHeaderClick_firstAfterThatWeekday_opensSecondRowWithWeeklyFocus();
    void openDayEditor_nthPreselection_data();
    void openDayEditor_nthPreselection();
    void saveStep_writesStoreFileAndDisplays();
    void saveStep_cancel_changesNothing();
    void saveStep_unwritableFile_keepsOldFileAndReports();
    void startup_nothingDue_endsWithoutWritingSettings();
    void startup_otherLetterCaseOrSecondArgument_isANormalStart();
    void upgradeSeeding_byRecordedVersion_data();
    void upgradeSeeding_byRecordedVersion();
    void firstStart_opensGettingStartedAtDefaultGeometry();
    void close_writesSettingsAndKeepsGeometryWhenMaximised();
    void goToDate_showsTheMonthAndFlashesTheCell();
    void secondProcess_handsOverToTheRunningCopy();
    void singleInstance_withoutRuntimeFolder_listensInAPrivateFolderOfItsOwn();
    void singleInstance_placeTakenBySomethingElse_runsWithoutTheChannel_data();
    void singleInstance_placeTakenBySomethingElse_runsWithoutTheChannel();
    void singleInstance_channelOfAnotherUser_isToldNothingAndTakenOver();
    void lookAtTheWindows();
};

void TestMainForm::showMonth_saturdayStartWith31Days_fillsCells6To36AndNeighbours()
{
    TMainFixture f(QDate(2025, 3, 10)); // March 2025 starts on a Saturday
    TfrmMain* main = f.main();
    QCOMPARE(Label(main, "LMonthName")->text(), QString("March '2025"));
    QCOMPARE(Label(main, "LDay7")->text(), QString("1"));
    QCOMPARE(Label(main, "LDay37")->text(), QString("31"));
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(Label(main, QString("LDay%1").arg(i + 1))->text(), QString::number(23 + i));
        QCOMPARE(TextColour(Label(main, QString("LDay%1").arg(i + 1))), Colors.OtherMonthText);
        QCOMPARE(Background(Widget(main, QString("PDay%1").arg(i + 1))), Colors.EmptyCell);
    }
    for (int i = 37; i < 42; ++i)
        QCOMPARE(Label(main, QString("LDay%1").arg(i + 1))->text(), QString::number(i - 36));
    QCOMPARE(Background(Widget(main, "PDay8")), Colors.WeekendCell); // Sunday, March 2
    QCOMPARE(Background(Widget(main, "PDay9")), Colors.CellBackground);
    QCOMPARE(Widget(main, "PDay9")->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(Widget(main, "PDay1")->cursor().shape(), Qt::ArrowCursor);
}

void TestMainForm::showMonth_neighbourDaysOff_leavesCellsEmptyAndGrey()
{
    TMainFixture f(QDate(2025, 3, 10));
    bShowPNMonth = false;
    Events.SetOnce(2, 28, 2025, "Hidden");
    f.main()->ShowMonth(1);
    for (int i : {0, 5, 37, 41}) {
        QVERIFY(Label(f.main(), QString("LDay%1").arg(i + 1))->text().isEmpty());
        QVERIFY(Label(f.main(), QString("LEvent%1").arg(i + 1))->text().isEmpty());
        QCOMPARE(Background(Widget(f.main(), QString("PDay%1").arg(i + 1))), Colors.EmptyCell);
    }
    QVERIFY(Widget(f.main(), "LEvent6")->property("hint").toString().isEmpty());
}

void TestMainForm::showMonth_januaryAndDecember_borrowFromTheNeighbouringYears()
{
    TMainFixture f(QDate(2026, 1, 15));
    Events.SetOnce(12, 31, 2025, "Old year");
    Events.SetOnce(1, 1, 2027, "New year");
    TfrmMain* main = f.main();
    main->ShowMonth(1); // January 2026 starts on a Thursday
    QCOMPARE(Label(main, "LDay4")->text(), QString("31"));
    QCOMPARE(Label(main, "LEvent4")->text(), QString("Old year"));
    // Thirteen months from last December: the last one is December 2026, which starts on a
    // Tuesday, so January 1, 2027 follows in cell 33.
    main->ShowMonth(12);
    QCOMPARE(Label(main, "LMonthName")->text(), QString("December '2026"));
    QCOMPARE(Label(main, "LDay34")->text(), QString("1"));
    QCOMPARE(Label(main, "LEvent34")->text(), QString("New year"));
    QCOMPARE(TextColour(Label(main, "LEvent34")), Colors.OtherMonthText);
}

void TestMainForm::showMonth_todayCell_markedOnlyInTheCurrentMonthAlsoOnWeekends()
{
    TMainFixture weekday(QDate(2025, 3, 10));
    QCOMPARE(Today.TodayCell, 15);
    QCOMPARE(Background(Widget(weekday.main(), "PDay16")), Colors.TodayCell);
    weekday.main()->ShowMonth(2);
    QCOMPARE(Background(Widget(weekday.main(), "PDay16")), Colors.CellBackground);

    TMainFixture weekend(QDate(2025, 3, 15)); // a Saturday
    QCOMPARE(Background(Widget(weekend.main(), "PDay21")), Colors.TodayCell);
}

void TestMainForm::showMonth_eventsOfTwoKinds_shownOneKindPerLine()
{
    TMainFixture f(QDate(2025, 3, 10));
    Events.SetWeekly(2, "Choir\r\npractice");
    Events.SetYearly(3, 10, "Birthday");
    f.main()->ShowMonth(1);
    QCOMPARE(Label(f.main(), "LEvent16")->text(), QString("Choir\npractice\nBirthday"));
    QCOMPARE(TextColour(Label(f.main(), "LEvent16")), Colors.EventDayText);
    QCOMPARE(Widget(f.main(), "PDay16")->property("hint").toString(),
             QString("Choir\npractice\nBirthday"));
}

void TestMainForm::arrows_atFirstAndLastMonth_areHidden()
{
    TMainFixture f(QDate(2025, 3, 10));
    TfrmMain* main = f.main();
    main->show();
    main->LPrevMonthClick();
    QCOMPARE(Selection.ShownMonth, 0);
    QVERIFY(!Label(main, "LPrevMonth")->isVisible());
    QVERIFY(Label(main, "LNextMonth")->isVisible());
    main->LPrevMonthClick(); // nothing before the first month
    QCOMPARE(Selection.ShownMonth, 0);
    for (int i = 0; i < 14; ++i)
        main->LNextMonthClick();
    QCOMPARE(Selection.ShownMonth, 12);
    QCOMPARE(Selection.Month, 2);
    QCOMPARE(Selection.Year, 2026);
    QVERIFY(!Label(main, "LNextMonth")->isVisible());
    QCOMPARE(main->monthStrip()->scrollPosition(),
             qMin(12 * 135, main->monthStrip()->verticalScrollBar()->maximum()));
}

void TestMainForm::formResize_widthNotAMultipleOf7_givesExtraPixelsToSaturday()
{
    TMainFixture f(QDate(2025, 3, 10));
    QWidget* panel = f.main()->monthPanel();
    panel->resize(706, 400); // a = 100, r = 6, b = 61
    f.main()->FormResize();
    QCOMPARE(Widget(f.main(), "PDay1")->geometry(), QRect(2, 36, 99, 60));
    QCOMPARE(Widget(f.main(), "PDay7")->geometry(), QRect(602, 36, 102, 60));
    QCOMPARE(Widget(f.main(), "PDay36")->geometry(), QRect(2, 341, 99, 400 - 5 * 61 - 38));
    QCOMPARE(Widget(f.main(), "STWeekDay1")->geometry(), QRect(1, 19, 101, 17));
    QCOMPARE(Widget(f.main(), "STWeekDay7")->geometry(), QRect(601, 19, 104, 17));
    QCOMPARE(Widget(f.main(), "LDay7")->geometry(), QRect(102 - 25, 2, 20, 16));
    QCOMPARE(Widget(f.main(), "LEvent7")->geometry(), QRect(6, 18, 102 - 9, 60 - 22));
}

void TestMainForm::weekdayHeaderClick_firstAfterThatWeekday_opensSecondRowWithWeeklyFocus()
{
    TMainFixture f(QDate(2025, 3, 10));
    QWidget* focused = nullptr;
    TMainFixture::whenModal([&focused](QWidget* dialog) {
        focused = dialog->focusWidget();
        static_cast<QDialog*>(dialog)->reject();
    });
    f.main()->WeekdayHeaderClick(0); // Sunday: cell 0 is February, so March 2
    QCOMPARE(Selection.Day, 2);
    QCOMPARE(Selection.Weekday, 1);
    QVERIFY(focused);
    QCOMPARE(focused->objectName(), QString("MWeekly"));
    QVERIFY(!frmDay->FocusWeekly);
}

void TestMainForm::openDayEditor_nthPreselection_data()
{
    QTest::addColumn<int>("cell");
    QTest::addColumn<QString>("existingKey");
    QTest::addColumn<QString>("checked");
    // March 2025: the 1st is a Saturday in cell 6.
    QTest::newRow("29th, no fifth text: Last") << 34 << "" << "RBL";
    QTest::newRow("29th, a fifth text: 5th") << 34 << "5/7/3" << "RB5";
    QTest::newRow("24th of 31, fourth and not last: 4th") << 29 << "" << "RB4";
    QTest::newRow("25th, last Tuesday without fourth text: Last") << 30 << "" << "RBL";
    QTest::newRow("25th, last Tuesday with a fourth text: 4th") << 30 << "4/3/3" << "RB4";
    QTest::newRow("10th, second Monday") << 15 << "" << "RB2";
}

void TestMainForm::openDayEditor_nthPreselection()
{
    QFETCH(int, cell);
    QFETCH(QString, existingKey);
    QFETCH(QString, checked);
    TMainFixture f(QDate(2025, 3, 10));
    if (!existingKey.isEmpty())
        Events.NWeekdayly[existingKey.toStdString()] = "Existing";
    QString selected;
    TMainFixture::whenModal([&selected](QWidget* dialog) {
        for (auto* button : dialog->findChildren<QRadioButton*>())
            if (button->isChecked())
                selected = button->objectName();
        static_cast<QDialog*>(dialog)->reject();
    });
    f.main()->OpenDayEditor(cell);
    QCOMPARE(selected, checked);
}

void TestMainForm::saveStep_writesStoreFileAndDisplays()
{
    TMainFixture f(QDate(2025, 3, 10));
    TMainFixture::whenModal([](QWidget* dialog) {
        auto* day = static_cast<TfrmDay*>(dialog);
        day->MOnce->setPlainText("  Dentist\nBring the card\n\n");
        day->MWeekly->setPlainText("Gym");
        QTest::mouseClick(day->findChild<QRadioButton*>("RBL"), Qt::LeftButton);
        day->MDayWeekly->setPlainText("Last Monday");
        QTest::mouseClick(day->BSave, Qt::LeftButton);
    });
    f.main()->OpenDayEditor(15); // Monday, March 10
    QCOMPARE(Events.GetOnce(3, 10, 2025), std::string("Dentist\r\nBring the card"));
    QCOMPARE(Events.GetWeekly(2), std::string("Gym"));
    QCOMPARE(Events.GetNWeekdayly(0, 2, 3), std::string("Last Monday"));
    QCOMPARE(Label(f.main(), "LEvent16")->text(), QString("Dentist\nBring the card\nGym"));
    QCOMPARE(Label(f.main(), "LEvent37")->text(), QString("Gym\nLast Monday")); // March 31
    const QString file = f.readFile(f.eventsFile());
    QVERIFY(file.contains("[Once]\r\n3/10/2025=Dentist\\nBring the card\r\n"));
    QVERIFY(file.contains("[Weekly]\r\n2=Gym\r\n"));
    QVERIFY(file.contains("[NWeekdayly]\r\n0/2/3=Last Monday\r\n"));
    QVERIFY(f.main()->findChild<TStatusBar*>("SBMain")->statusText().endsWith(
        "Dentist Bring the card, Gym"));

    // Clearing the weekly text removes it for every week.
    TMainFixture::whenModal([](QWidget* dialog) {
        auto* day = static_cast<TfrmDay*>(dialog);
        day->MWeekly->clear();
        QTest::mouseClick(day->BSave, Qt::LeftButton);
    });
    f.main()->OpenDayEditor(22);
    QVERIFY(Events.Weekly.empty());
    QVERIFY(!f.readFile(f.eventsFile()).contains("[Weekly]"));
}

void TestMainForm::saveStep_cancel_changesNothing()
{
    TMainFixture f(QDate(2025, 3, 10));
    Events.SetYearly(3, 11, "Anniversary");
    TMainFixture::whenModal([](QWidget* dialog) {
        auto* day = static_cast<TfrmDay*>(dialog);
        day->MYearly->setPlainText("Changed");
        QTest::keyClick(day->MYearly, Qt::Key_Escape);
    });
    f.main()->OpenDayEditor(16);
    QCOMPARE(Events.GetYearly(3, 11), std::string("Anniversary"));
    QVERIFY(!QFile::exists(f.eventsFile()));
}

void TestMainForm::saveStep_unwritableFile_keepsOldFileAndReports()
{
    TMainFixture f(QDate(2025, 3, 10));
    Events.SetOnce(3, 12, 2025, "Kept");
    QVERIFY(f.main()->SaveEvents());
    const QString before = f.readFile(f.eventsFile());
    // A directory where the temporary file would go makes the save fail.
    QFile::setPermissions(f.app.path(), QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(f.app.path()).isWritable())
        QSKIP("running with rights that ignore folder permissions");
    QString message;
    TMainFixture::whenModal([&message](QWidget* box) {
        message = static_cast<QMessageBox*>(box)->text();
        static_cast<QDialog*>(box)->accept();
    });
    TMainFixture::whenModal([](QWidget* dialog) {
        auto* day = static_cast<TfrmDay*>(dialog);
        day->MOnce->setPlainText("New text");
        QTest::mouseClick(day->BSave, Qt::LeftButton);
    });
    f.main()->OpenDayEditor(17);
    QFile::setPermissions(f.app.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(message.startsWith("Unable to write to"));
    QCOMPARE(f.readFile(f.eventsFile()), before);
    QCOMPARE(Label(f.main(), "LEvent18")->text(), QString("New text"));
}

void TestMainForm::startup_nothingDue_endsWithoutWritingSettings()
{
    TMainFixture f(QDate(2025, 3, 10), {"quorva", "/startup"});
    QVERIFY(f.main()->QuitAtStart());
    QVERIFY(f.main()->StartMinimized());
    QVERIFY(!QFile::exists(f.settingsFile()));

    Events.SetOnce(3, 12, 2025, "Due in two days");
    Events.SaveToIni(f.eventsFile().toStdString());
    f.recreate({"quorva", "/startup"});
    QVERIFY(!f.main()->QuitAtStart());
}

void TestMainForm::startup_otherLetterCaseOrSecondArgument_isANormalStart()
{
    TMainFixture upper(QDate(2025, 3, 10), {"quorva", "/STARTUP"});
    QVERIFY(!upper.main()->QuitAtStart());
    QVERIFY(!upper.main()->StartMinimized());
    TMainFixture second(QDate(2025, 3, 10), {"quorva", "x", "/startup"});
    QVERIFY(!second.main()->QuitAtStart());
}

void TestMainForm::upgradeSeeding_byRecordedVersion_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("seeded");
    QTest::addColumn<QString>("help");
    QTest::newRow("1.5: seeding and what's new") << "1.5" << true << "Whats_New";
    QTest::newRow("1.6: what's new only") << "1.6" << false << "Whats_New";
    QTest::newRow("1.8: neither") << "1.8" << false << "";
    QTest::newRow("1.10 reads as 1.1") << "1.10" << true << "Whats_New";
    QTest::newRow("not a number: seeding; sorts after 1.75") << "abc" << true << "";
    QTest::newRow("no version: what's new only") << "" << false << "Whats_New";
}

void TestMainForm::upgradeSeeding_byRecordedVersion()
{
    QFETCH(QString, version);
    QFETCH(bool, seeded);
    QFETCH(QString, help);
    TMainFixture f(QDate(2025, 3, 10));
    WriteVersion(version.isEmpty() ? "x" : version, true);
    if (version.isEmpty()) {
        auto store = OpenSettingsStore(QuorvaSettingsKey);
        store->DeleteValue("Version", "Version");
        store->Close();
    }
    GUI->LastHelpTopic.clear();
    f.recreate();
    QCOMPARE(Events.GetOnce(4, 20, 2025) == "Easter", seeded);
    QCOMPARE(f.readFile(f.eventsFile()).contains("4/20/2025=Easter"), seeded);
    if (help.isEmpty())
        QVERIFY(GUI->LastHelpTopic.isEmpty());
    else
        QVERIFY(GUI->LastHelpTopic.contains(help));
}

void TestMainForm::firstStart_opensGettingStartedAtDefaultGeometry()
{
    TMainFixture f(QDate(2025, 3, 10));
    QCOMPARE(GUI->LastHelpTopic, QString("::/HTML/Getting_Started.html"));
    QCOMPARE(f.main()->geometry().size(), QSize(796, 474));
    QVERIFY(bMinToTray && bReminder && !bMinOnClose);
}

void TestMainForm::close_writesSettingsAndKeepsGeometryWhenMaximised()
{
    TMainFixture f(QDate(2025, 3, 10));
    f.main()->show();
    f.main()->setGeometry(40, 50, 700, 420);
    f.main()->Exit1Click();
    QVERIFY(QFile::exists(f.settingsFile()));
    {
        auto store = OpenSettingsStore(QuorvaSettingsKey);
        QCOMPARE(store->ReadInteger("MainFormView", "frmMain->Width", 0), 700);
        QCOMPARE(store->ReadBool("MainFormView", "frmMain_wsMaximized", true), false);
        QCOMPARE(store->ReadString("Version", "Version", ""), std::string("1.75"));
        QCOMPARE(store->ReadInteger("Preferences", "iRemThreshold", -1), 2);
    }

    f.recreate();
    QCOMPARE(f.main()->geometry().size(), QSize(700, 420));
    f.main()->showMaximized();
    f.main()->QueryShutdown();
    auto store = OpenSettingsStore(QuorvaSettingsKey);
    QCOMPARE(store->ReadBool("MainFormView", "frmMain_wsMaximized", false), true);
    QCOMPARE(store->ReadInteger("MainFormView", "frmMain->Width", 0), 700);
}

void TestMainForm::goToDate_showsTheMonthAndFlashesTheCell()
{
    TMainFixture f(QDate(2025, 3, 10));
    f.main()->GoToDate(5, 14, 2025);
    QCOMPARE(Selection.ShownMonth, 3);
    QVERIFY(f.main()->flashing());
    QCOMPARE(TextColour(Label(f.main(), "LDay18")), Colors.LinkHover); // May 1 is a Thursday
    // Nine timer steps, a little over a second in all, which a loaded machine stretches.
    QTRY_VERIFY_WITH_TIMEOUT(!f.main()->flashing(), 30000);
    QCOMPARE(TextColour(Label(f.main(), "LDay18")), Colors.DayText);

    f.main()->GoToDate(1, 1, 2030); // outside the months: the view stays
    QCOMPARE(Selection.ShownMonth, 3);
}

void TestMainForm::secondProcess_handsOverToTheRunningCopy()
{
    // A runtime folder of the test's own (private, as a session's is), which the second
    // process inherits; a copy the user runs meanwhile is not disturbed.
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    TEnvironmentVariable runtimeDir("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    TSingleInstance instance;
    QVERIFY(instance.Listen());
    QVERIFY(TSingleInstance::ServerName().startsWith(runtime.path() + '/'));
    QSignalSpy restore(&instance, &TSingleInstance::restoreRequested);
    QTemporaryDir config;
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", config.path());
    second.setProcessEnvironment(env);
    second.start(QUORVA_EXE, {});
    QVERIFY(second.waitForStarted());
    // A whole second program starting: the limits only end a test that would wait forever.
    QTRY_COMPARE_WITH_TIMEOUT(restore.count(), 1, 60000);
    if (second.state() != QProcess::NotRunning)
        QVERIFY(second.waitForFinished(60000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(QDir(config.path()).isEmpty()); // it read and wrote no settings
}

void TestMainForm::singleInstance_withoutRuntimeFolder_listensInAPrivateFolderOfItsOwn()
{
#ifdef _WIN32
    QSKIP("on Windows the channel is a named pipe of the session");
#else
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    TEnvironmentVariable runtimeDir("XDG_RUNTIME_DIR", QByteArray());
    TEnvironmentVariable tmp("TMPDIR", QFile::encodeName(temporary.path()));
    const QString own = temporary.path() + "/quorva-" + Uid();

    TSingleInstance instance;
    QVERIFY(instance.Listen());
    QCOMPARE(TSingleInstance::ServerName(), own + "/quorva-executable-" + Uid());
    struct stat folder {};
    QCOMPARE(::lstat(QFile::encodeName(own).constData(), &folder), 0);
    QVERIFY(S_ISDIR(folder.st_mode));
    QCOMPARE(folder.st_uid, ::getuid());
    QCOMPARE(folder.st_mode & 07777, mode_t(0700));
    QVERIFY(TSingleInstance::RunningCopyExists());
#endif
}

void TestMainForm::singleInstance_placeTakenBySomethingElse_runsWithoutTheChannel_data()
{
    QTest::addColumn<QString>("planted");
    QTest::newRow("a plain file") << QString("file");
    QTest::newRow("a link to a private folder") << QString("link");
    QTest::newRow("a folder others can enter") << QString("open folder");
}

// Whatever holds the name of the program's own folder in the temporary folder is left as it is;
// the program starts all the same, only without the channel.
void TestMainForm::singleInstance_placeTakenBySomethingElse_runsWithoutTheChannel()
{
#ifdef _WIN32
    QSKIP("on Windows the channel is a named pipe of the session");
#else
    QFETCH(QString, planted);
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    const QString own = temporary.path() + "/quorva-" + Uid();
    const QString target = temporary.path() + "/target";
    const QFileDevice::Permissions ownerOnly =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const QFileDevice::Permissions openToOthers = ownerOnly | QFileDevice::ReadGroup
        | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
    if (planted == "file") {
        QFile file(own);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("planted");
    } else if (planted == "link") {
        QVERIFY(QDir().mkdir(target));
        QVERIFY(QFile::setPermissions(target, ownerOnly));
        QVERIFY(QFile::link(target, own));
    } else {
        QVERIFY(QDir().mkdir(own));
        QVERIFY(QFile::setPermissions(own, openToOthers));
    }
    TEnvironmentVariable runtimeDir("XDG_RUNTIME_DIR", QByteArray());
    TEnvironmentVariable tmp("TMPDIR", QFile::encodeName(temporary.path()));

    QCOMPARE(TSingleInstance::ServerName(), QString());
    QVERIFY(!TSingleInstance::HandOverToRunningCopy());
    TSingleInstance instance;
    QVERIFY(!instance.Listen());

    const QFileInfo after(own);
    if (planted == "file") {
        QVERIFY(after.isFile() && !after.isSymLink());
        QFile file(own);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("planted"));
    } else if (planted == "link") {
        QVERIFY(after.isSymLink());
        QVERIFY(QDir(target).isEmpty());
    } else {
        QVERIFY(after.isDir() && !after.isSymLink());
        QVERIFY(QDir(own).isEmpty());
        QCOMPARE(QFile::permissions(own) & openToOthers, openToOthers);
    }
#endif
}

// Only root can be another user in the user's own folder, but the copy does not rely on the
// folder alone: whatever listens as someone else is neither handed over to nor told anything.
void TestMainForm::singleInstance_channelOfAnotherUser_isToldNothingAndTakenOver()
{
#ifdef _WIN32
    QSKIP("on Windows the channel is a named pipe of the session");
#else
    if (::geteuid() != 0)
        QSKIP("only root can listen as another user in a folder of the user's own");
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    TEnvironmentVariable runtimeDir("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const QString name = TSingleInstance::ServerName();
    QVERIFY(!name.isEmpty());
    const int foreign = ListenAsAnotherUser(QFile::encodeName(name));
    QVERIFY(foreign >= 0);
    const auto closeForeign = qScopeGuard([foreign] { ::close(foreign); });

    QVERIFY(!TSingleInstance::HandOverToRunningCopy());
    QVERIFY(!TSingleInstance::RunningCopyExists());
    QCOMPARE(Received(foreign), QByteArray());

    TSingleInstance instance;
    QVERIFY(instance.Listen());
    QVERIFY(TSingleInstance::RunningCopyExists());
#endif
}

void TestMainForm::lookAtTheWindows()
{
    TMainFixture f(QDate(2025, 3, 10));
    Events.SetWeekly(3, "Choir practice at the church hall, bring the music");
    Events.SetYearly(3, 14, "Birthday of Ann");
    Events.SetOnce(3, 20, 2025, "Dentist 9:00\r\nCall the bank\r\nBuy stamps\r\nWater plants");
    FillMonths(Months, Events, std::chrono::sys_days(std::chrono::year{2025} / 3 / 10));
    f.main()->FillMonthStrip();
    f.main()->ShowMonth(1);
    f.main()->show();
    const QString dir = qEnvironmentVariable("QUORVA_SHOTS", QDir::tempPath());
    QVERIFY(f.main()->grab().save(dir + "/main-window.png"));
    TMainFixture::whenModal([dir](QWidget* dialog) {
        dialog->grab().save(dir + "/day-editor.png");
        static_cast<QDialog*>(dialog)->reject();
    });
    f.main()->OpenDayEditor(26);
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
