#include "ReportPage.h"
#include "ReportPreview.h"

#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

class TestReportPreview : public QObject {
    Q_OBJECT
private slots:
    void showPage_fitsWholePageInsideTheView();
    void fitPageWidth_isWiderThanWholePageOnALandscapeSheet();
    void setZoom_reportsTheSamePercent();
    void zoom100_showsTheSheetAtRealSize();
    void wheel_oneNotch_scrollsThreeSmallSteps();

private:
    TReportPage page_;
};

void TestReportPreview::showPage_fitsWholePageInsideTheView() {
    TReportPreview preview;
    preview.resize(600, 500);
    preview.ShowPage(&page_);
    QCOMPARE(preview.Mode(), TReportPreview::TZoomMode::WholePage);
    const double perUnit = preview.Zoom() / 100 * preview.logicalDpiX() / LayoutUnitsPerInch;
    const QSize room = preview.maximumViewportSize();
    QVERIFY(page_.PageWidth() * perUnit <= room.width());
    QVERIFY(page_.PageHeight() * perUnit <= room.height());
    QVERIFY(page_.PageWidth() * perUnit > room.width() - 40);
}

void TestReportPreview::fitPageWidth_isWiderThanWholePageOnALandscapeSheet() {
    TReportPreview preview;
    preview.resize(600, 600);
    preview.ShowPage(&page_);
    const double whole = preview.Zoom();
    preview.FitPageWidth();
    QCOMPARE(preview.Mode(), TReportPreview::TZoomMode::PageWidth);
    QVERIFY(preview.Zoom() >= whole);
    preview.resize(300, 800);
    QVERIFY(preview.Zoom() < whole);
}

void TestReportPreview::setZoom_reportsTheSamePercent() {
    TReportPreview preview;
    preview.ShowPage(&page_);
    preview.SetZoom(150);
    QCOMPARE(preview.Mode(), TReportPreview::TZoomMode::Percent);
    QCOMPARE(preview.Zoom(), 150.0);
}

void TestReportPreview::zoom100_showsTheSheetAtRealSize() {
    TReportPreview preview;
    preview.resize(400, 300);
    preview.ShowPage(&page_);
    preview.SetZoom(100);
    // Letter landscape is 11 inches wide: the scroll range holds the sheet plus the desk.
    const int expected = qRound(11.0 * preview.logicalDpiX());
    const int scrollable = preview.horizontalScrollBar()->maximum() + preview.viewport()->width();
    QVERIFY2(qAbs(scrollable - 20 - expected) <= 2, qPrintable(QString::number(scrollable)));
}

void TestReportPreview::wheel_oneNotch_scrollsThreeSmallSteps() {
    TReportPreview preview;
    preview.resize(400, 300);
    preview.ShowPage(&page_);
    preview.SetZoom(200);
    const int step = preview.verticalScrollBar()->singleStep();
    QWheelEvent down(QPointF(50, 50), preview.mapToGlobal(QPointF(50, 50)), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(preview.viewport(), &down);
    QCOMPARE(preview.verticalScrollBar()->value(), 3 * step);
}

QTEST_MAIN(TestReportPreview)
#include "tst_reportpreview.moc"
