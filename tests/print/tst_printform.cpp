#include "GUI.h"
#include "Pool.h"
#include "Preferences.h"
#include "PrintForm.h"
#include "ReportPreview.h"
#include "ReportRenderer.h"

#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <memory>

namespace {

// A stand-in for the main window's month view: March 2025, the 1st in cell 7.
std::unique_ptr<QWidget> fakeMonthView() {
    auto view = std::make_unique<QWidget>();
    for (int n = 1; n <= 42; ++n) {
        auto *panel = new QWidget(view.get());
        panel->setObjectName(QString("PDay%1").arg(n));
        const int day = n - 6;
        auto *dayLabel =
            new QLabel(day >= 1 && day <= 31 ? QString::number(day) : QString(), panel);
        dayLabel->setObjectName(QString("LDay%1").arg(n));
        auto *event = new QLabel(n == 12 ? "Dentist\nGym" : "", panel);
        event->setObjectName(QString("LEvent%1").arg(n));
    }
    return view;
}

} // namespace

class TestPrintForm : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void open_showsShownMonthWholePageAndStoredFormat();
    void open_formatOutOfRange_listShowsNoSelectionAndPageKeepsPaper();
    void toolBar_buttonsHaveTheirCaptionsAndHints_data();
    void toolBar_buttonsHaveTheirCaptionsAndHints();
    void zoomStep_fromListPreset_goesToTheNeighbourPreset_data();
    void zoomStep_fromListPreset_goesToTheNeighbourPreset();
    void zoomStep_fromWholePage_goesToThePresetsAroundIt();
    void zoomStep_fromPageWidth_goesToTheSmallestPresetAbove();
    void zoomButtons_atTheEnds_areDisabledAndCarryOverToTheNextOpening();
    void formatChange_recomposesRemembersAndShowsWholePage();
    void escape_inEitherList_closesTheWindow_data();
    void escape_inEitherList_closesTheWindow();
    void altKeys_stepTheZoomAndClose();
    void f1_opensThePrintingHelpTopic();
    void wheel_overTheZoomList_scrollsThePageAndKeepsTheZoom();
    void look_grabWindowToPng();

private:
    void open();
    void pickZoomItem(const QString &text);
    QComboBox *list(const char *name) { return form_->findChild<QComboBox *>(name); }
    QToolButton *button(const char *name) { return form_->findChild<QToolButton *>(name); }
    TReportPreview *preview() { return form_->findChild<TReportPreview *>("frPreview"); }

    std::unique_ptr<TfrmPrint> form_;
    std::unique_ptr<QWidget> monthView_;
};

void TestPrintForm::initTestCase() {
    GUI = new TGUI;
    Selection.Month = 3;
    Selection.Year = 2025;
    monthView_ = fakeMonthView();
}

void TestPrintForm::init() {
    PrintPaperFormat = 0;
    form_ = std::make_unique<TfrmPrint>();
}

void TestPrintForm::cleanup() {
    form_.reset();
}

void TestPrintForm::open() {
    form_->PrepareForMonthView(monthView_.get());
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

// As a person picks an item: open the list's keyboard selection and confirm it.
void TestPrintForm::pickZoomItem(const QString &text) {
    QComboBox *zoom = list("CBZoom");
    const int target = zoom->findText(text);
    QVERIFY(target >= 0);
    zoom->setFocus();
    while (zoom->currentIndex() != target)
        QTest::keyClick(zoom, zoom->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
}

void TestPrintForm::open_showsShownMonthWholePageAndStoredFormat() {
    PrintPaperFormat = 2;
    open();
    QCOMPARE(form_->windowTitle(), QString("Print - Quorva"));
    QCOMPARE(form_->Page().Find("MHeader")->Lines, QStringList{"March '2025"});
    QCOMPARE(form_->Page().Find("MEvent12")->Lines, (QStringList{"Dentist", "Gym"}));
    QCOMPARE(form_->Page().PageWidth(), 1071);
    QCOMPARE(list("CBZoom")->currentText(), QString("Whole Page"));
    QCOMPARE(list("CBFormat")->currentText(), QString("A4 (210 x 297 mm)"));
    QCOMPARE(preview()->Mode(), TReportPreview::TZoomMode::WholePage);
}

void TestPrintForm::open_formatOutOfRange_listShowsNoSelectionAndPageKeepsPaper() {
    PrintPaperFormat = 3;
    open();
    form_->hide();
    PrintPaperFormat = 7;
    open();
    QCOMPARE(list("CBFormat")->currentIndex(), -1);
    QCOMPARE(form_->Page().PageWidth(), 1515);
    QCOMPARE(PrintPaperFormat, 7);
}

void TestPrintForm::toolBar_buttonsHaveTheirCaptionsAndHints_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QSize>("size");
    QTest::newRow("Print") << "SBPrint"
                           << "&Print"
                           << "Print Document (Alt+P)" << QSize(48, 22);
    QTest::newRow("Zoom Out") << "SpeedButton2"
                              << "&-"
                              << "Zoom Out (Alt+Minus)" << QSize(23, 22);
    QTest::newRow("Zoom In") << "SpeedButton1"
                             << "&+"
                             << "Zoom In (Alt+Plus)" << QSize(23, 22);
    QTest::newRow("Help") << "SpeedButton4"
                          << "&Help"
                          << "Help" << QSize(48, 22);
    QTest::newRow("Close") << "SpeedButton3"
                           << "&Close"
                           << "Close (Esc)" << QSize(48, 22);
}

void TestPrintForm::toolBar_buttonsHaveTheirCaptionsAndHints() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    QFETCH(QSize, size);
    QToolButton *found = button(name.toLatin1().constData());
    QVERIFY(found);
    QCOMPARE(found->text(), caption);
    QCOMPARE(found->toolTip(), hint);
    QCOMPARE(found->size(), size);
}

void TestPrintForm::zoomStep_fromListPreset_goesToTheNeighbourPreset_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<QString>("result");
    QTest::newRow("25% in") << "25%"
                            << "SpeedButton1"
                            << "50%";
    QTest::newRow("200% out") << "200%"
                              << "SpeedButton2"
                              << "150%";
    QTest::newRow("100% in") << "100%"
                             << "SpeedButton1"
                             << "150%";
    QTest::newRow("10% in") << "10%"
                            << "SpeedButton1"
                            << "25%";
}

void TestPrintForm::zoomStep_fromListPreset_goesToTheNeighbourPreset() {
    QFETCH(QString, start);
    QFETCH(QString, buttonName);
    QFETCH(QString, result);
    open();
    pickZoomItem(start);
    QCOMPARE(preview()->Zoom(), start.chopped(1).toDouble());
    QTest::mouseClick(button(buttonName.toLatin1().constData()), Qt::LeftButton);
    QCOMPARE(list("CBZoom")->currentText(), result);
    QCOMPARE(preview()->Zoom(), result.chopped(1).toDouble());
}

void TestPrintForm::zoomStep_fromWholePage_goesToThePresetsAroundIt() {
    open();
    const double whole = preview()->Zoom();
    int above = 0, below = 0;
    for (int preset : TfrmPrint::ZoomPresets) {
        if (preset > whole)
            above = preset;
        if (preset < whole && below == 0)
            below = preset;
    }
    QTest::mouseClick(button("SpeedButton1"), Qt::LeftButton);
    QCOMPARE(preview()->Zoom(), double(above));
    QCOMPARE(list("CBZoom")->currentText(), QString("%1%").arg(above));

    form_->PrepareForMonthView(monthView_.get()); // back in fit whole page
    QTest::mouseClick(button("SpeedButton2"), Qt::LeftButton);
    QCOMPARE(preview()->Zoom(), double(below));
}

void TestPrintForm::zoomStep_fromPageWidth_goesToTheSmallestPresetAbove() {
    open();
    pickZoomItem("Page Width");
    QCOMPARE(preview()->Mode(), TReportPreview::TZoomMode::PageWidth);
    const double width = preview()->Zoom();
    int above = 0;
    for (int preset : TfrmPrint::ZoomPresets)
        if (preset > width)
            above = preset;
    form_->StepZoom(1);
    QCOMPARE(preview()->Zoom(), double(above));
    QCOMPARE(preview()->Mode(), TReportPreview::TZoomMode::Percent);
}

void TestPrintForm::zoomButtons_atTheEnds_areDisabledAndCarryOverToTheNextOpening() {
    open();
    pickZoomItem("500%");
    QVERIFY(!button("SpeedButton1")->isEnabled());
    QVERIFY(button("SpeedButton2")->isEnabled());
    form_->StepZoom(1); // asked for all the same: nothing to go to
    QCOMPARE(preview()->Zoom(), 500.0);
    QCOMPARE(list("CBZoom")->currentText(), QString("500%"));

    QTest::keyClick(list("CBZoom"), Qt::Key_Escape);
    QVERIFY(!form_->isVisible());
    open();
    QCOMPARE(list("CBZoom")->currentText(), QString("Whole Page"));
    QVERIFY(!button("SpeedButton1")->isEnabled());

    pickZoomItem("10%");
    QVERIFY(button("SpeedButton1")->isEnabled());
    QVERIFY(!button("SpeedButton2")->isEnabled());
    pickZoomItem("75%");
    QVERIFY(button("SpeedButton1")->isEnabled());
    QVERIFY(button("SpeedButton2")->isEnabled());
}

void TestPrintForm::formatChange_recomposesRemembersAndShowsWholePage() {
    open();
    pickZoomItem("200%");
    QComboBox *format = list("CBFormat");
    format->setFocus();
    QTest::keyClick(format, Qt::Key_Down);
    QTest::keyClick(format, Qt::Key_Down);
    QCOMPARE(format->currentText(), QString("A4 (210 x 297 mm)"));
    QCOMPARE(PrintPaperFormat, 2);
    QCOMPARE(form_->Page().PageWidth(), 1071);
    QCOMPARE(form_->Page().PageHeight(), 758);
    const TReportObject *cell = form_->Page().Find("SDayCell1");
    QCOMPARE(QRect(cell->Left, cell->Top, cell->Width, cell->Height), QRect(2, 87, 151, 107));
    QCOMPARE(list("CBZoom")->currentText(), QString("Whole Page"));
    QCOMPARE(preview()->Mode(), TReportPreview::TZoomMode::WholePage);

    form_->hide();
    open();
    QCOMPARE(format->currentText(), QString("A4 (210 x 297 mm)"));
}

void TestPrintForm::escape_inEitherList_closesTheWindow_data() {
    QTest::addColumn<QString>("listName");
    QTest::newRow("zoom list") << "CBZoom";
    QTest::newRow("paper list") << "CBFormat";
}

void TestPrintForm::escape_inEitherList_closesTheWindow() {
    QFETCH(QString, listName);
    open();
    QComboBox *target = list(listName.toLatin1().constData());
    target->setFocus();
    QTest::keyClick(target, Qt::Key_Escape);
    QVERIFY(!form_->isVisible());
}

// A button's Alt key presses it the way a click does, after its short press animation.
void TestPrintForm::altKeys_stepTheZoomAndClose() {
    // The animation is a timer, which a loaded machine may keep waiting well past its time.
    constexpr int PressLimit = 30000;
    open();
    pickZoomItem("100%");
    QTest::keyClick(form_.get(), Qt::Key_Plus, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(list("CBZoom")->currentText(), QString("150%"), PressLimit);
    QTest::keyClick(form_.get(), Qt::Key_Minus, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(list("CBZoom")->currentText(), QString("100%"), PressLimit);
    QTest::keyClick(form_.get(), Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!form_->isVisible(), PressLimit);
}

void TestPrintForm::f1_opensThePrintingHelpTopic() {
    open();
    GUI->LastHelpTopic.clear();
    QTest::keyClick(list("CBZoom"), Qt::Key_F1);
    QCOMPARE(GUI->LastHelpTopic, QString("::/HTML/Getting_Started.html#Printing"));
}

void TestPrintForm::wheel_overTheZoomList_scrollsThePageAndKeepsTheZoom() {
    open();
    pickZoomItem("200%");
    QComboBox *zoom = list("CBZoom");
    QWheelEvent down(QPointF(5, 5), zoom->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(zoom, &down);
    QCOMPARE(zoom->currentText(), QString("200%"));
    QCOMPARE(preview()->verticalScrollBar()->value(),
             TReportPreview::WheelStepsPerNotch * preview()->verticalScrollBar()->singleStep());
}

void TestPrintForm::look_grabWindowToPng() {
    const QString folder = qEnvironmentVariable("QUORVA_LOOK_DIR");
    if (folder.isEmpty())
        QSKIP("set QUORVA_LOOK_DIR to keep a picture of the window");
    open();
    form_->setGeometry(0, 0, 1000, 700);
    QTest::qWait(50);
    QVERIFY(form_->grab().save(folder + "/print-window.png"));
}

QTEST_MAIN(TestPrintForm)
#include "tst_printform.moc"
