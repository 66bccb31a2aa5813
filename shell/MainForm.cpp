#include "MainForm.h"

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
#include "MonthStrip.h"
#include "Platform.h"
#include "Pool.h"
#include "PrefForm.h"
#include "PrintForm.h"
#include "Preferences.h"
#include "ReminderForm.h"
#include "SettingsStore.h"
#include "Sound.h"
#include "StartupEntry.h"
#include "Today.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>

TfrmMain* frmMain = nullptr;

namespace {

constexpr int CellCount = 42;

QString MonthTitle(int month, int year)
{
    return QString::fromStdString(MonthNames[month]) + " '" + QString::number(year);
}

void SetBackground(QWidget* widget, std::uint32_t colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, ToQColor(colour));
    widget->setPalette(palette);
}

void SetTextColour(QWidget* widget, std::uint32_t colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ToQColor(colour));
    widget->setPalette(palette);
}

} // namespace

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent)
{
    setObjectName("SBMain");
    setFixedHeight(19);
    setCursor(Qt::PointingHandCursor);
    setFont(UiFont("Tahoma", 11));
    setSizeGripEnabled(false);
}

void TStatusBar::setStatusText(const QString& newText)
{
    text = newText;
    update();
}

// SBMainDrawPanel: the text at the panel's left and top edge, never cut at a panel width.
void TStatusBar::paintEvent(QPaintEvent* event)
{
    QStatusBar::paintEvent(event);
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = rect().adjusted(2, 2, -2, 0);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void TStatusBar::mouseReleaseEvent(QMouseEvent* event)
{
    QStatusBar::mouseReleaseEvent(event);
    emit clicked();
}

TfrmMain::TfrmMain(const QStringList& arguments, QWidget* parent) : QMainWindow(parent)
{
    setObjectName("frmMain");
    setFont(UiFont("Tahoma", 11));
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TfrmMain::Timer1Timer);
    slideTimer = new QTimer(this);
    slideTimer->setSingleShot(true);
    connect(slideTimer, &QTimer::timeout, this, &TfrmMain::slideStep);
    flashTimer = new QTimer(this);
    flashTimer->setSingleShot(true);
    connect(flashTimer, &QTimer::timeout, this, &TfrmMain::flashStep);
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

TfrmMain::~TfrmMain()
{
    if (MainOps == this)
        MainOps = nullptr;
    if (frmMain == this)
        frmMain = nullptr;
}

void TfrmMain::createActions()
{
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

    for (QAction* action : {Action1, AShowReminder, ActionPref, ActionPrint, AFind})
        addAction(action);
}

void TfrmMain::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    QMenu* file = bar->addMenu("&File");
    file->setObjectName("File1");
    QAction* newList = file->addAction("&New...");
    newList->setObjectName("New1");
    connect(newList, &QAction::triggered, this, &TfrmMain::New1Click);
    file->addAction(ActionPrint);
    file->addSeparator();
    Undo1 = file->addAction("&Undo");
    Undo1->setObjectName("Undo1");
    Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Undo1->setEnabled(false);
    connect(Undo1, &QAction::triggered, this, &TfrmMain::Undo1Click);
    file->addSeparator();
    QAction* exitItem = file->addAction("E&xit");
    exitItem->setObjectName("Exit1");
    connect(exitItem, &QAction::triggered, this, &TfrmMain::Exit1Click);

    QMenu* options = bar->addMenu("&Options");
    options->setObjectName("Options1");
    options->addAction(AFind);
    options->addAction(AShowReminder);
    options->addSeparator();
    options->addAction(ActionPref);

    QMenu* help = bar->addMenu("&Help");
    help->setObjectName("Help1");
    help->addAction(Action1);
    QAction* readme = help->addAction("&Read Me");
    readme->setObjectName("menuReadme");
    connect(readme, &QAction::triggered, this, &TfrmMain::menuReadmeClick);
    help->addSeparator();
    QAction* web = help->addAction("Quorva on the &Web");
    web->setObjectName("menuWeb");
    connect(web, &QAction::triggered, this, &TfrmMain::menuWebClick);
    help->addSeparator();
    QAction* about = help->addAction("&About...");
    about->setObjectName("MenuAbout");
    connect(about, &QAction::triggered, this, &TfrmMain::MenuAboutClick);

    PMTray = new QMenu(this);
    PMTray->setObjectName("PMTray");
    QAction* title = PMTray->addAction("Quorva");
    title->setObjectName("MITrayTitle");
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    PMTray->setDefaultAction(title);
    PMTray->addAction(AShowReminder);
    PMTray->addAction(ActionPref);
    PMTray->addSeparator();
    QAction* trayExit = PMTray->addAction("&Exit");
    trayExit->setObjectName("MITrayExit");
    connect(trayExit, &QAction::triggered, this, &TfrmMain::Exit1Click);
}

void TfrmMain::createMonthView()
{
    auto* central = new QWidget(this);
    central->setObjectName("MainClient");
    setCentralWidget(central);

    SBMonths = new TMonthStrip(this, central);
    for (int k = 0; k < 13; ++k)
        connect(SBMonths->grid(k), &TStripGrid::hintWanted, this,
                [this](const QPoint& where, const QString& text) {
                    if (text.isEmpty())
                        hint->takeDown();
                    else
                        hint->showAt(where, text);
                });

    PMonth = new QFrame(central);
    PMonth->setObjectName("PMonth");
    PMonth->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PMonth->setLineWidth(1);
    PMonth->setAutoFillBackground(true);
    SetBackground(PMonth, 0xC0C0C0);
    PMonth->installEventFilter(this);
    central->installEventFilter(this);

    PMonthName = new QFrame(PMonth);
    PMonthName->setObjectName("PMonthName");
    PMonthName->setAutoFillBackground(true);
    SetBackground(PMonthName, 0x000000);
    LMonthName = new QLabel(PMonthName);
    LMonthName->setObjectName("LMonthName");
    LMonthName->setAlignment(Qt::AlignCenter);
    LMonthName->setFont(UiFont("Tahoma", 11, true));
    LMonthName->setAutoFillBackground(true);
    SetTextColour(LMonthName, 0xFFFFFF);

    auto makeArrow = [this](const char* name, const char* text) {
        auto* arrow = new QLabel(text, PMonthName);
        arrow->setObjectName(name);
        arrow->setAlignment(Qt::AlignCenter);
        arrow->setFont(UiFont("Tahoma", 11, true));
        SetTextColour(arrow, 0xFFFFFF);
        arrow->setFixedSize(33, 13);
        arrow->setCursor(Qt::PointingHandCursor);
        arrow->installEventFilter(this);
        return arrow;
    };
    LPrevMonth = makeArrow("LPrevMonth", "<<");
    LNextMonth = makeArrow("LNextMonth", ">>");

    for (int c = 0; c < 7; ++c) {
        auto* header = new QLabel(QString::fromStdString(DayNames[c + 1]), PMonth);
        header->setObjectName(QString("STWeekDay%1").arg(c + 1));
        header->setAlignment(Qt::AlignCenter);
        header->setFrameStyle(QFrame::Box | QFrame::Plain);
        header->setFont(UiFont("Verdana", 11, true));
        header->setAutoFillBackground(true);
        SetTextColour(header, 0xFFFFFF);
        header->setCursor(Qt::PointingHandCursor);
        header->setProperty("column", c);
        header->installEventFilter(this);
        STWeekDay[c] = header;
    }

    for (int i = 0; i < CellCount; ++i) {
        auto* cell = new QFrame(PMonth);
        cell->setObjectName(QString("PDay%1").arg(i + 1));
        cell->setAutoFillBackground(true);
        auto* day = new QLabel(cell);
        day->setObjectName(QString("LDay%1").arg(i + 1));
        day->setAlignment(Qt::AlignRight | Qt::AlignTop);
        day->setFont(UiFont("Tahoma", 13, true));
        day->setAutoFillBackground(true);
        auto* text = new QLabel(cell);
        text->setObjectName(QString("LEvent%1").arg(i + 1));
        text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        text->setWordWrap(true);
        text->setTextFormat(Qt::PlainText);
        text->setFont(UiFont("Tahoma", 11));
        for (QWidget* w : {static_cast<QWidget*>(cell), static_cast<QWidget*>(day),
                           static_cast<QWidget*>(text)}) {
            w->setProperty("cell", i);
            w->setMouseTracking(true);
        }
        PDay[i] = cell;
        LDay[i] = day;
        LEvent[i] = text;
    }

    LSize = new QLabel(PMonth);
    LSize->setObjectName("LSize");
    LSize->setWordWrap(true);
    LSize->setFont(UiFont("Tahoma", 11));
    LSize->hide();
}

void TfrmMain::createStatusBar()
{
    SBMain = new TStatusBar(this);
    setStatusBar(SBMain);
    connect(SBMain, &TStatusBar::clicked, this, &TfrmMain::SBMainClick);
}

void TfrmMain::createTrayIcon()
{
    TrayIcon = new QSystemTrayIcon(this);
    TrayIcon->setObjectName("TrayIcon");
    TrayIcon->setIcon(QIcon(":/icons/quorva.png"));
    TrayIcon->setToolTip("Quorva");
    TrayIcon->setContextMenu(PMTray);
    connect(TrayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger ||
                    reason == QSystemTrayIcon::DoubleClick)
                    RestoreAndActivate();
            });
    setWindowIcon(QIcon(":/icons/quorva.png"));
}

void TfrmMain::FormCreate(const QStringList& arguments)
{
    SBMonths->setFixedWidth(style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 148 + 2);
    QTimer::singleShot(0, this, &TfrmMain::StartTimerWhenIdle);
    setWindowTitle(Constants::MainCaption);

    const TStartSettings start = ReadSettingsAtCreate();
    if (const std::string notice = TakeSettingsNotice(); !notice.empty())
        QMessageBox::warning(nullptr, Constants::MainCaption, QString::fromStdString(notice));
    LoadEvents();
    if (NeedsEasterSeeding(start.VersionForSeeding)) {
        unsaved.push_back([](TEvents& events) { events.AddEaster(); });
        SaveEvents();
    }

    ComputeToday();
    FillMonths(Months, Events, Clock::Today());
    FillMonthStrip();
    UpdateStatusBar();
    wireMonthView();

    // Top and Left place the frame, Width and Height measure the inside: what the close wrote.
    resize(start.Width, start.Height);
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        areas.prepend(primary->availableGeometry());
    normalFramePos = KeepTitleBarOnScreen(QRect(start.Left, start.Top, start.Width, start.Height),
                                          areas);
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

void TfrmMain::wireMonthView()
{
    SetBackground(LMonthName, Colors.Accent);
    for (QLabel* header : STWeekDay)
        SetBackground(header, Colors.Accent);
    ShowMonth(1);
    for (int i = 0; i < CellCount; ++i)
        for (QWidget* w : {static_cast<QWidget*>(PDay[i]), static_cast<QWidget*>(LDay[i]),
                           static_cast<QWidget*>(LEvent[i])})
            w->installEventFilter(this);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (firstShow) {
        firstShow = false;
        FormShow();
    }
}

void TfrmMain::FormShow()
{
    try {
        WriteVersionRecord();
    } catch (const std::exception&) {
        // The version record only decides about help pages at the next start.
    }
    SBMonths->setScrollPosition(135);
}

void TfrmMain::StartTimerWhenIdle()
{
    Timer1->start();
}

// An events file that exists but cannot be read is reported, and the calendar starts empty;
// the save refuses to overwrite a file it could not read, so nothing on disk is lost.
void TfrmMain::LoadEvents()
{
    const int wipe = bWipe ? iWipePeriod : 0;
    const std::string path = GUI->EventsFilePath().toStdString();
    try {
        Events.LoadFromIni(path, wipe, Clock::Today());
        eventsStamp = StampOf(path);
    } catch (const std::exception& error) {
        QMessageBox::warning(nullptr, Constants::MainCaption, QString::fromLocal8Bit(error.what()));
    }
}

bool TfrmMain::SaveEvents()
{
    if (saveUnsaved())
        return true;
    reportSaveFailure();
    return false;
}

// Writes the changes not yet in the file, on top of the file as it is now (another program
// may have written it since). A change that cannot be written stays in memory and in the
// list, and every later change tries again.
bool TfrmMain::saveUnsaved()
{
    const int wipe = bWipe ? iWipePeriod : 0;
    try {
        UpdateEventsFile(
            GUI->EventsFilePath().toStdString(), Events, wipe, Clock::Today(),
            [this](TEvents& events) {
                for (const auto& change : unsaved)
                    change(events);
            },
            eventsStamp);
        unsaved.clear();
        saveFailure.clear();
        return true;
    } catch (const std::exception& error) {
        saveFailure = QString::fromLocal8Bit(error.what());
        return false;
    }
}

void TfrmMain::reportSaveFailure()
{
    UpdateStatusBar();
    QMessageBox::critical(this, Constants::MainCaption, saveFailure);
}

// Closing with changes that could not be saved asks what to do with them; false keeps the
// program open.
bool TfrmMain::settleUnsavedChanges()
{
    while (!unsaved.empty()) {
        QString where = saveFailure;
        for (const QString& prefix : {QString("Unable to write to "), QString("Unable to read ")})
            if (where.startsWith(prefix))
                where = where.mid(prefix.size());
        QMessageBox box(QMessageBox::Warning, Constants::MainCaption,
                        "Your last changes could not be saved to " + where + ".",
                        QMessageBox::Retry | QMessageBox::Discard, this);
        box.setObjectName("UnsavedChangesQuestion");
        QPushButton* saveAs = box.addButton("Save As...", QMessageBox::ActionRole);
        saveAs->setObjectName("BSaveAs");
        box.setDefaultButton(QMessageBox::Retry);
        box.setEscapeButton(QMessageBox::Retry);
        box.exec();
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
            } catch (const std::exception& error) {
                saveFailure = QString::fromLocal8Bit(error.what());
            }
            continue;
        }
        saveUnsaved();
    }
    return true;
}

// Every change of the store: recorded by the caller for undo, written on top of the file,
// then every display shows the result (which holds what others wrote meanwhile).
void TfrmMain::changeEvents(std::function<void(TEvents&)> change)
{
    unsaved.push_back(std::move(change));
    const bool saved = saveUnsaved(); // the store holds the change either way
    refreshAfterChange();
    if (!saved)
        reportSaveFailure();
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
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

void TfrmMain::FormClose()
{
    if (closed)
        return;
    closed = true;
    Timer1->stop();

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
    } catch (const std::exception& error) {
        QMessageBox::warning(this, Constants::MainCaption, QString::fromLocal8Bit(error.what()));
    }
    try {
        WriteStartupEntry(
            QDir::toNativeSeparators(QApplication::applicationFilePath()).toStdString());
    } catch (const std::exception& error) {
        QMessageBox::warning(this, Constants::MainCaption, QString::fromLocal8Bit(error.what()));
    }
    if (TrayIcon)
        TrayIcon->hide();
}

// Where the frame's top-left stands now, asked of the window system: the toolkit's own idea of
// the position can lag behind what the window manager did with the window.
void TfrmMain::rememberFramePosition()
{
    if (!isVisible() || isMinimized() || isMaximized() || isFullScreen() || !windowHandle())
        return;
    const QMargins frame = windowHandle()->frameMargins();
    normalFramePos = mapToGlobal(QPoint(0, 0)) - QPoint(frame.left(), frame.top());
}

void TfrmMain::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    rememberFramePosition();
}

QPoint TfrmMain::KeepTitleBarOnScreen(const QRect& frame, const QList<QRect>& workAreas)
{
    constexpr int TitleBar = 24; // enough of the caption to take hold of it
    constexpr int Grip = 50;     // enough of the width to see it and drag it
    const QRect* best = nullptr;
    int bestArea = 0;
    for (const QRect& area : workAreas) {
        const QRect seen = frame.intersected(area);
        if (!seen.isEmpty() && seen.width() * seen.height() > bestArea) {
            bestArea = seen.width() * seen.height();
            best = &area;
        }
    }
    if (!best)
        return workAreas.isEmpty() ? frame.topLeft() : workAreas.first().topLeft();
    QPoint place = frame.topLeft();
    place.setY(std::clamp(place.y(), best->top(), std::max(best->top(), best->bottom() - TitleBar)));
    place.setX(std::clamp(place.x(), best->left() - frame.width() + Grip,
                          std::max(best->left(), best->right() - Grip)));
    return place;
}

void TfrmMain::Exit1Click()
{
    GUI->CloseMinimizes = false;
    close();
}

void TfrmMain::QueryShutdown()
{
    // A log-off cannot wait for an answer: one more try to save, then the usual close.
    if (!unsaved.empty())
        saveUnsaved();
    FormClose();
    QApplication::quit();
}

void TfrmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    // ApplicationEventsMinimize: a minimised program takes its reminder window along.
    if (frmReminder)
        frmReminder->hide();
    if (TrayIcon->isVisible())
        QTimer::singleShot(0, this, &TfrmMain::hideToTray);
}

void TfrmMain::hideToTray()
{
    if (isMinimized() && TrayIcon->isVisible())
        hide();
}

void TfrmMain::RestoreAndActivate()
{
    if (isMinimized() || !isVisible()) {
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        show();
    }
    raise();
    activateWindow();
}

bool TfrmMain::LivesInTray() const
{
    return !isVisible() && TrayIcon->isVisible();
}

void TfrmMain::SetTrayMode(bool on)
{
    // Without a notification area the program minimises to the task bar as usual.
    if (on && QSystemTrayIcon::isSystemTrayAvailable())
        TrayIcon->show();
    else
        TrayIcon->hide();
}

void TfrmMain::ShowMonth(int index)
{
    if (index < 0 || index > 12)
        return;
    const TMonth& month = Months[index];
    Selection.ShownMonth = index;
    Selection.Month = month.Month;
    Selection.Year = month.Year;
    LMonthName->setText(MonthTitle(month.Month, month.Year));

    for (int i = 0; i < CellCount; ++i) {
        for (QWidget* w : {static_cast<QWidget*>(PDay[i]), static_cast<QWidget*>(LDay[i]),
                           static_cast<QWidget*>(LEvent[i])})
            w->setProperty("hint", QString());
        LDay[i]->clear();
        LEvent[i]->clear();
        setCellColours(i, Colors.EmptyCell, Colors.DayText, Colors.EventDayText);
        PDay[i]->setCursor(Qt::ArrowCursor);
        if (month.Day[i] > 0) {
            LDay[i]->setText(QString::number(month.Day[i]));
            LEvent[i]->setText(
                EventTextForDisplay(Events.EventsOfDate(month.Month, month.Day[i], month.Year, "\n")));
            setCellColours(i, Colors.CellBackground, Colors.DayText, Colors.EventDayText);
            PDay[i]->setProperty("hint", LEvent[i]->text());
            LEvent[i]->setProperty("hint", LEvent[i]->text());
            PDay[i]->setCursor(Qt::PointingHandCursor);
        }
    }

    if (bShowPNMonth) {
        const int prevMonth = month.Month == 1 ? 12 : month.Month - 1;
        const int prevYear = month.Month == 1 ? month.Year - 1 : month.Year;
        const int nextMonth = month.Month == 12 ? 1 : month.Month + 1;
        const int nextYear = month.Month == 12 ? month.Year + 1 : month.Year;
        const int prevDays = DaysInMonth(prevMonth, prevYear);
        const int firstWeekday = DayOfWeek(month.Month, 1, month.Year);
        int nextDay = 0;
        for (int i = 0; i < CellCount; ++i) {
            if (month.Day[i] != 0)
                continue;
            int d = 0;
            QString text;
            if (i < 6) {
                d = prevDays + 2 + i - firstWeekday;
                text = EventTextForDisplay(Events.EventsOfDate(prevMonth, d, prevYear, "\n"));
            } else if (i > 6) {
                d = ++nextDay;
                text = EventTextForDisplay(Events.EventsOfDate(nextMonth, d, nextYear, "\n"));
            } else {
                continue;
            }
            LDay[i]->setText(QString::number(d));
            LEvent[i]->setText(text);
            setCellColours(i, Colors.EmptyCell, Colors.OtherMonthText, Colors.OtherMonthText);
            LEvent[i]->setProperty("hint", text);
        }
    }

    for (int row = 0; row < 6; ++row) {
        for (int cell : {row * 7, row * 7 + 6}) {
            if (FromQColor(PDay[cell]->palette().color(QPalette::Window)) != Colors.EmptyCell)
                setCellColours(cell, Colors.WeekendCell,
                               FromQColor(LDay[cell]->palette().color(QPalette::WindowText)),
                               FromQColor(LEvent[cell]->palette().color(QPalette::WindowText)));
        }
    }

    if (index == 1 && Today.TodayCell >= 0 && Today.TodayCell < CellCount) {
        const int cell = Today.TodayCell;
        setCellColours(cell, Colors.TodayCell,
                       FromQColor(LDay[cell]->palette().color(QPalette::WindowText)),
                       FromQColor(LEvent[cell]->palette().color(QPalette::WindowText)));
    }

    SBMonths->markShown(index);
    LPrevMonth->setVisible(index > 0);
    LNextMonth->setVisible(index < 12);
}

void TfrmMain::setCellColours(int cell, std::uint32_t background, std::uint32_t dayText,
                              std::uint32_t eventText)
{
    SetBackground(PDay[cell], background);
    SetBackground(LDay[cell], background);
    SetTextColour(LDay[cell], dayText);
    SetTextColour(LEvent[cell], eventText);
}

void TfrmMain::FormResize()
{
    const int W = PMonth->width();
    const int H = PMonth->height();
    const int a = W / 7;
    const int r = W % 7;
    const int b = (H - 34) / 6;

    PMonthName->setGeometry(1, 1, W - 2, 17);
    LMonthName->setGeometry(1, 1, W - 4, 15);
    for (int c = 0; c < 7; ++c)
        STWeekDay[c]->setGeometry(a * c + 1, 19, c == 6 ? a + r - 2 : a + 1, 17);
    for (int i = 0; i < CellCount; ++i) {
        const int row = i / 7;
        const int column = i % 7;
        const int width = column == 6 ? a + r - 4 : a - 1;
        const int height = row == 5 ? H - 5 * b - 38 : b - 1;
        PDay[i]->setGeometry(a * column + 2, b * row + 36, width, height);
        LDay[i]->setGeometry(width - 25, 2, 20, 16);
        LEvent[i]->setGeometry(6, 18, width - 9, height - 22);
    }
    const int middle = LMonthName->width() / 2;
    LPrevMonth->move(middle - 100, 2);
    LNextMonth->move(middle + 100 - LNextMonth->width(), 2);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PMonth && event->type() == QEvent::Resize) {
        FormResize();
        return false;
    }
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        const QSize size = centralWidget()->size();
        SBMonths->setGeometry(0, 0, SBMonths->width(), size.height());
        PMonth->setGeometry(SBMonths->width(), 0, size.width() - SBMonths->width(),
                            size.height());
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return QMainWindow::eventFilter(watched, event);

    if (event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !widget->rect().contains(mouse->pos()))
            return false;
        if (widget == LPrevMonth) {
            LPrevMonthClick();
            return true;
        }
        if (widget == LNextMonth) {
            LNextMonthClick();
            return true;
        }
        if (widget->property("column").isValid()) {
            WeekdayHeaderClick(widget->property("column").toInt());
            return true;
        }
        if (widget->property("cell").isValid()) {
            hint->takeDown();
            DayCellClick(widget->property("cell").toInt());
            return true;
        }
    } else if (event->type() == QEvent::Enter && widget->property("cell").isValid()) {
        showCellHint(widget->property("cell").toInt(), widget);
    } else if (event->type() == QEvent::Leave && widget->property("cell").isValid()) {
        const int cell = widget->property("cell").toInt();
        if (!PDay[cell]->rect().contains(PDay[cell]->mapFromGlobal(QCursor::pos())))
            hint->takeDown();
    }
    return QMainWindow::eventFilter(watched, event);
}

// ShowCellHint: the whole text laid exactly over the cell's text, only when the cell cuts it off.
void TfrmMain::showCellHint(int cell, QWidget* control)
{
    QString text = control->property("hint").toString();
    if (control == LDay[cell])
        text = PDay[cell]->property("hint").toString();
    if (text.isEmpty()) {
        hint->takeDown();
        return;
    }
    QLabel* label = LEvent[cell];
    const QFontMetrics metrics(LSize->font());
    const QRect needed = metrics.boundingRect(QRect(0, 0, label->width(), 100000),
                                              Qt::TextWordWrap | Qt::AlignLeft, label->text());
    if (label->height() < needed.height() || label->width() < needed.width()) {
        // Wrapped to between one and two cells' width, up while the pointer is on the cell.
        THintWindow::Placement placement;
        placement.MinWidth = PDay[cell]->width();
        placement.MaxWidth = 2 * PDay[cell]->width();
        placement.Area = QRect(PDay[cell]->mapToGlobal(QPoint(0, 0)), PDay[cell]->size());
        hint->showAt(label->mapToGlobal(QPoint(0, 0)), text, placement);
    } else
        hint->takeDown();
}

void TfrmMain::DayCellClick(int cell)
{
    OpenDayEditor(cell);
}

void TfrmMain::WeekdayHeaderClick(int column)
{
    if (column < 0 || column > 6)
        return;
    const int cell = Months[Selection.ShownMonth].Day[column] != 0 ? column : column + 7;
    frmDay->FocusWeekly = true;
    OpenDayEditor(cell);
}

void TfrmMain::LPrevMonthClick()
{
    PlayClick();
    if (Selection.ShownMonth > 0)
        ShowMonth(Selection.ShownMonth - 1);
    SBMonths->setScrollPosition(Selection.ShownMonth * (SBMonths->scrollRange() / 13));
}

void TfrmMain::LNextMonthClick()
{
    PlayClick();
    if (Selection.ShownMonth < 12)
        ShowMonth(Selection.ShownMonth + 1);
    SBMonths->setScrollPosition(Selection.ShownMonth * (SBMonths->scrollRange() / 13));
}

void TfrmMain::OpenDayEditor(int cell)
{
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
void TfrmMain::saveDayEditor()
{
    const TSelection& at = frmDay->Target;
    const bool changed = frmDay->MOnce->edited() || frmDay->MWeekly->edited() ||
                         frmDay->MMonthly->edited() || frmDay->MYearly->edited() ||
                         frmDay->MDayWeekly->edited();
    if (!changed)
        return;
    History.RecordDate(Events, at.Month, at.Day, at.Year, at.Weekday, at.Nth,
                       "&Undo changes of " + FormatDate(at.Month, at.Day, at.Year));
    // Only what the user changed: the file may hold other news for the untouched texts.
    const auto text = [](const TMemo* memo) {
        return memo->edited() ? std::optional<std::string>(memo->storedText()) : std::nullopt;
    };
    changeEvents([at, once = text(frmDay->MOnce), weekly = text(frmDay->MWeekly),
                  monthly = text(frmDay->MMonthly), yearly = text(frmDay->MYearly),
                  nth = text(frmDay->MDayWeekly)](TEvents& events) {
        if (once)
            events.SetOnce(at.Month, at.Day, at.Year, *once);
        if (weekly)
            events.SetWeekly(at.Weekday, *weekly);
        if (monthly)
            events.SetMonthly(at.Day, *monthly);
        if (yearly)
            events.SetYearly(at.Month, at.Day, *yearly);
        if (nth)
            events.SetNWeekdayly(at.Nth, at.Weekday, at.Month, *nth);
    });
}

void TfrmMain::Undo1Click()
{
    if (auto undo = History.TakeLast())
        changeEvents(std::move(undo));
}

void TfrmMain::updateUndoItem()
{
    const std::string caption = History.Caption();
    Undo1->setEnabled(!caption.empty());
    Undo1->setText(caption.empty() ? QString("&Undo") : QString::fromStdString(caption));
}

// After every change of the store: displays first, then the file, then a visible reminder.
void TfrmMain::refreshAfterChange()
{
    FillMonths(Months, Events, Clock::Today());
    FillMonthStrip();
    ShowMonth(Selection.ShownMonth);
    UpdateStatusBar();
    updateUndoItem();
    if (frmReminder && frmReminder->isVisible())
        frmReminder->FormShow();
}

void TfrmMain::GoToDate(int month, int day, int year)
{
    for (int k = 0; k <= 12; ++k) {
        if (Months[k].Month != month || Months[k].Year != year)
            continue;
        PlayClick();
        ShowMonth(k);
        int cell = -1;
        for (int i = 0; i < CellCount; ++i) {
            if (Months[k].Day[i] == day) {
                cell = i;
                break;
            }
        }
        if (cell < 0)
            return;
        moveFindDialogAside(cell);
        if (flashCell >= 0)
            SetTextColour(LEvent[flashCell], Colors.EventDayText);
        flashCell = cell;
        flashPass = 0;
        flashPhase = 0;
        flashStep();
        return;
    }
}

// Five passes: highlight, wait (500 ms first, then 60 ms), back to normal, wait 60 ms (+120 ms
// after the first pass).
void TfrmMain::flashStep()
{
    if (flashCell < 0 || flashPass < 0)
        return;
    if (flashPhase == 0) {
        SetTextColour(LEvent[flashCell], Colors.LinkHover);
        SetTextColour(LDay[flashCell], Colors.LinkHover);
        flashPhase = 1;
        flashTimer->start(flashPass == 0 ? 500 : 60);
        return;
    }
    SetTextColour(LEvent[flashCell], Colors.EventDayText);
    SetTextColour(LDay[flashCell], Colors.DayText);
    flashPhase = 0;
    const int wait = flashPass == 0 ? 180 : 60;
    if (++flashPass >= 5) {
        flashPass = -1;
        flashCell = -1;
        return;
    }
    flashTimer->start(wait);
}

void TfrmMain::moveFindDialogAside(int cell)
{
    QWidget* dialog = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "frmFind" && top->isVisible())
            dialog = top;
    if (!dialog)
        return;
    const QRect cellRect(PDay[cell]->mapToGlobal(QPoint(0, 0)), PDay[cell]->size());
    QRect box = dialog->frameGeometry();
    if (!box.intersects(cellRect))
        return;
    const QScreen* screen = PDay[cell]->screen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 0, 0);
    if (box.width() < cellRect.left() - area.left())
        box.moveRight(cellRect.left() - 1);
    else if (box.width() < area.right() - cellRect.right())
        box.moveLeft(cellRect.right() + 1);
    else if (box.height() < area.bottom() - cellRect.bottom())
        box.moveTop(cellRect.bottom() + 1);
    else if (box.height() < cellRect.top() - area.top())
        box.moveBottom(cellRect.top() - 1);
    else
        return;
    dialog->move(box.topLeft());
}

void TfrmMain::FillMonthStrip()
{
    SBMonths->fill();
}

void TfrmMain::UpdateStatusBar()
{
    QString text = EventTextFromBytes(
        Events.EventsOfDate(Today.TodayMonth, Today.TodayDay, Today.TodayYear, ", "));
    text.replace("\r\n", " ");
    if (text.isEmpty())
        text = "Nothing is planned";
    // Changes that are only in memory are said first, where they cannot be missed.
    const QString notSaved =
        unsaved.empty() ? QString() : "Not saved (" + saveFailure + ") - ";
    SBMain->setStatusText(notSaved + "Today is " + QString::fromStdString(DayNames[Today.TodayWeekday]) +
                          ", " + QString::fromStdString(MonthNames[Today.TodayMonth]) + " " +
                          QString::number(Today.TodayDay) + ": " + text);
}

void TfrmMain::SBMainClick()
{
    GoToDate(Today.TodayMonth, Today.TodayDay, Today.TodayYear);
}

void TfrmMain::Timer1Timer()
{
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

int TfrmMain::ReminderSlideDelay(int workAreaHeight, int windowHeight)
{
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
void TfrmMain::PopUpReminder()
{
    if (!frmReminder)
        return;
    const QScreen* screen = QGuiApplication::primaryScreen();
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

QMargins TfrmMain::reminderFrameMargins()
{
    const QWindow* reminder = frmReminder ? frmReminder->windowHandle() : nullptr;
    if (reminder && frmReminder->isVisible() && !reminder->frameMargins().isNull())
        knownReminderFrame = reminder->frameMargins();
    if (!knownReminderFrame.isNull())
        return knownReminderFrame;
    return windowHandle() && isVisible() ? windowHandle()->frameMargins() : QMargins();
}

QSize TfrmMain::reminderFrameSize()
{
    const QMargins frame = reminderFrameMargins();
    return frmReminder->size().grownBy(frame);
}

// A window taller than the work area is cut so that its whole frame fits.
void TfrmMain::fitReminderToWorkArea()
{
    const QMargins frame = reminderFrameMargins();
    const int tallest = slideArea.height() - frame.top() - frame.bottom();
    if (frmReminder->height() > tallest)
        frmReminder->resize(frmReminder->width(), std::max(tallest, 1));
}

void TfrmMain::placeReminder()
{
    const QSize frame = reminderFrameSize();
    const int right = slideArea.left() + slideArea.width();
    const int bottom = slideArea.top() + slideArea.height();
    frmReminder->move(right - frame.width(), bottom - std::min(slideRow, frame.height()));
}

void TfrmMain::slideStep()
{
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
        return;
    }
    ++slideRow;
    slideTimer->start();
}

void TfrmMain::ActionPrefExecute()
{
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

void TfrmMain::AShowReminderExecute()
{
    PopUpReminder();
}

void TfrmMain::AFindExecute()
{
    if (frmFind)
        frmFind->exec();
}

void TfrmMain::ActionPrintExecute()
{
    if (frmPrint)
        frmPrint->OpenForMonthView(this);
}

void TfrmMain::MenuAboutClick()
{
    if (frmAbout)
        frmAbout->exec();
}

void TfrmMain::New1Click()
{
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
    changeEvents([](TEvents& events) { events.Clear(); });
}

void TfrmMain::menuReadmeClick()
{
    OpenWithDesktop(QUrl::fromLocalFile(ReadmeFilePath(GUI->AppDir)), this);
}

void TfrmMain::menuWebClick()
{
    OpenWithDesktop(QUrl(Constants::WebAddress), this);
}

void TfrmMain::Action1Execute()
{
    GUI->ShowHelpTopic("::/HTML/Getting_Started.html");
}
