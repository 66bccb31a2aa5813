#pragma once
#include "MainOps.h"
#include "StatusBar.h"
#include "Undo.h"

#include <QFrame>
#include <QMainWindow>
#include <QStatusBar>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFileSystemWatcher;
class QFrame;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class THintWindow;
class TMonthStrip;
class TSyncRunner;
class TMonthView;

class TfrmMain : public QMainWindow, public TMainOps {
    Q_OBJECT
public:
    // Creates the window hidden and runs FormCreate with the program's arguments.
    explicit TfrmMain(const QStringList &arguments, QWidget *parent = nullptr);
    ~TfrmMain() override;

    // FormCreate decided that a start at log-on has nothing to do: the program ends unshown.
    bool QuitAtStart() const { return quitAtStart; }
    // FormCreate asked for a minimised start.
    bool StartMinimized() const { return startMinimized; }

    // Month view.
    void ShowMonth(int index);
    void GoToDate(int month, int day, int year) override;
    void OpenDayEditor(int cell);
    void DayCellClick(int cell);
    void WeekdayHeaderClick(int column);
    void LPrevMonthClick();
    void LNextMonthClick();
    void FormResize();

    // Services.
    void FillMonthStrip();
    void UpdateStatusBar();
    void SetTrayMode(bool on);
    void PopUpReminder();
    // Where a window stored at frame (top-left of the frame, inside size) opens: there, unless
    // its title bar would be off every work area; workAreas start with the primary screen's.
    static QPoint KeepTitleBarOnScreen(const QRect &frame, const QList<QRect> &workAreas);
    // Wait between two slide steps: (work area height div window height) div 2, less one.
    static int ReminderSlideDelay(int workAreaHeight, int windowHeight);
    bool sliding() const { return slideRow > 0; }
    void ActionPrefExecute() override;
    void SBMainClick() override;
    void RestoreAndActivate() override;
    bool LivesInTray() const override;
    void Timer1Timer();
    void New1Click();
    // Puts the store back as it was before the last change of this run, and saves it.
    void Undo1Click();
    void Exit1Click();
    void menuReadmeClick();
    void menuWebClick();
    void Action1Execute();
    void AShowReminderExecute();
    void AFindExecute();
    void ActionPrintExecute();
    void MenuAboutClick();
    // File > Synchronize: a sync with the calendar server, off the window's thread. Started
    // by the user, a failure is also said in a message box, and a refused password asked for.
    void ASynchronizeExecute();
    void SynchronizeNow(bool byUser);
    bool Synchronizing() const;
    // Options > Calendar Server.
    void AServerExecute();

    // Events file; a failed save shows "Unable to write to PATH: REASON", leaves the old file
    // whole and keeps the change in memory until a later save succeeds.
    bool HasUnsavedChanges() const { return !unsaved.empty(); }
    void LoadEvents();
    bool SaveEvents();
    // Reads the events file again when another program replaced it since it was last read or
    // written here, and refreshes every display. Called when the file or its folder changes,
    // and at each tick, since watchers miss some changes.
    void ReloadIfChanged();

    // Log-off, shut-down, SIGTERM and SIGHUP: the close steps without asking, once.
    void QueryShutdown();

    // Starts the one-second timer at the first idle moment after start-up.
    void StartTimerWhenIdle();

    QTimer *timer() const { return Timer1; }
    QSystemTrayIcon *trayIcon() const { return TrayIcon; }
    QWidget *monthPanel() const;
    TMonthStrip *monthStrip() const { return SBMonths; }
    bool flashing() const;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate(const QStringList &arguments);
    void FormShow();
    void FormClose();
    void createActions();
    void createMenus();
    void createMonthView();
    void createStatusBar();
    void createTrayIcon();
    void refreshAfterChange();
    void changeEvents(std::function<void(TEvents &)> change);
    bool saveUnsaved();
    void reportSaveFailure();
    bool settleUnsavedChanges();
    void saveDayEditor();
    void showKeptBoth(const TSelection &at,
                      const std::array<std::optional<std::string>, 5> &tooLong);
    void watchEventsFile();
    void syncFinished(bool ok, const QString &line);
    void showSyncMessage(const QString &text, int milliseconds);
    void applySyncSchedule();
    void updateUndoItem();
    void hideToTray();
    void rememberFramePosition();
    void slideStep();
    QMargins reminderFrameMargins();
    QSize reminderFrameSize();
    void fitReminderToWorkArea();
    void placeReminder();
    void settleReminder(int triesLeft);

    bool quitAtStart = false;
    bool startMinimized = false;
    bool closed = false;
    bool firstShow = true;
    bool firstTick = true;
    QPoint normalFramePos; // the frame's top-left in the normal state, as last seen

    TMonthView *PMonth = nullptr;
    TMonthStrip *SBMonths = nullptr;
    TStatusBar *SBMain = nullptr;
    QTimer *Timer1 = nullptr;
    QSystemTrayIcon *TrayIcon = nullptr;
    QMenu *PMTray = nullptr;
    THintWindow *hint = nullptr;

    QAction *Action1 = nullptr;
    QAction *AShowReminder = nullptr;
    QAction *ActionPref = nullptr;
    QAction *ActionPrint = nullptr;
    QAction *AFind = nullptr;
    QAction *Undo1 = nullptr;
    QAction *ASynchronize = nullptr;
    QAction *AServer = nullptr;

    TUndoHistory History; // the user's last changes of this run
    // The changes not yet in the events file (a save failed), the reason, and what the file
    // looked like when last read or written here.
    std::vector<std::function<void(TEvents &)>> unsaved;
    QString saveFailure;
    TFileStamp eventsStamp;
    QFileSystemWatcher *eventsWatcher = nullptr;
    QTimer *reloadTimer = nullptr; // a burst of changes is read once, when it is over

    TSyncRunner *syncRunner = nullptr;
    QTimer *syncTimer = nullptr;        // the automatic syncs
    QTimer *syncMessageTimer = nullptr; // takes the sync's line off the status bar
    QString syncMessage;                // shown in the status bar instead of today's events
    QString syncPassword;               // given this run where no secret store keeps it
    bool syncByUser = false;
    bool syncAskedPassword = false;

    QTimer *slideTimer = nullptr;
    QRect slideArea;
    int slideRow = 0;
    QMargins knownReminderFrame; // measured once the window manager framed it
};

extern TfrmMain *frmMain;
