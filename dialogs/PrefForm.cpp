#include "PrefForm.h"

#include "Fonts.h"
#include "GUI.h"
#include "Preferences.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <algorithm>
#include <iterator>

TfrmPref *frmPref = nullptr;

namespace {

constexpr int WipePeriodMin = 1;
constexpr int WipePeriodMax = 99;

} // namespace

TfrmPref::TfrmPref(QWidget *parent) : QDialog(parent) {
    setObjectName("frmPref");
    setWindowTitle("Preferences - Quorva");
    setFont(UiFont("Tahoma", 11));
    setFixedSize(443, 258);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Panel1 = createPanel(this, "Panel1", QRect(0, 0, 443, 221));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    createStartupGroup();
    createViewGroup();
    createReminderGroup();
    createWipeGroup();
    createButtons();
    createHelpAction();
    setTabOrder();
}

QGroupBox *TfrmPref::createGroup(const char *name, const QString &title, const QRect &geometry) {
    auto *group = new QGroupBox(title, Panel1);
    group->setObjectName(name);
    group->setGeometry(geometry);
    return group;
}

QCheckBox *TfrmPref::createCheckBox(QWidget *parent, const char *name, const QString &caption,
                                    const QPoint &at) {
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setGeometry(at.x(), at.y(), parent->width() - at.x() - 4, 17);
    return box;
}

QRadioButton *TfrmPref::createRadioButton(QWidget *parent, const char *name, const QString &caption,
                                          const QRect &geometry) {
    auto *button = new QRadioButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}

QFrame *TfrmPref::createPanel(QWidget *parent, const char *name, const QRect &geometry) {
    auto *panel = new QFrame(parent);
    panel->setObjectName(name);
    panel->setFrameStyle(QFrame::NoFrame);
    panel->setGeometry(geometry);
    return panel;
}

void TfrmPref::createStartupGroup() {
    GroupBox1 = createGroup("GroupBox1", " Windows Startup ", QRect(8, 8, 193, 97));
    CBStartUp = createCheckBox(GroupBox1, "CBStartUp", "Load Quorva at startup", {12, 20});
    CBStartUpMin = createCheckBox(GroupBox1, "CBStartUpMin", "Load minimized", {28, 44});
    CBCloseAfterStart =
        createCheckBox(GroupBox1, "CBCloseAfterStart", "Close if there is no reminder", {28, 68});
    connect(CBStartUp, &QCheckBox::toggled, this, &TfrmPref::CBStartUpClick);
}

void TfrmPref::createViewGroup() {
    GroupBox2 = createGroup("GroupBox2", " View ", QRect(8, 112, 193, 97));
    CBPNMonth = createCheckBox(GroupBox2, "CBPNMonth", "Show past and next month", {12, 20});
    CBMinToTray = createCheckBox(GroupBox2, "CBMinToTray", "Minimize to tray", {12, 44});
    CBMinOnClose = createCheckBox(GroupBox2, "CBMinOnClose", "Minimize on close", {28, 68});
    connect(CBMinToTray, &QCheckBox::toggled, this, &TfrmPref::CBMinToTrayClick);
}

void TfrmPref::createReminderGroup() {
    GroupBox3 = createGroup("GroupBox3", " Reminder ", QRect(212, 8, 221, 201));
    CBReminder = createCheckBox(GroupBox3, "CBReminder", "Enable reminder", {12, 20});
    PReminder = createPanel(GroupBox3, "PReminder", QRect(20, 40, 197, 81));
    RBThisDay = createRadioButton(PReminder, "RBThisDay", "Track today's events only",
                                  QRect(8, 4, 185, 17));
    RBPeriod = createRadioButton(PReminder, "RBPeriod",
                                 "Track events in this period ahead:", QRect(8, 28, 189, 17));
    Panel2 = createPanel(PReminder, "Panel2", QRect(23, 57, 121, 24));

    TBPeriod = new QSlider(Qt::Horizontal, Panel2);
    TBPeriod->setObjectName("TBPeriod");
    TBPeriod->setGeometry(0, 0, 121, 24);
    TBPeriod->setRange(1, 14);
    TBPeriod->setValue(1);
    TBPeriod->setPageStep(1);
    TBPeriod->setSingleStep(1);
    TBPeriod->setTickInterval(1);
    TBPeriod->setTickPosition(QSlider::TicksBelow);

    LPeriod = new QLabel("LPeriod", PReminder);
    LPeriod->setObjectName("LPeriod");
    LPeriod->setGeometry(150, 60, 47, 14);

    connect(CBReminder, &QCheckBox::toggled, this, &TfrmPref::CBReminderClick);
    connect(RBThisDay, &QRadioButton::toggled, this, &TfrmPref::RBThisDayClick);
    connect(RBPeriod, &QRadioButton::toggled, this, &TfrmPref::RBThisDayClick);
    connect(TBPeriod, &QSlider::valueChanged, this, &TfrmPref::TBPeriodChange);
}

// Past events handling is not offered to the user: the group stays hidden and disabled, and
// its two values pass through the dialog as they came.
void TfrmPref::createWipeGroup() {
    GroupBox4 = createGroup("GroupBox4", " Past Events Handling ", QRect(432, 32, 221, 77));
    RWipe = createRadioButton(GroupBox4, "RWipe", "Wipe out after ", QRect(12, 20, 92, 17));
    LWipePeriod = new QLabel("12", GroupBox4);
    LWipePeriod->setObjectName("LWipePeriod");
    LWipePeriod->setAlignment(Qt::AlignCenter);
    LWipePeriod->setGeometry(104, 20, 20, 17);
    UWipePeriod = new QSpinBox(GroupBox4);
    UWipePeriod->setObjectName("UWipePeriod");
    UWipePeriod->setRange(WipePeriodMin, WipePeriodMax);
    UWipePeriod->setValue(12);
    UWipePeriod->setWrapping(false);
    UWipePeriod->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    UWipePeriod->setGeometry(124, 18, 40, 21);
    LMonths = new QLabel("month(s)", GroupBox4);
    LMonths->setObjectName("LMonths");
    LMonths->setGeometry(168, 20, 48, 17);
    RNeverWipe =
        createRadioButton(GroupBox4, "RNeverWipe", "Never wipe out", QRect(12, 48, 150, 17));
    GroupBox4->setEnabled(false);
    GroupBox4->hide();

    connect(RWipe, &QRadioButton::toggled, this, &TfrmPref::RWipeClick);
    connect(RNeverWipe, &QRadioButton::toggled, this, &TfrmPref::RWipeClick);
    connect(UWipePeriod, &QSpinBox::valueChanged, this, &TfrmPref::UWipePeriodClick);
}

void TfrmPref::createButtons() {
    BHelp = new QPushButton("&Help", this);
    BHelp->setObjectName("BHelp");
    BHelp->setGeometry(8, 227, 75, 25);
    connect(BHelp, &QPushButton::clicked, this, &TfrmPref::AHelpExecute);

    BOk = new QPushButton("OK", this);
    BOk->setObjectName("BOk");
    BOk->setGeometry(276, 227, 75, 25);
    BOk->setDefault(true);
    connect(BOk, &QPushButton::clicked, this, &TfrmPref::BOkClick);

    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(360, 227, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmPref::createHelpAction() {
    auto *help = new QAction("&Help", this);
    help->setObjectName("AHelp");
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(help, &QAction::triggered, this, &TfrmPref::AHelpExecute);
    addAction(help);
}

void TfrmPref::setTabOrder() {
    QWidget *const order[] = {BOk,          Button2,           BHelp,       CBStartUp,
                              CBStartUpMin, CBCloseAfterStart, CBMinToTray, CBPNMonth,
                              CBMinOnClose, CBReminder,        RBThisDay,   RBPeriod,
                              TBPeriod};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TfrmPref::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    centreOnDesktop();
    FormShow();
}

void TfrmPref::centreOnDesktop() {
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

// Setting a box that changes state runs its handler through the toggled signal; the explicit
// calls cover the boxes that keep their state, so the rules hold after every step.
void TfrmPref::FormShow() {
    CBStartUp->setChecked(bLoadAtStartup);
    CBStartUpMin->setChecked(bStartUpMin);
    CBCloseAfterStart->setChecked(bCloseIfNoReminder);
    CBStartUpClick();

    CBMinToTray->setChecked(bMinToTray);
    CBMinOnClose->setEnabled(bMinToTray);
    CBMinOnClose->setChecked(bMinOnClose);

    CBPNMonth->setChecked(bShowPNMonth);

    CBReminder->setChecked(bReminder);
    CBReminderClick();

    if (iRemThreshold != 0) {
        RBPeriod->setChecked(true);
        TBPeriod->setValue(iRemThreshold); // the track bar keeps it within 1 .. 14
    } else {
        RBThisDay->setChecked(true);
    }
    TBPeriodChange();

    RWipe->setChecked(bWipe);
    RNeverWipe->setChecked(!bWipe);
    UWipePeriod->setValue(iWipePeriod);
    UWipePeriodClick();
}

void TfrmPref::BOkClick() {
    bLoadAtStartup = CBStartUp->isChecked();
    bStartUpMin = CBStartUpMin->isChecked();
    bCloseIfNoReminder = CBCloseAfterStart->isChecked();
    bMinToTray = CBMinToTray->isChecked();
    bMinOnClose = CBMinOnClose->isChecked();
    bShowPNMonth = CBPNMonth->isChecked();
    bReminder = CBReminder->isChecked();
    if (CBReminder->isChecked())
        iRemThreshold = RBThisDay->isChecked() ? 0 : TBPeriod->value();
    // The up-down shows only 1 .. 99: a stored period outside that range is kept unless the
    // up-down was moved away from what it showed.
    if (UWipePeriod->value() != std::clamp(iWipePeriod, WipePeriodMin, WipePeriodMax))
        iWipePeriod = UWipePeriod->value();
    bWipe = RWipe->isChecked();
    accept();
}

void TfrmPref::CBStartUpClick() {
    const bool on = CBStartUp->isChecked();
    CBStartUpMin->setEnabled(on);
    CBCloseAfterStart->setEnabled(on);
}

void TfrmPref::CBMinToTrayClick() {
    CBMinOnClose->setEnabled(CBMinToTray->isChecked());
}

void TfrmPref::CBReminderClick() {
    const bool on = CBReminder->isChecked();
    for (QWidget *control : {static_cast<QWidget *>(RBThisDay), static_cast<QWidget *>(RBPeriod),
                             static_cast<QWidget *>(Panel2), static_cast<QWidget *>(LPeriod)})
        control->setEnabled(on);
    RBThisDayClick();
}

void TfrmPref::RBThisDayClick() {
    const bool on = RBPeriod->isChecked() && RBPeriod->isEnabled();
    TBPeriod->setEnabled(on);
    LPeriod->setEnabled(on);
    if (on)
        TBPeriod->setFocus();
}

void TfrmPref::TBPeriodChange() {
    const int days = TBPeriod->value();
    LPeriod->setText(days == 1 ? QString("1 day") : QString::number(days) + " days");
}

void TfrmPref::RWipeClick() {
    UWipePeriod->setEnabled(RWipe->isChecked());
}

void TfrmPref::UWipePeriodClick() {
    LWipePeriod->setText(QString::number(UWipePeriod->value()));
}

void TfrmPref::AHelpExecute() {
    if (GUI)
        GUI->ShowHelpTopic("::/HTML/Getting_Started.html#Preferences");
}
