#include "MainForm.h"

#include "AboutForm.h"
#include "Clock.h"
#include "Colors.h"
#include "Constants.h"
#include "DayForm.h"
#include "DialogKeys.h"
#include "EditMerge.h"
#include "EventText.h"
#include "EventsPreload.h"
#include "FileIo.h"
#include "FindForm.h"
#include "Fonts.h"
#include "GUI.h"
#include "HintWindow.h"
#include "InstallPaths.h"
#include "MonthStrip.h"
#include "MonthView.h"
#include "Platform.h"
#include "Pool.h"
#include "PrefForm.h"
#include "Preferences.h"
#include "PrintForm.h"
#include "ReminderForm.h"
#include "SettingsStore.h"
#include "Sound.h"
#include "StartupEntry.h"
#include "SyncRunner.h"
#include "Today.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QFileInfo>
#include <QFrame>
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

TfrmMain *frmMain = nullptr;

namespace {

constexpr int CellCount = 42;

} // namespace

TfrmMain::TfrmMain(const QStringList &arguments, QWidget *parent) : QMainWindow(parent) {
    setObjectName("frmMain");
    setFont(UiFont("Tahoma", 11));
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    slideTimer = new QTimer(this);
    slideTimer->setSingleShot(true);
    connect(slideTimer, &QTimer::timeout, this, &TfrmMain::slideStep);
    hint = new THintWindow(this);
    TDialogKeys::Install();

    createActions();
    createMenus();
    createMonthView();
    createStatusBar();
    createTrayIcon();

    Selection.ShownMonth = 0;
    frmMain = this;
    MainOps = this;
    FormCreate(arguments);
}

TfrmMain::~TfrmMain() {
    if (MainOps == this)
        MainOps = nullptr;
    if (frmMain == this)
        frmMain = nullptr;
}

void TfrmMain::createMonthView() {
    auto *central = new QWidget(this);
    central->setObjectName("MainClient");
    setCentralWidget(central);

    SBMonths = new TMonthStrip(this, central);
    for (int k = 0; k < 13; ++k)
        connect(SBMonths->grid(k), &TStripGrid::hintWanted, this,
                [this](const QPoint &where, const QString &text) {
                    if (text.isEmpty())
                        hint->takeDown();
                    else
                        hint->showAt(where, text);
                });

    PMonth = new TMonthView(this, hint, central);
    central->installEventFilter(this);
}

void TfrmMain::FormCreate(const QStringList &arguments) {
    SBMonths->setFixedWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 148 + 2);
    QTimer::singleShot(0, this, &TfrmMain::StartTimerWhenIdle);
    setWindowTitle(Constants::MainCaption);

    const TStartSettings start = ReadSettingsAtCreate();
    if (const std::string notice = TakeSettingsNotice(); !notice.empty())
        QMessageBox::warning(nullptr, Constants::MainCaption, QString::fromStdString(notice));
    LoadEvents();
    if (NeedsEasterSeeding(start.VersionForSeeding)) {
        unsaved.push_back([](TEvents &events) { events.AddEaster(); });
        SaveEvents();
    }
    watchEventsFile();
    applySyncSchedule();
    if (syncTimer)
        QTimer::singleShot(3000, this, [this] { SynchronizeNow(false); });

    ComputeToday();
    FillMonths(Months, Events, Clock::Today());
    FillMonthStrip();
    UpdateStatusBar();
    PMonth->Wire();

    // Top and Left place the frame, Width and Height measure the inside: what the close wrote.
    resize(start.Width, start.Height);
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    if (const QScreen *primary = QGuiApplication::primaryScreen())
        areas.prepend(primary->availableGeometry());
    normalFramePos =
        KeepTitleBarOnScreen(QRect(start.Left, start.Top, start.Width, start.Height), areas);
    move(normalFramePos);
    GUI->StartMaximized = start.Maximized;
    if (start.Maximized)
        setWindowState(Qt::WindowMaximized);

    if (!start.MainFormViewExists)
        GUI->ShowHelpTopic("::/HTML/Getting_Started.html");
    else if (start.VersionForHelp < std::string(Constants::Version))
        GUI->ShowHelpTopic("::/HTML/Whats_New.html");

    SetTrayMode(bMinToTray);
    GUI->SavedMinAnimate = GetMinimizeAnimation();

    if (bLoadAtStartup && arguments.size() > 1 && arguments.at(1) == Constants::StartupArgument) {
        if (bStartUpMin) {
            SetMinimizeAnimation(false);
            startMinimized = true;
        }
        if (bCloseIfNoReminder) {
            if (!bReminder || Events.BuildReminders(ReminderLookAhead(), Clock::Today()).empty())
                quitAtStart = true;
        }
    }
}

void TfrmMain::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (firstShow) {
        firstShow = false;
        FormShow();
    }
}

void TfrmMain::FormShow() {
    try {
        WriteVersionRecord();
    } catch (const std::exception &) {
        // The version record only decides about help pages at the next start.
    }
    SBMonths->setScrollPosition(135);
}

void TfrmMain::StartTimerWhenIdle() {
    Timer1->start();
}

// An events file that exists but cannot be read is reported, and the calendar starts empty;
// the save refuses to overwrite a file it could not read, so nothing on disk is lost.
void TfrmMain::LoadEvents() {
    const int wipe = bWipe ? iWipePeriod : 0;
    const std::string path = GUI->EventsFilePath().toStdString();
    try {
        if (EventsPreload.Take(path, Events, eventsStamp)) {
            Events.WipeOnce(wipe, Clock::Today());
        } else {
            Events.LoadFromIni(path, wipe, Clock::Today());
            eventsStamp = StampOf(path);
        }
    } catch (const std::exception &error) {
        QMessageBox::warning(nullptr, Constants::MainCaption, QString::fromUtf8(error.what()));
    }
}

// The file and its folder are both watched: a writer that replaces the file by a rename
// leaves a watch on the old file with nothing more to say. The folder's other files (the
// backup, the lock, temporaries) only cost a look at the file's stamp.
void TfrmMain::watchEventsFile() {
    if (!eventsWatcher) {
        eventsWatcher = new QFileSystemWatcher(this);
        reloadTimer = new QTimer(this);
        reloadTimer->setSingleShot(true);
        reloadTimer->setInterval(150);
        connect(reloadTimer, &QTimer::timeout, this, &TfrmMain::ReloadIfChanged);
        const auto soon = [this] { reloadTimer->start(); };
        connect(eventsWatcher, &QFileSystemWatcher::fileChanged, this, soon);
        connect(eventsWatcher, &QFileSystemWatcher::directoryChanged, this, soon);
    }
    const QString file = QString::fromStdString(ResolveLinks(GUI->EventsFilePath().toStdString()));
    const QString folder = QFileInfo(file).absolutePath();
    if (!eventsWatcher->files().contains(file) && QFileInfo::exists(file))
        eventsWatcher->addPath(file);
    if (!eventsWatcher->directories().contains(folder) && QFileInfo::exists(folder))
        eventsWatcher->addPath(folder);
}

void TfrmMain::ReloadIfChanged() {
    if (closed)
        return;
    const std::string path = GUI->EventsFilePath().toStdString();
    // The stamp is taken before the read: a change during the read is seen at the next look.
    const TFileStamp now = StampOf(path);
    if (now == eventsStamp || !now.Exists)
        return; // a file that went away is kept in memory until a save writes it again
    TEvents fresh;
    try {
        fresh.LoadFromIni(path, bWipe ? iWipePeriod : 0, Clock::Today());
    } catch (const std::exception &) {
        return; // unreadable now: the next change or tick tries again, a save says why
    }
    Events = std::move(fresh);
    eventsStamp = now;
    for (const auto &change : unsaved) // changes not yet written stay in view
        change(Events);
    watchEventsFile();
    refreshAfterChange();
    if (frmFind && frmFind->isVisible())
        frmFind->ClearResults();
    if (frmDay && frmDay->isVisible())
        frmDay->StoreChanged();
}

bool TfrmMain::SaveEvents() {
    if (saveUnsaved())
        return true;
    reportSaveFailure();
    return false;
}

// Writes the changes not yet in the file, on top of the file as it is now (another program
// may have written it since). A change that cannot be written stays in memory and in the
// list, and every later change tries again.
bool TfrmMain::saveUnsaved() {
    const int wipe = bWipe ? iWipePeriod : 0;
    try {
        UpdateEventsFile(
            GUI->EventsFilePath().toStdString(), Events, wipe, Clock::Today(),
            [this](TEvents &events) {
                for (const auto &change : unsaved)
                    change(events);
            },
            eventsStamp);
        unsaved.clear();
        saveFailure.clear();
        return true;
    } catch (const std::exception &error) {
        saveFailure = QString::fromUtf8(error.what());
        return false;
    }
}

void TfrmMain::reportSaveFailure() {
    UpdateStatusBar();
    QMessageBox::critical(this, Constants::MainCaption, saveFailure);
}

// Closing with changes that could not be saved asks what to do with them; false keeps the
// program open.
bool TfrmMain::settleUnsavedChanges() {
    while (!unsaved.empty()) {
        QString where = saveFailure;
        for (const QString &prefix : {QString("Unable to write to "), QString("Unable to read ")})
            if (where.startsWith(prefix))
                where = where.mid(prefix.size());
        QMessageBox box(QMessageBox::Warning, Constants::MainCaption,
                        "Your last changes could not be saved to " + where + ".",
                        QMessageBox::Retry | QMessageBox::Discard, this);
        box.setObjectName("UnsavedChangesQuestion");
        QPushButton *saveAs = box.addButton("Save As...", QMessageBox::ActionRole);
        saveAs->setObjectName("BSaveAs");
        box.setDefaultButton(QMessageBox::Retry);
        box.setEscapeButton(QMessageBox::Retry);
        box.exec();
        // A log-off or SIGTERM ends the program under the open box: exec() returns at once
        // from then on, with nothing clicked, and the close goes on.
        if (closed || !box.clickedButton())
            return true;
        if (box.clickedButton() == box.button(QMessageBox::Discard))
            return true;
        if (box.clickedButton() == saveAs) {
            const QString file = QFileDialog::getSaveFileName(
                this, "Save As - Quorva", QFileInfo(GUI->EventsFilePath()).absolutePath(),
                "Events files (*.ini);;All files (*)");
            if (file.isEmpty())
                continue;
            try {
                Events.SaveToIni(file.toStdString());
                return true;
            } catch (const std::exception &error) {
                saveFailure = QString::fromUtf8(error.what());
            }
            continue;
        }
        saveUnsaved();
    }
    return true;
}

// Every change of the store: recorded by the caller for undo, written on top of the file,
// then every display shows the result (which holds what others wrote meanwhile).
void TfrmMain::changeEvents(std::function<void(TEvents &)> change) {
    unsaved.push_back(std::move(change));
    const bool saved = saveUnsaved(); // the store holds the change either way
    refreshAfterChange();
    if (!saved)
        reportSaveFailure();
}

void TfrmMain::closeEvent(QCloseEvent *event) {
    if (!closed && bMinToTray && bMinOnClose && GUI->CloseMinimizes) {
        event->ignore();
        showMinimized();
        return;
    }
    if (!closed && !settleUnsavedChanges()) {
        GUI->CloseMinimizes = true;
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
    QApplication::quit();
}

void TfrmMain::FormClose() {
    if (closed)
        return;
    closed = true;
    Timer1->stop();
    if (syncTimer)
        syncTimer->stop();
    if (syncRunner)
        syncRunner->Stop(5000); // a sync under way gets a moment to finish, then is stopped

    TCloseSettings settings;
    settings.Maximized = isMaximized();
    const QRect normal = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    rememberFramePosition();
    settings.Top = normalFramePos.y();
    settings.Left = normalFramePos.x();
    settings.Height = normal.height();
    settings.Width = normal.width();
    if (frmReminder) {
        settings.ReminderHeight = frmReminder->height();
        settings.ReminderWidth = frmReminder->width();
    } else {
        ReadReminderSize(settings.ReminderHeight, settings.ReminderWidth);
    }
    try {
        WriteSettingsAtClose(settings);
    } catch (const std::exception &error) {
        QMessageBox::warning(this, Constants::MainCaption, QString::fromUtf8(error.what()));
    }
    try {
        WriteStartupEntry(
            QDir::toNativeSeparators(QApplication::applicationFilePath()).toStdString());
    } catch (const std::exception &error) {
        QMessageBox::warning(this, Constants::MainCaption, QString::fromUtf8(error.what()));
    }
    if (TrayIcon)
        TrayIcon->hide();
}

// Where the frame's top-left stands now, asked of the window system: the toolkit's own idea of
// the position can lag behind what the window manager did with the window.
void TfrmMain::rememberFramePosition() {
    if (!isVisible() || isMinimized() || isMaximized() || isFullScreen() || !windowHandle())
        return;
    const QMargins frame = windowHandle()->frameMargins();
    normalFramePos = mapToGlobal(QPoint(0, 0)) - QPoint(frame.left(), frame.top());
}

void TfrmMain::moveEvent(QMoveEvent *event) {
    QMainWindow::moveEvent(event);
    rememberFramePosition();
}

QPoint TfrmMain::KeepTitleBarOnScreen(const QRect &frame, const QList<QRect> &workAreas) {
    constexpr int TitleBar = 24; // enough of the caption to take hold of it
    constexpr int Grip = 50;     // enough of the width to see it and drag it
    const QRect *best = nullptr;
    int bestArea = 0;
    for (const QRect &area : workAreas) {
        const QRect seen = frame.intersected(area);
        if (!seen.isEmpty() && seen.width() * seen.height() > bestArea) {
            bestArea = seen.width() * seen.height();
            best = &area;
        }
    }
    if (!best)
        return workAreas.isEmpty() ? frame.topLeft() : workAreas.first().topLeft();
    QPoint place = frame.topLeft();
    place.setY(
        std::clamp(place.y(), best->top(), std::max(best->top(), best->bottom() - TitleBar)));
    place.setX(std::clamp(place.x(), best->left() - frame.width() + Grip,
                          std::max(best->left(), best->right() - Grip)));
    return place;
}

void TfrmMain::Exit1Click() {
    GUI->CloseMinimizes = false;
    close();
}

void TfrmMain::QueryShutdown() {
    // A log-off cannot wait for an answer: one more try to save, then the usual close.
    if (!unsaved.empty())
        saveUnsaved();
    FormClose();
    QApplication::quit();
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        const QSize size = centralWidget()->size();
        SBMonths->setGeometry(0, 0, SBMonths->width(), size.height());
        PMonth->setGeometry(SBMonths->width(), 0, size.width() - SBMonths->width(), size.height());
        return false;
    }
    return QMainWindow::eventFilter(watched, event);
}

QWidget *TfrmMain::monthPanel() const {
    return PMonth;
}

bool TfrmMain::flashing() const {
    return PMonth->flashing();
}

// The month view's documented operations, as the rest of the program calls them.
void TfrmMain::ShowMonth(int index) {
    PMonth->ShowMonth(index);
}

void TfrmMain::GoToDate(int month, int day, int year) {
    PMonth->GoToDate(month, day, year);
}

void TfrmMain::FormResize() {
    PMonth->FormResize();
}

void TfrmMain::DayCellClick(int cell) {
    PMonth->DayCellClick(cell);
}

void TfrmMain::WeekdayHeaderClick(int column) {
    PMonth->WeekdayHeaderClick(column);
}

void TfrmMain::LPrevMonthClick() {
    PMonth->LPrevMonthClick();
}

void TfrmMain::LNextMonthClick() {
    PMonth->LNextMonthClick();
}

void TfrmMain::OpenDayEditor(int cell) {
    if (cell < 0 || cell >= CellCount) {
        frmDay->FocusWeekly = false;
        return;
    }
    const int day = Months[Selection.ShownMonth].Day[cell];
    if (day == 0) {
        frmDay->FocusWeekly = false;
        return;
    }
    PlayClick();
    Selection.Day = day;
    Selection.Weekday = DayOfWeek(Selection.Month, day, Selection.Year);
    Selection.Nth = (day + 6) / 7;
    const bool last = DaysInMonth(Selection.Month, Selection.Year) < day + 7;
    if (last && Events.GetNWeekdayly(Selection.Nth, Selection.Weekday, Selection.Month).empty())
        Selection.Nth = 0;

    if (frmDay->exec() != QDialog::Accepted)
        return;
    saveDayEditor();
}

// Writes what the editor changed under the date it was opened for: a day change during the
// dialog moves Selection, never the editor's target. Texts left as they were stay untouched.
void TfrmMain::saveDayEditor() {
    const TSelection &at = frmDay->Target;
    const bool changed = frmDay->MOnce->edited() || frmDay->MWeekly->edited() ||
                         frmDay->MMonthly->edited() || frmDay->MYearly->edited() ||
                         frmDay->MDayWeekly->edited();
    if (!changed)
        return;
    History.RecordDate(Events, at.Month, at.Day, at.Year, at.Weekday, at.Nth,
                       "&Undo changes of " + FormatDate(at.Month, at.Day, at.Year));
    // Only what the user changed: the file may hold other news for the untouched texts, and
    // a text changed there since the editor showed it is kept beside the user's.
    struct TDayEdit {
        std::array<std::optional<TEntryEdit>, 5> Edits; // one-time, weekly, monthly, yearly, n-th
        bool Conflict = false;
    };
    auto edit = std::make_shared<TDayEdit>();
    const std::array<const TMemo *, 5> memos{frmDay->MOnce, frmDay->MWeekly, frmDay->MMonthly,
                                             frmDay->MYearly, frmDay->MDayWeekly};
    for (std::size_t kind = 0; kind < memos.size(); ++kind)
        if (memos[kind]->edited())
            edit->Edits[kind] =
                TEntryEdit{memos[kind]->originalText(), memos[kind]->storedText(), {}};
    changeEvents([at, edit](TEvents &events) {
        const auto apply = [&edit](std::size_t kind, const std::string &current) {
            bool conflict = false;
            std::string text = ApplyEntryEdit(*edit->Edits[kind], current, conflict);
            edit->Conflict = edit->Conflict || conflict;
            return text;
        };
        if (edit->Edits[0])
            events.SetOnce(at.Month, at.Day, at.Year,
                           apply(0, events.GetOnce(at.Month, at.Day, at.Year)));
        if (edit->Edits[1])
            events.SetWeekly(at.Weekday, apply(1, events.GetWeekly(at.Weekday)));
        if (edit->Edits[2])
            events.SetMonthly(at.Day, apply(2, events.GetMonthly(at.Day)));
        if (edit->Edits[3])
            events.SetYearly(at.Month, at.Day, apply(3, events.GetYearly(at.Month, at.Day)));
        if (edit->Edits[4])
            events.SetNWeekdayly(at.Nth, at.Weekday, at.Month,
                                 apply(4, events.GetNWeekdayly(at.Nth, at.Weekday, at.Month)));
    });
    if (edit->Conflict) {
        std::array<std::optional<std::string>, 5> tooLong;
        for (std::size_t kind = 0; kind < edit->Edits.size(); ++kind)
            if (edit->Edits[kind] && edit->Edits[kind]->TooLong)
                tooLong[kind] = edit->Edits[kind]->After;
        showKeptBoth(at, tooLong);
    }
}

// Another program changed what the user edited: the date's editor opens again on the text
// that keeps both, so the user sees it and can settle it.
void TfrmMain::showKeptBoth(const TSelection &at,
                            const std::array<std::optional<std::string>, 5> &tooLong) {
    QTimer::singleShot(0, this, [this, at, tooLong] {
        if (closed || QApplication::activeModalWidget())
            return;
        GoToDate(at.Month, at.Day, at.Year);
        // The editor opens on the very date and occurrence that were saved.
        Selection.Month = at.Month;
        Selection.Day = at.Day;
        Selection.Year = at.Year;
        Selection.Weekday = at.Weekday;
        Selection.Nth = at.Nth;
        // Where both texts would not fit the file, it keeps the other's and the user decides:
        // the editor shows the user's text again, and Save puts it in place of the other's.
        const bool anyTooLong =
            std::any_of(tooLong.begin(), tooLong.end(), [](const auto &text) { return text; });
        frmDay->PendingTexts = tooLong;
        frmDay->PendingNotice =
            anyTooLong ? "Changed by another program meanwhile, too long to keep with yours: the "
                         "file has theirs. Save puts yours in its place."
                       : "Another program changed this text meanwhile: both were kept, yours "
                         "first.";
        if (frmDay->exec() == QDialog::Accepted)
            saveDayEditor();
    });
}

void TfrmMain::Undo1Click() {
    if (auto undo = History.TakeLast())
        changeEvents(std::move(undo));
}

void TfrmMain::updateUndoItem() {
    const std::string caption = History.Caption();
    Undo1->setEnabled(!caption.empty());
    Undo1->setText(caption.empty() ? QString("&Undo") : QString::fromStdString(caption));
}

// After every change of the store: displays first, then the file, then a visible reminder.
void TfrmMain::refreshAfterChange() {
    FillMonths(Months, Events, Clock::Today());
    FillMonthStrip();
    ShowMonth(Selection.ShownMonth);
    UpdateStatusBar();
    updateUndoItem();
    if (frmReminder && frmReminder->isVisible())
        frmReminder->FormShow();
}
