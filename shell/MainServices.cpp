// The main window's services: menus and actions, the status bar, the notification-area icon,
// the one-second timer that notices a new day, the reminder's slide-in, and the commands of
// the menus. Start-up, shutdown and the events file are in MainForm.cpp.
#include "AboutForm.h"
#include "Clock.h"
#include "Colors.h"
#include "Constants.h"
#include "DayForm.h"
#include "DialogKeys.h"
#include "EventText.h"
#include "FindForm.h"
#include "Fonts.h"
#include "GUI.h"
#include "HintWindow.h"
#include "InstallPaths.h"
#include "MainForm.h"
#include "MonthStrip.h"
#include "MonthView.h"
#include "Platform.h"
#include "Pool.h"
#include "PrefForm.h"
#include "Preferences.h"
#include "PrintForm.h"
#include "ReminderForm.h"
#include "SettingsStore.h"
#include "ServerForm.h"
#include "Sound.h"
#include "SyncRunner.h"
#include "StartupEntry.h"
#include "Today.h"
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>

namespace {

// The status text when today has nothing planned.
constexpr const char *NothingPlanned = "Nothing is planned";

} // namespace

void TfrmMain::createActions() {
    Action1 = new QAction("&Contents and Index", this);
    Action1->setObjectName("Action1");
    Action1->setShortcut(QKeySequence(Qt::Key_F1));
    connect(Action1, &QAction::triggered, this, &TfrmMain::Action1Execute);

    AShowReminder = new QAction("&Reminder", this);
    AShowReminder->setObjectName("AShowReminder");
    connect(AShowReminder, &QAction::triggered, this, &TfrmMain::AShowReminderExecute);

    ActionPref = new QAction("&Preferences...", this);
    ActionPref->setObjectName("ActionPref");
    connect(ActionPref, &QAction::triggered, this, &TfrmMain::ActionPrefExecute);

    ActionPrint = new QAction("&Print", this);
    ActionPrint->setObjectName("ActionPrint");
    ActionPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(ActionPrint, &QAction::triggered, this, &TfrmMain::ActionPrintExecute);

    AFind = new QAction("&Find...", this);
    AFind->setObjectName("AFind");
    AFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    connect(AFind, &QAction::triggered, this, &TfrmMain::AFindExecute);

    ASynchronize = new QAction("S&ynchronize", this);
    ASynchronize->setObjectName("ASynchronize");
    ASynchronize->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(ASynchronize, &QAction::triggered, this, &TfrmMain::ASynchronizeExecute);

    AServer = new QAction("Calendar &Server...", this);
    AServer->setObjectName("AServer");
    connect(AServer, &QAction::triggered, this, &TfrmMain::AServerExecute);

    for (QAction *action :
         {Action1, AShowReminder, ActionPref, ActionPrint, AFind, ASynchronize, AServer})
        addAction(action);
}

void TfrmMain::createMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName("MainMenu1");

    QMenu *file = bar->addMenu("&File");
    file->setObjectName("File1");
    QAction *newList = file->addAction("&New...");
    newList->setObjectName("New1");
    connect(newList, &QAction::triggered, this, &TfrmMain::New1Click);
    file->addAction(ActionPrint);
    file->addAction(ASynchronize);
    file->addSeparator();
    Undo1 = file->addAction("&Undo");
    Undo1->setObjectName("Undo1");
    Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Undo1->setEnabled(false);
    connect(Undo1, &QAction::triggered, this, &TfrmMain::Undo1Click);
    file->addSeparator();
    QAction *exitItem = file->addAction("E&xit");
    exitItem->setObjectName("Exit1");
    connect(exitItem, &QAction::triggered, this, &TfrmMain::Exit1Click);

    QMenu *options = bar->addMenu("&Options");
    options->setObjectName("Options1");
    options->addAction(AFind);
    options->addAction(AShowReminder);
    options->addSeparator();
    options->addAction(ActionPref);
    options->addAction(AServer);

    QMenu *help = bar->addMenu("&Help");
    help->setObjectName("Help1");
    help->addAction(Action1);
    QAction *readme = help->addAction("&Read Me");
    readme->setObjectName("menuReadme");
    connect(readme, &QAction::triggered, this, &TfrmMain::menuReadmeClick);
    help->addSeparator();
    QAction *web = help->addAction("Quorva on the &Web");
    web->setObjectName("menuWeb");
    connect(web, &QAction::triggered, this, &TfrmMain::menuWebClick);
    help->addSeparator();
    QAction *about = help->addAction("&About...");
    about->setObjectName("MenuAbout");
    connect(about, &QAction::triggered, this, &TfrmMain::MenuAboutClick);

    PMTray = new QMenu(this);
    PMTray->setObjectName("PMTray");
    QAction *title = PMTray->addAction("Quorva");
    title->setObjectName("MITrayTitle");
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    PMTray->setDefaultAction(title);
    PMTray->addAction(AShowReminder);
    PMTray->addAction(ActionPref);
    PMTray->addSeparator();
    QAction *trayExit = PMTray->addAction("&Exit");
    trayExit->setObjectName("MITrayExit");
    connect(trayExit, &QAction::triggered, this, &TfrmMain::Exit1Click);
}

void TfrmMain::createStatusBar() {
    SBMain = new TStatusBar(this);
    setStatusBar(SBMain);
    connect(SBMain, &TStatusBar::clicked, this, &TfrmMain::SBMainClick);
}

void TfrmMain::createTrayIcon() {
    TrayIcon = new QSystemTrayIcon(this);
    TrayIcon->setObjectName("TrayIcon");
    TrayIcon->setIcon(QIcon(":/icons/quorva.png"));
    TrayIcon->setToolTip("Quorva");
    TrayIcon->setContextMenu(PMTray);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    RestoreAndActivate();
            });
    setWindowIcon(QIcon(":/icons/quorva.png"));
}

void TfrmMain::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // ApplicationEventsMinimize: a minimised program takes its reminder window along.
    if (frmReminder)
        frmReminder->hide();
    if (TrayIcon->isVisible())
        QTimer::singleShot(0, this, &TfrmMain::hideToTray);
}

void TfrmMain::hideToTray() {
    if (isMinimized() && TrayIcon->isVisible())
        hide();
}

void TfrmMain::RestoreAndActivate() {
    if (isMinimized() || !isVisible()) {
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        show();
    }
    raise();
    activateWindow();
}

bool TfrmMain::LivesInTray() const {
    return !isVisible() && TrayIcon->isVisible();
}

void TfrmMain::SetTrayMode(bool on) {
    // Without a notification area the program minimises to the task bar as usual.
    if (on && QSystemTrayIcon::isSystemTrayAvailable())
        TrayIcon->show();
    else
        TrayIcon->hide();
}

void TfrmMain::FillMonthStrip() {
    SBMonths->fill();
}

void TfrmMain::UpdateStatusBar() {
    QString text = EventTextFromBytes(
        Events.EventsOfDate(Today.TodayMonth, Today.TodayDay, Today.TodayYear, ", "));
    text.replace("\r\n", " ");
    if (text.isEmpty())
        text = NothingPlanned;
    // Changes that are only in memory are said first, where they cannot be missed.
    const QString notSaved = unsaved.empty() ? QString() : "Not saved (" + saveFailure + ") - ";
    if (!syncMessage.isEmpty()) {
        SBMain->setStatusText(notSaved + syncMessage);
        return;
    }
    SBMain->setStatusText(notSaved + "Today is " +
                          QString::fromStdString(DayNames[Today.TodayWeekday]) + ", " +
                          QString::fromStdString(MonthNames[Today.TodayMonth]) + " " +
                          QString::number(Today.TodayDay) + ": " + text);
}

void TfrmMain::SBMainClick() {
    GoToDate(Today.TodayMonth, Today.TodayDay, Today.TodayYear);
}

void TfrmMain::Timer1Timer() {
    ReloadIfChanged();
    bool dayChanged = false;
    if (static_cast<int>(ToDateTime(Clock::Today())) != Today.TodaySerial) {
        ComputeToday();
        FillMonths(Months, Events, Clock::Today());
        FillMonthStrip();
        ShowMonth(1);
        UpdateStatusBar();
        dayChanged = true;
    }
    if (firstTick)
        SetMinimizeAnimation(GUI->SavedMinAnimate);
    if ((dayChanged || firstTick) && bReminder) {
        firstTick = false;
        if (!Events.BuildReminders(ReminderLookAhead(), Clock::Today()).empty())
            PopUpReminder();
    }
    firstTick = false;
}

int TfrmMain::ReminderSlideDelay(int workAreaHeight, int windowHeight) {
    if (windowHeight <= 0)
        return 0;
    const int half = workAreaHeight / windowHeight / 2;
    return half == 0 ? 0 : half - 1;
}

// Shows the reminder window at the bottom right of the work area and slides it up one pixel
// per step. The slide runs from a timer, so the program goes on answering meanwhile; a second
// pop-up during a slide starts it again from the bottom.
//
// Positions place the frame (the window manager honours a position given before the window is
// shown), sizes measure the inside. Before its first showing the window's frame is not known
// yet: the main window's frame stands in for it, and every step measures again, so the slide
// ends with the frame's bottom-right corner on the work area's, caption inside the work area.
void TfrmMain::PopUpReminder() {
    if (!frmReminder)
        return;
    const QScreen *screen = QGuiApplication::primaryScreen();
    slideArea = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    if (frmReminder->isVisible())
        frmReminder->hide();
    fitReminderToWorkArea();
    slideRow = 1;
    placeReminder();
    frmReminder->show();
    frmReminder->raise();
    frmReminder->activateWindow();
    slideTimer->setInterval(ReminderSlideDelay(slideArea.height(), reminderFrameSize().height()));
    slideStep();
}

QMargins TfrmMain::reminderFrameMargins() {
    const QWindow *reminder = frmReminder ? frmReminder->windowHandle() : nullptr;
    if (reminder && frmReminder->isVisible() && !reminder->frameMargins().isNull())
        knownReminderFrame = reminder->frameMargins();
    if (!knownReminderFrame.isNull())
        return knownReminderFrame;
    return windowHandle() && isVisible() ? windowHandle()->frameMargins() : QMargins();
}

QSize TfrmMain::reminderFrameSize() {
    const QMargins frame = reminderFrameMargins();
    return frmReminder->size().grownBy(frame);
}

// A window taller than the work area is cut so that its whole frame fits.
void TfrmMain::fitReminderToWorkArea() {
    const QMargins frame = reminderFrameMargins();
    const int tallest = slideArea.height() - frame.top() - frame.bottom();
    if (frmReminder->height() > tallest)
        frmReminder->resize(frmReminder->width(), std::max(tallest, 1));
}

void TfrmMain::placeReminder() {
    const QSize frame = reminderFrameSize();
    const int right = slideArea.left() + slideArea.width();
    const int bottom = slideArea.top() + slideArea.height();
    frmReminder->move(right - frame.width(), bottom - std::min(slideRow, frame.height()));
}

void TfrmMain::slideStep() {
    if (!frmReminder || slideRow < 1) {
        slideRow = 0;
        slideTimer->stop();
        return;
    }
    fitReminderToWorkArea();
    const int height = reminderFrameSize().height();
    if (slideRow > height)
        slideRow = height;
    placeReminder();
    if (slideRow == height) {
        slideRow = 0;
        slideTimer->stop();
        QTimer::singleShot(150, this, [this] { settleReminder(3); });
        return;
    }
    ++slideRow;
    slideTimer->start();
}

// The window manager may still be framing the window while the last steps run, and then takes
// a position as the inside's rather than the frame's. Once it is done, the frame is measured
// where the X server has it and moved by what is missing, a few times at most.
void TfrmMain::settleReminder(int triesLeft) {
    if (!frmReminder || !frmReminder->isVisible() || sliding() || !frmReminder->windowHandle())
        return;
    const QMargins frame = frmReminder->windowHandle()->frameMargins();
    const QPoint inside = frmReminder->mapToGlobal(QPoint(0, 0));
    const QRect actual(inside - QPoint(frame.left(), frame.top()),
                       frmReminder->size().grownBy(frame));
    const QPoint wanted(slideArea.left() + slideArea.width() - actual.width(),
                        slideArea.top() + slideArea.height() - actual.height());
    if (actual.topLeft() == wanted || triesLeft <= 0)
        return;
    frmReminder->move(frmReminder->pos() + (wanted - actual.topLeft()));
    QTimer::singleShot(150, this, [this, triesLeft] { settleReminder(triesLeft - 1); });
}

void TfrmMain::ActionPrefExecute() {
    if (!frmPref)
        return;
    if (frmPref->isVisible()) {
        frmPref->raise();
        frmPref->activateWindow();
        return;
    }
    const bool reminderWasOn = bReminder;
    if (isMinimized() || !isVisible())
        RestoreAndActivate();
    frmPref->exec();
    SetTrayMode(bMinToTray);
    if (!reminderWasOn && bReminder)
        PopUpReminder();
    else if (!bReminder && frmReminder && frmReminder->isVisible())
        frmReminder->hide();
    else if (reminderWasOn && bReminder && frmReminder)
        frmReminder->FormShow();
    ShowMonth(Selection.ShownMonth);
}

void TfrmMain::AShowReminderExecute() {
    PopUpReminder();
}

void TfrmMain::AFindExecute() {
    if (frmFind)
        frmFind->exec();
}

// The print preview and the about box are built when first asked for: the start does not
// wait for windows that most runs never open.
void TfrmMain::ActionPrintExecute() {
    if (!frmPrint) {
        frmPrint = new TfrmPrint(this);
        connect(frmPrint, &QObject::destroyed, [] { frmPrint = nullptr; });
    }
    frmPrint->OpenForMonthView(this);
}

void TfrmMain::MenuAboutClick() {
    if (!frmAbout) {
        frmAbout = new TfrmAbout(this);
        connect(frmAbout, &QObject::destroyed, [] { frmAbout = nullptr; });
    }
    frmAbout->exec();
}

void TfrmMain::New1Click() {
    QMessageBox box(QMessageBox::Warning, Constants::MainCaption,
                    "The existing list of events will be replaced with an empty one. All "
                    "information will be lost.\n\nAre you sure you want to permanently delete "
                    "the old list of events?",
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setObjectName("NewListQuestion");
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() != QMessageBox::Yes)
        return;
    History.RecordWhole(Events, "&Undo New");
    changeEvents([](TEvents &events) { events.Clear(); });
}

void TfrmMain::menuReadmeClick() {
    OpenWithDesktop(QUrl::fromLocalFile(ReadmeFilePath(GUI->AppDir)), this);
}

void TfrmMain::menuWebClick() {
    OpenWithDesktop(QUrl(Constants::WebAddress), this);
}

void TfrmMain::Action1Execute() {
    GUI->ShowHelpTopic("::/HTML/Getting_Started.html");
}

// The sync itself is quorva-cli's, run beside the window: the window stays usable, and the
// file it writes comes back through the reload like any other program's.
void TfrmMain::ASynchronizeExecute() {
    syncAskedPassword = false;
    SynchronizeNow(true);
}

bool TfrmMain::Synchronizing() const {
    return syncRunner && syncRunner->Running();
}

void TfrmMain::SynchronizeNow(bool byUser) {
    if (closed || Synchronizing())
        return;
    // An automatic sync waits while a dialog is open: the user may be answering the last one.
    if (!byUser && QApplication::activeModalWidget())
        return;
    const TSyncConfig config = TSyncConfig::Read();
    if (config.Url.isEmpty()) {
        if (byUser)
            AServerExecute();
        return;
    }
    if (!syncRunner) {
        syncRunner = new TSyncRunner(this);
        // Queued: what follows a sync (a message box, a password asked) may start another.
        connect(syncRunner, &TSyncRunner::Finished, this, &TfrmMain::syncFinished,
                Qt::QueuedConnection);
    }
    syncByUser = byUser;
    if (!syncRunner->Start({"sync", "--file", GUI->EventsFilePath()}, syncPassword)) {
        syncFinished(false, TSyncRunner::CliPath().isEmpty()
                                ? "quorva-cli is not beside the calendar"
                                : "quorva-cli could not be started");
        return;
    }
    showSyncMessage("Synchronizing...", 0);
}

void TfrmMain::syncFinished(bool ok, const QString &line) {
    if (closed)
        return;
    if (ok) {
        ReloadIfChanged();
        showSyncMessage(line, 6000);
        return;
    }
    const TSyncConfig config = TSyncConfig::Read();
    if (syncByUser && !syncAskedPassword && line.contains("refused the user name or password")) {
        syncAskedPassword = true;
        showSyncMessage(QString(), 0);
        bool given = false;
        const QString password = QInputDialog::getText(
            this, "Synchronize - Quorva",
            "The server refused the password. Password for " +
                (config.User.isEmpty() ? config.Url : config.User + " at " + config.Url) + ":",
            QLineEdit::Password, QString(), &given);
        if (given && !password.isEmpty()) {
            syncPassword = password; // for this run only
            SynchronizeNow(true);
            return;
        }
    }
    showSyncMessage("Not synchronized: " + line, 10000);
    if (syncByUser)
        QMessageBox::warning(this, Constants::MainCaption,
                             "The calendar could not be synchronized: " + line);
}

// A line in the status bar instead of today's events, for milliseconds (0: until replaced).
void TfrmMain::showSyncMessage(const QString &text, int milliseconds) {
    if (!syncMessageTimer) {
        syncMessageTimer = new QTimer(this);
        syncMessageTimer->setSingleShot(true);
        connect(syncMessageTimer, &QTimer::timeout, this, [this] {
            syncMessage.clear();
            UpdateStatusBar();
        });
    }
    syncMessageTimer->stop();
    syncMessage = text;
    if (milliseconds > 0)
        syncMessageTimer->start(milliseconds);
    UpdateStatusBar();
}

void TfrmMain::AServerExecute() {
    const TSyncConfig before = TSyncConfig::Read();
    TfrmServer server(this);
    server.SessionPassword = syncPassword;
    if (server.exec() != QDialog::Accepted)
        return;
    const TSyncConfig after = TSyncConfig::Read();
    if (!server.EPassword->text().isEmpty())
        syncPassword = server.SessionPassword; // empty when the secret store keeps it
    else if (after.Url != before.Url || after.User != before.User)
        syncPassword.clear(); // never another server's or user's password
    applySyncSchedule();
}

void TfrmMain::applySyncSchedule() {
    const TSyncConfig config = TSyncConfig::Read();
    if (!config.Auto || config.Url.isEmpty()) {
        if (syncTimer)
            syncTimer->stop();
        return;
    }
    if (!syncTimer) {
        syncTimer = new QTimer(this);
        connect(syncTimer, &QTimer::timeout, this, [this] { SynchronizeNow(false); });
    }
    syncTimer->start(config.Minutes * 60 * 1000);
}
