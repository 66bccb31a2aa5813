#include "ReminderForm.h"

#include "Clock.h"
#include "Colors.h"
#include "EventText.h"
#include "Fonts.h"
#include "GUI.h"
#include "MainOps.h"
#include "Pool.h"
#include "Preferences.h"
#include "Sound.h"

#include <QAction>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>
#include <cstdlib>
#include <iterator>

TfrmReminder *frmReminder = nullptr;

namespace {

constexpr const char *TagProperty = "tag";
// A spacer is one line of 4-point text high (5 pixels at 96 dots per inch).
constexpr int SpacerFontPixels = 5;

int TagOf(const QObject *object) {
    return object->property(TagProperty).toInt();
}

void PaintWhite(QWidget *widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}


QString Heading(long long daysAhead) {
    if (daysAhead == 0)
        return "Today";
    if (daysAhead == 1)
        return "Tomorrow";
    return "In " + QString::number(daysAhead) + " days";
}

QString EntryText(TDateTime date, const std::string &events, std::chrono::sys_days today) {
    const std::chrono::year_month_day ymd = DecodeDate(date);
    const int year = int(ymd.year());
    const int month = int(unsigned(ymd.month()));
    const int day = int(unsigned(ymd.day()));
    const long long daysAhead = std::llabs((ToSysDays(date) - today).count());
    return Heading(daysAhead) + ", on " +
           QString::fromStdString(DayNames[DayOfWeek(month, day, year)]) + ", " +
           QString::fromStdString(MonthNames[month]) + " " + QString::number(day) + ":\n" +
           EventTextForDisplay(events);
}

} // namespace

TfrmReminder::TfrmReminder(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    // A tool window takes no task-bar entry of its own, so showing it while the program lives
    // in the notification area brings none back.
    setObjectName("frmReminder");
    setWindowTitle("Reminder - Quorva");
    setFont(UiFont("Tahoma", 11));
    createControls();
    createHelpAction();
    FormCreate();
}

void TfrmReminder::FormCreate() {
    int height = 136;
    int width = 220;
    ReadReminderSize(height, width);
    resize(width, height);
}

void TfrmReminder::createControls() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    PaintWhite(Panel1);
    auto *window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->addWidget(Panel1);

    SBRem = new QScrollArea(Panel1);
    SBRem->setObjectName("SBRem");
    SBRem->setFrameStyle(QFrame::NoFrame);
    SBRem->setWidgetResizable(true);
    SBRem->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SBRem->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    PaintWhite(SBRem);
    auto *panel = new QVBoxLayout(Panel1);
    panel->setContentsMargins(3, 3, 3, 3); // the bevel and a border of 2
    panel->addWidget(SBRem);

    content = new QWidget;
    content->setObjectName("SBRemContent");
    PaintWhite(content);
    stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addStretch(1);
    SBRem->setWidget(content);

    LFirst = addEntry(0, QString());
    LFirst->setObjectName("LFirst");
}

void TfrmReminder::createHelpAction() {
    auto *help = new QAction("&Help", this);
    help->setObjectName("AHelp");
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, this, &TfrmReminder::AHelpExecute);
    addAction(help);
}

QString TfrmReminder::NothingPlannedText(int days) {
    QString period;
    if (days <= 0)
        period = "today";
    else if (days == 1)
        period = "today and tomorrow";
    else
        period = "the next " + QString::number(days) + " days";
    return "Nothing is planned for " + period + ".";
}

void TfrmReminder::FormShow() {
    const std::chrono::sys_days today = Clock::Today();
    Reminders = Events.BuildReminders(ReminderLookAhead(), today);
    removeRunTimeLabels();
    if (!bReminder)
        LFirst->setText(DisabledText);
    else if (!Reminders.empty())
        buildEntries(today);
    else
        LFirst->setText(NothingPlannedText(ReminderLookAhead()));
    SBRemResize();
}

// The labels leave the window at once, but are deleted only when control is back in the event
// loop: the click that caused the rebuild may still be running in one of them.
void TfrmReminder::removeRunTimeLabels() {
    const QList<QLabel *> labels = content->findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    for (QLabel *label : labels) {
        if (TagOf(label) <= 0)
            continue;
        stack->removeWidget(label);
        label->hide();
        label->setParent(nullptr);
        label->deleteLater();
    }
}

void TfrmReminder::buildEntries(std::chrono::sys_days today) {
    int tag = 0;
    for (const auto &[date, events] : Reminders) {
        const QString text = EntryText(date, events, today);
        if (tag == 0) {
            LFirst->setText(text);
        } else {
            addSpacer();
            addEntry(tag, text);
        }
        ++tag;
    }
}

QLabel *TfrmReminder::addSpacer() {
    auto *spacer = new QLabel(content);
    spacer->setProperty(TagProperty, 1);
    spacer->setFont(UiFont("Tahoma", SpacerFontPixels));
    stack->insertWidget(stack->count() - 1, spacer);
    return spacer;
}

QLabel *TfrmReminder::addEntry(int tag, const QString &text) {
    auto *label = new QLabel(text, content);
    label->setProperty(TagProperty, tag);
    label->setTextFormat(Qt::PlainText); // event texts are never markup
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setCursor(Qt::PointingHandCursor);
    PaintWhite(label);
    setLinkColour(label, false);
    label->installEventFilter(this);
    stack->insertWidget(stack->count() - 1, label);
    return label;
}

void TfrmReminder::SBRemResize() {
    for (QLabel *label : content->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        if (label->text().isEmpty() && label != LFirst)
            label->setFixedHeight(QFontMetrics(label->font()).height());
        label->updateGeometry();
    }
    stack->invalidate();
    stack->activate();
}

void TfrmReminder::setLinkColour(QLabel *label, bool hover) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ToQColor(hover ? Colors.LinkHover : Colors.Link));
    label->setPalette(palette);
}

bool TfrmReminder::eventFilter(QObject *watched, QEvent *event) {
    auto *label = qobject_cast<QLabel *>(watched);
    if (!label || label->parent() != content)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        setLinkColour(label, true);
        break;
    case QEvent::Leave:
        setLinkColour(label, false);
        break;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint()))
            LFirstClick(TagOf(label));
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmReminder::LFirstClick(int tag) {
    PlayClick();
    if (!MainOps)
        return;
    if (!bReminder) {
        MainOps->ActionPrefExecute();
        return;
    }
    MainOps->RestoreAndActivate();
    if (Reminders.empty()) {
        MainOps->SBMainClick();
        return;
    }
    activateWindow();
    if (tag < 0 || tag >= int(Reminders.size()))
        return;
    const std::chrono::year_month_day ymd = DecodeDate(std::next(Reminders.begin(), tag)->first);
    MainOps->GoToDate(int(unsigned(ymd.month())), int(unsigned(ymd.day())), int(ymd.year()));
}

void TfrmReminder::AHelpExecute() {
    if (GUI)
        GUI->ShowHelpTopic("::/HTML/Getting_Started.html#Reminder");
}

void TfrmReminder::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // The window system's own shows (un-minimising) keep the contents as they are.
    if (!event->spontaneous())
        FormShow();
}

void TfrmReminder::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
