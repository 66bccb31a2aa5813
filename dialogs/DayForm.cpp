#include "DayForm.h"

#include "Colors.h"
#include "EventText.h"
#include "Fonts.h"
#include "GUI.h"
#include "Pool.h"
#include "Today.h"

#include <QAction>
#include <QButtonGroup>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <utility>

TfrmDay* frmDay = nullptr;

namespace {

void Paint(QWidget* widget, QPalette::ColorRole role, std::uint32_t colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, ToQColor(colour));
    widget->setPalette(palette);
}

} // namespace

TMemo::TMemo(int lineLimit, QWidget* parent) : QPlainTextEdit(parent), limit(lineLimit)
{
    setFont(UiFont("Tahoma", 13));
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Paint(this, QPalette::Text, Colors.EventDayText);
    connect(this, &QPlainTextEdit::textChanged, this, &TMemo::MemosWMYChange);
}

int TMemo::displayedLines() const
{
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        lines += layout && layout->lineCount() > 0 ? layout->lineCount() : 1;
    }
    return lines;
}

// The scroll bar shows only when the text has more lines than the memo's limit.
void TMemo::MemosWMYChange()
{
    enforceLength();
    const QTextCursor caret = textCursor();
    setVerticalScrollBarPolicy(displayedLines() > limit ? Qt::ScrollBarAlwaysOn
                                                        : Qt::ScrollBarAlwaysOff);
    setTextCursor(caret);
}

void TMemo::setStoredText(const std::string& bytes)
{
    storedBytes = bytes;
    setPlainText(EventTextForDisplay(bytes));
    shownText = toPlainText();
}

std::string TMemo::storedText() const
{
    return edited() ? EventTextToBytes(toPlainText()) : storedBytes;
}

void TMemo::enforceLength()
{
    const QString text = toPlainText();
    if (text.size() <= MaxLength)
        return;
    QTextCursor cursor(document());
    cursor.setPosition(MaxLength);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void TMemo::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    MemosWMYChange();
}

// Esc in any memo closes the editor as Cancel.
void TMemo::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        if (auto* dialog = qobject_cast<QDialog*>(window()))
            dialog->reject();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

TfrmDay::TfrmDay(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmDay");
    setWindowTitle("Planned Events - Quorva");
    setFont(UiFont("Tahoma", 11));
    setFixedSize(554, 321);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QWidget* left = createPanel(0);
    left->setObjectName("PLeft");
    STOnce = createHeader(left, "Label1", "STOnce", 2, 272);
    MOnce = createMemo(left, "MOnce", QRect(2, 19, 273, 115), 5);
    STMonthly = createHeader(left, "Label2", "STMonthly", 136, 271);
    MMonthly = createMemo(left, "MMonthly", QRect(2, 153, 273, 56), 2);
    STWeekly = createHeader(left, "Label3", "STWeekly", 211, 271);
    MWeekly = createMemo(left, "MWeekly", QRect(2, 228, 273, 56), 2);

    QWidget* right = createPanel(277);
    right->setObjectName("PRight");
    STYearly = createHeader(right, "Label4", "STYearly", 2, 272);
    MYearly = createMemo(right, "MYearly", QRect(2, 19, 273, 116), 2);
    STNDayWeekly = createHeader(right, "Label5", "STNDayWeekly", 136, 272);
    createOccurrenceButtons(right);
    MDayWeekly = createMemo(right, "MDayWeekly", QRect(50, 153, 225, 132), 2);

    createButtons();
    setTabOrder();

    auto* help = new QAction(this);
    help->setObjectName("AHelp");
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(help, &QAction::triggered, this, &TfrmDay::AHelpExecute);
    addAction(help);
}

QWidget* TfrmDay::createPanel(int left)
{
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(left, 0, 277, 287);
    return panel;
}

QLabel* TfrmDay::createHeader(QWidget* panel, const char* barName, const char* name, int top,
                              int barWidth)
{
    auto* bar = new QLabel(panel);
    bar->setObjectName(barName);
    bar->setGeometry(2, top, barWidth, 15);
    bar->setAutoFillBackground(true);
    Paint(bar, QPalette::Window, Colors.Accent);

    auto* header = new QLabel(panel);
    header->setObjectName(name);
    header->setGeometry(8, top, barWidth - 8, 15);
    header->setFont(UiFont("Tahoma", 11, true));
    Paint(header, QPalette::WindowText, 0xFFFFFF);
    return header;
}

TMemo* TfrmDay::createMemo(QWidget* panel, const char* name, const QRect& geometry,
                           int lineLimit)
{
    auto* memo = new TMemo(lineLimit, panel);
    memo->setObjectName(name);
    memo->setGeometry(geometry);
    return memo;
}

void TfrmDay::createOccurrenceButtons(QWidget* panel)
{
    occurrenceGroup = new QButtonGroup(this);
    occurrenceGroup->setExclusive(true);
    const char* captions[6] = {"1st", "2nd", "3rd", "4th", "5th", "Last"};
    const char* names[6] = {"RB1", "RB2", "RB3", "RB4", "RB5", "RBL"};
    for (int i = 0; i < 6; ++i) {
        auto* button = new QRadioButton(captions[i], panel);
        button->setObjectName(names[i]);
        button->setGeometry(6, 153 + 23 * i, 41, 17);
        const int tag = i < 5 ? i + 1 : 0;
        button->setProperty("tag", tag);
        occurrenceGroup->addButton(button, tag);
        occurrence[i] = button;
    }
    connect(occurrenceGroup, &QButtonGroup::idClicked, this, &TfrmDay::RB1Click);
}

void TfrmDay::createButtons()
{
    BHelp = new QPushButton("&Help", this);
    BHelp->setObjectName("BHelp");
    BHelp->setGeometry(8, 292, 75, 25);
    connect(BHelp, &QPushButton::clicked, this, &TfrmDay::AHelpExecute);

    BSave = new QPushButton("&Save", this);
    BSave->setObjectName("BSave");
    BSave->setGeometry(389, 292, 75, 25);
    BSave->setDefault(true);
    connect(BSave, &QPushButton::clicked, this, &QDialog::accept);

    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    Button2->setGeometry(473, 292, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    LChanged = new QLabel(this);
    LChanged->setObjectName("LChanged");
    LChanged->setGeometry(90, 290, 292, 30);
    LChanged->setWordWrap(true);
    LChanged->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    LChanged->setFont(UiFont("Tahoma", 10));
    Paint(LChanged, QPalette::WindowText, 0x800000); // navy
    LChanged->hide();
}

void TfrmDay::showNotice(const QString& text)
{
    LChanged->setText(text);
    LChanged->setToolTip(text);
    LChanged->setVisible(!text.isEmpty());
}

// Kinds in the store's order: 0 one-time, 1 weekly, 2 monthly, 3 yearly, 4 n-th weekday.
TMemo* TfrmDay::memoOf(int kind) const
{
    const std::array<TMemo*, 5> memos{MOnce, MWeekly, MMonthly, MYearly, MDayWeekly};
    return memos[kind];
}

std::string TfrmDay::storeTextOf(int kind) const
{
    switch (kind) {
    case 0: return Events.GetOnce(Target.Month, Target.Day, Target.Year);
    case 1: return Events.GetWeekly(Target.Weekday);
    case 2: return Events.GetMonthly(Target.Day);
    case 3: return Events.GetYearly(Target.Month, Target.Day);
    default: return Events.GetNWeekdayly(Target.Nth, Target.Weekday, Target.Month);
    }
}

void TfrmDay::StoreChanged()
{
    bool changed = false;
    bool both = false;
    for (int kind = 0; kind < 5; ++kind) {
        TMemo* memo = memoOf(kind);
        const std::string now = storeTextOf(kind);
        if (now == memo->originalText())
            continue;
        changed = true;
        if (!memo->edited())
            memo->setStoredText(now);
        else if (now != memo->storedText())
            both = true;
    }
    if (!changed)
        return;
    if (both)
        showNotice("Another program changed this text meanwhile: Save keeps both, yours "
                   "first.");
    else if (LChanged->isHidden())
        showNotice("Another program changed these texts meanwhile; the new texts are shown.");
}

void TfrmDay::setTabOrder()
{
    const QList<QWidget*> order = {BSave,   Button2,       BHelp,         MOnce,
                                   MMonthly, MWeekly,      MYearly,       MDayWeekly,
                                   occurrence[5], occurrence[4], occurrence[3], occurrence[2],
                                   occurrence[1], occurrence[0]};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void TfrmDay::showEvent(QShowEvent* event)
{
    // A window restored from minimised is shown again by the system: what the user typed and
    // the date the editor was opened for stay as they are.
    if (!event->spontaneous())
        FormShow();
    QDialog::showEvent(event);
}

void TfrmDay::FormShow()
{
    Target = Selection;
    const int month = Target.Month;
    const int day = Target.Day;
    const int year = Target.Year;
    const int weekday = Target.Weekday;
    const QString monthName = QString::fromStdString(MonthNames[month]);
    const QString dayName = QString::fromStdString(DayNames[weekday]);

    STOnce->setText(QString("%1 %2, %3:").arg(monthName).arg(day).arg(year));
    STWeekly->setText(dayName + ", weekly:");
    STMonthly->setText(QString::number(day) + ", monthly:");
    STYearly->setText(QString("%1 %2, yearly:").arg(monthName).arg(day));
    STNDayWeekly->setText(dayName + " in " + monthName);

    MOnce->setStoredText(Events.GetOnce(month, day, year));
    MWeekly->setStoredText(Events.GetWeekly(weekday));
    MMonthly->setStoredText(Events.GetMonthly(day));
    MYearly->setStoredText(Events.GetYearly(month, day));

    if (QAbstractButton* button = occurrenceGroup->button(Target.Nth))
        button->setChecked(true);
    MDayWeekly->setStoredText(Events.GetNWeekdayly(Target.Nth, weekday, month));

    const bool past = static_cast<int>(EncodeDate(year, month, day)) < Today.TodaySerial;
    Paint(MOnce, QPalette::Base, past ? Colors.WeekendCell : Colors.CellBackground);
    if (FocusWeekly)
        MWeekly->setFocus();
    else if (past)
        MMonthly->setFocus();
    else
        MOnce->setFocus();
    FocusWeekly = false;
    for (int kind = 0; kind < 5; ++kind)
        if (const auto text = std::exchange(PendingTexts[kind], std::nullopt))
            memoOf(kind)->setPlainText(EventTextForDisplay(*text));
    showNotice(PendingNotice);
    PendingNotice.clear();
}

// Picking another occurrence reloads its text; what was typed for the previous one is dropped.
void TfrmDay::RB1Click(int tag)
{
    Target.Nth = tag;
    Selection.Nth = tag;
    MDayWeekly->setStoredText(Events.GetNWeekdayly(Target.Nth, Target.Weekday, Target.Month));
}

void TfrmDay::AHelpExecute()
{
    if (GUI)
        GUI->ShowHelpTopic("::/HTML/Getting_Started.html#Planned_Events_Window");
}
