#include "PrintForm.h"

#include "Colors.h"
#include "Fonts.h"
#include "GUI.h"
#include "MonthPageComposer.h"
#include "MonthTemplate.h"
#include "Pool.h"
#include "Preferences.h"
#include "ReportPreview.h"
#include "ReportPrinter.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

TfrmPrint *frmPrint = nullptr;

namespace {
constexpr int PageWidthItem = 8;
constexpr int WholePageItem = 9;
constexpr int ZoomInStep = 1;
constexpr int ZoomOutStep = 2;
constexpr const char *HelpTopic = "::/HTML/Getting_Started.html#Printing";

// The lists keep their designed width unless the face or the style in use needs more room
// for the longest item, which would otherwise be cut off.
void fitListWidth(QComboBox *list, int designedWidth) {
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    list->setFixedWidth(std::max(designedWidth, list->sizeHint().width()));
}
} // namespace

TfrmPrint::TfrmPrint(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      page_(LoadMonthTemplate()) {
    setObjectName("frmPrint");
    setWindowTitle("Print - Quorva");
    setFont(UiFont("Tahoma", 11));
    resize(640, 396);
    createActions();
    createToolBar();
    frPreview = new TReportPreview(this);
    frPreview->setObjectName("frPreview");
    // The preview's own menu is empty: a right click shows nothing.
    frPreview->setContextMenuPolicy(Qt::PreventContextMenu);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(frPreview, 1);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
}

void TfrmPrint::createActions() {
    const auto makeAction = [this](const char *name, const QString &text, const QString &hint) {
        auto *action = new QAction(text, this);
        action->setObjectName(name);
        action->setToolTip(hint);
        return action;
    };
    APrint = makeAction("APrint", "&Print", "Print Document (Alt+P)");
    AZoomIn = makeAction("AZoomIn", "+     &+", "Zoom In (Alt+Plus)");
    AZoomOut = makeAction("AZoomOut", "-     &-", "Zoom Out (Alt+Minus)");
    AHelp = makeAction("AHelp", "&Help", "Help");
    AClose = makeAction("AClose", "&Close", "Close (Esc)");
    AHelp->setShortcut(QKeySequence(Qt::Key_F1));
    AHelp->setShortcutContext(Qt::WindowShortcut);
    addAction(AHelp);
    connect(APrint, &QAction::triggered, this, &TfrmPrint::APrintExecute);
    connect(AZoomIn, &QAction::triggered, this, &TfrmPrint::AZoomInExecute);
    connect(AZoomOut, &QAction::triggered, this, &TfrmPrint::AZoomOutExecute);
    connect(AHelp, &QAction::triggered, this, &TfrmPrint::AHelpExecute);
    connect(AClose, &QAction::triggered, this, &TfrmPrint::ACloseExecute);
}

void TfrmPrint::createToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setFixedHeight(27);
    ToolBar1->setMovable(false);
    ToolBar1->setStyleSheet("QToolBar#ToolBar1 { border-bottom: 1px solid palette(mid); }");

    addActionButton(APrint, "&Print", 48)->setObjectName("SBPrint");
    ToolBar1->addSeparator();
    addActionButton(AZoomOut, "&-", 23)->setObjectName("SpeedButton2");
    addActionButton(AZoomIn, "&+", 23)->setObjectName("SpeedButton1");

    CBZoom = new QComboBox(ToolBar1);
    CBZoom->setObjectName("CBZoom");
    for (int percent : ZoomPresets)
        CBZoom->addItem(QString("%1%").arg(percent));
    CBZoom->addItems({"Page Width", "Whole Page"});
    CBZoom->setMaxVisibleItems(CBZoom->count());
    fitListWidth(CBZoom, 87);
    CBZoom->setCurrentIndex(WholePageItem);
    ToolBar1->addWidget(CBZoom);
    ToolBar1->addSeparator();

    CBFormat = new QComboBox(ToolBar1);
    CBFormat->setObjectName("CBFormat");
    CBFormat->addItems({"Letter (8 1/2 x 11 in)", "Tabloid (11 x 17 in)", "A4 (210 x 297 mm)",
                        "A3 (297 x 420 mm)"});
    fitListWidth(CBFormat, 125);
    ToolBar1->addWidget(CBFormat);
    ToolBar1->addSeparator();
    addActionButton(AHelp, "&Help", 48)->setObjectName("SpeedButton4");
    ToolBar1->addSeparator();
    addActionButton(AClose, "&Close", 48)->setObjectName("SpeedButton3");

    connect(CBZoom, &QComboBox::activated, this, [this] { CBZoomChange(CBZoom); });
    connect(CBFormat, &QComboBox::activated, this, &TfrmPrint::CBFormatChange);
    for (QObject *watched : {static_cast<QObject *>(CBZoom), static_cast<QObject *>(CBFormat),
                             static_cast<QObject *>(ToolBar1)})
        watched->installEventFilter(this);
}

// A flat button that follows its action's hint and enabled state but keeps its own caption,
// whose '&' gives the Alt key of the action.
QToolButton *TfrmPrint::addActionButton(QAction *action, const QString &caption, int width) {
    auto *button = new QToolButton(ToolBar1);
    button->setAutoRaise(true);
    button->setFixedSize(width, 22);
    button->setText(caption);
    button->setToolTip(action->toolTip());
    button->setEnabled(action->isEnabled());
    button->installEventFilter(this);
    connect(action, &QAction::changed, button,
            [button, action] { button->setEnabled(action->isEnabled()); });
    connect(button, &QToolButton::clicked, action, &QAction::trigger);
    ToolBar1->addWidget(button);
    return button;
}

void TfrmPrint::OpenForMonthView(QWidget *monthView) {
    PrepareForMonthView(monthView);
    exec();
}

void TfrmPrint::PrepareForMonthView(QWidget *monthView) {
    monthView_ = monthView;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ComposeMonthPage();
    prepareAndDisplay();
    QApplication::restoreOverrideCursor();
}

void TfrmPrint::ComposeMonthPage() {
    TMonthPageInput input;
    input.PaperFormat = PrintPaperFormat;
    input.Month = Selection.Month;
    input.Year = Selection.Year;
    input.Cells = ReadMonthView(monthView_);
    input.Colors.CellBackground = Colors.CellBackground;
    input.Colors.WeekendCell = Colors.WeekendCell;
    input.Colors.TodayCell = Colors.TodayCell;
    ::ComposeMonthPage(page_, input);
}

void TfrmPrint::prepareAndDisplay() {
    page_.Prepare();
    frPreview->ShowPage(&page_);
}

void TfrmPrint::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    FormShow();
}

// The zoom buttons keep the state the last zoom change gave them.
void TfrmPrint::FormShow() {
    const bool known = PrintPaperFormat >= 0 && PrintPaperFormat < CBFormat->count();
    CBFormat->setCurrentIndex(known ? PrintPaperFormat : -1);
    CBZoom->setCurrentIndex(WholePageItem);
}

void TfrmPrint::StepZoom(int direction) {
    lastZoomStep_ = direction;
    indexBeforeStep_ = CBZoom->currentIndex();
    const int moved = indexBeforeStep_ + (direction == ZoomInStep ? -1 : 1);
    if (moved >= 0 && moved < CBZoom->count())
        CBZoom->setCurrentIndex(moved);
    CBZoomChange(nullptr);
}

void TfrmPrint::CBZoomChange(QObject *sender) {
    // Lets the list close before the page is drawn anew; no user input runs in between.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (sender) {
        const int item = CBZoom->currentIndex();
        if (item == PageWidthItem)
            frPreview->FitPageWidth();
        else if (item == WholePageItem)
            frPreview->FitWholePage();
        else if (item >= 0 && item < int(ZoomPresets.size()))
            frPreview->SetZoom(ZoomPresets[std::size_t(item)]);
    } else {
        const double zoom = frPreview->Zoom();
        int found = -1;
        if (lastZoomStep_ == ZoomInStep) {
            for (int i = int(ZoomPresets.size()) - 1; i >= 0 && found < 0; --i)
                if (ZoomPresets[std::size_t(i)] > zoom)
                    found = i;
        } else {
            for (int i = 0; i < int(ZoomPresets.size()) && found < 0; ++i)
                if (ZoomPresets[std::size_t(i)] < zoom)
                    found = i;
        }
        // With no preset beyond the current zoom the step leaves zoom and list as they were.
        if (found >= 0) {
            frPreview->SetZoom(ZoomPresets[std::size_t(found)]);
            CBZoom->setCurrentIndex(found);
        } else {
            CBZoom->setCurrentIndex(indexBeforeStep_);
        }
    }
    updateZoomButtons();
}

void TfrmPrint::updateZoomButtons() {
    const double zoom = frPreview->Zoom();
    AZoomIn->setEnabled(zoom < ZoomPresets.front());
    AZoomOut->setEnabled(zoom > ZoomPresets.back());
}

void TfrmPrint::CBFormatChange() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintPaperFormat = CBFormat->currentIndex();
    ComposeMonthPage();
    prepareAndDisplay();
    CBZoom->setCurrentIndex(WholePageItem);
    QApplication::restoreOverrideCursor();
}

bool TfrmPrint::CBZoomKeyPress(QKeyEvent *event) {
    if (event->key() != Qt::Key_Escape)
        return false;
    ACloseExecute();
    return true;
}

bool TfrmPrint::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Wheel) {
        // The wheel scrolls the page wherever the mouse is over the window; it never
        // turns the lists.
        frPreview->ScrollByWheel(static_cast<QWheelEvent *>(event)->angleDelta().y());
        return true;
    }
    if (event->type() == QEvent::KeyPress && (watched == CBZoom || watched == CBFormat))
        return CBZoomKeyPress(static_cast<QKeyEvent *>(event));
    return QDialog::eventFilter(watched, event);
}

void TfrmPrint::wheelEvent(QWheelEvent *event) {
    frPreview->ScrollByWheel(event->angleDelta().y());
    event->accept();
}

void TfrmPrint::APrintExecute() {
    TReportPrinter::PrintWithDialog(page_, this, documentName());
    frPreview->viewport()->update();
}

// "Quorva March 2025": the job's name, and the file suggested when printing to PDF.
QString TfrmPrint::documentName() const {
    const bool known = Selection.Month >= 1 && Selection.Month <= 12;
    const QString month = known ? QString::fromStdString(MonthNames[Selection.Month]) : QString();
    return QString("Quorva %1 %2").arg(month).arg(Selection.Year);
}

void TfrmPrint::AZoomInExecute() {
    StepZoom(ZoomInStep);
}

void TfrmPrint::AZoomOutExecute() {
    StepZoom(ZoomOutStep);
}

void TfrmPrint::AHelpExecute() {
    if (GUI)
        GUI->ShowHelpTopic(HelpTopic);
}

void TfrmPrint::ACloseExecute() {
    close();
}
