#include "MonthTemplate.h"
#include "ReportRenderer.h"

#include <QTest>

class TestMonthTemplate : public QObject {
    Q_OBJECT
private slots:
    void objects_areInDrawingOrder();
    void dayCells_storedGeometry_data();
    void dayCells_storedGeometry();
    void headings_storedGeometryAndText();
    void page_isLetterLandscapeWithFullWidthBands();
    void footer_readsPrintedWithQuorvaAndTheAddress();
};

void TestMonthTemplate::objects_areInDrawingOrder() {
    QStringList expected{"PageHeaderBand", "PageFooter1", "MHeader", "MWeekDay1",
                         "SDayCell1",      "MDay1",       "MEvent1"};
    for (int k = 2; k <= 7; ++k)
        expected << QString("MWeekDay%1").arg(k);
    for (int n = 2; n <= 42; ++n)
        expected << QString("SDayCell%1").arg(n) << QString("MDay%1").arg(n)
                 << QString("MEvent%1").arg(n);
    expected << "MFooter";
    const TReportPage page = LoadMonthTemplate();
    QStringList names;
    for (const TReportObject &object : page.Objects())
        names << object.Name;
    QCOMPARE(names, expected);
}

void TestMonthTemplate::dayCells_storedGeometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("cell 1 rectangle") << "SDayCell1" << QRect(4, 128, 56, 54);
    QTest::newRow("cell 1 day") << "MDay1" << QRect(20, 132, 32, 26);
    QTest::newRow("cell 1 event") << "MEvent1" << QRect(8, 160, 44, 18);
    QTest::newRow("cell 29, row 4 after the wider step") << "SDayCell29" << QRect(4, 356, 56, 54);
    QTest::newRow("cell 42 rectangle") << "SDayCell42" << QRect(364, 412, 56, 54);
    QTest::newRow("cell 42 day") << "MDay42" << QRect(380, 416, 32, 26);
    QTest::newRow("cell 42 event") << "MEvent42" << QRect(368, 444, 44, 18);
    QTest::newRow("header") << "MHeader" << QRect(403, 0, 202, 58);
    QTest::newRow("footer") << "MFooter" << QRect(756, 760, 252, 18);
}

void TestMonthTemplate::dayCells_storedGeometry() {
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    const TReportPage page = LoadMonthTemplate();
    const TReportObject *object = page.Find(name);
    QVERIFY(object);
    QCOMPARE(QRect(object->Left, object->Top, object->Width, object->Height), rect);
}

void TestMonthTemplate::headings_storedGeometryAndText() {
    const TReportPage page = LoadMonthTemplate();
    const int lefts[] = {0, 100, 200, 300, 400, 496, 596};
    for (int k = 1; k <= 7; ++k) {
        const TReportObject *heading = page.Find(QString("MWeekDay%1").arg(k));
        QVERIFY(heading);
        QCOMPARE(heading->Left, lefts[k - 1]);
        QCOMPARE(heading->Height, 22);
        QCOMPARE(heading->FrameSides, FrameAll);
        QCOMPARE(heading->Lines, QStringList{"Sunday"});
        QCOMPARE(heading->HorzAlign, THorzAlign::Center);
    }
}

void TestMonthTemplate::page_isLetterLandscapeWithFullWidthBands() {
    const TReportPage page = LoadMonthTemplate();
    QCOMPARE(page.PaperCode(), 1);
    QCOMPARE(QSize(page.PageWidth(), page.PageHeight()), QSize(1008, 779));
    QCOMPARE(page.Find("PageHeaderBand")->Width, 1008);
    QCOMPARE(page.Find("PageFooter1")->Width, 1008);
    QCOMPARE(TReportRenderer::PlacedRect(page, *page.Find("MFooter")), QRect(756, 761, 252, 18));
}

void TestMonthTemplate::footer_readsPrintedWithQuorvaAndTheAddress() {
    const TReportPage page = LoadMonthTemplate();
    const TReportObject *footer = page.Find("MFooter");
    QCOMPARE(footer->Runs.size(), std::size_t(2));
    QCOMPARE(footer->Runs[0].Text, QString("printed with Quorva "));
    QVERIFY(footer->Runs[0].Font.Italic && !footer->Runs[0].Font.Underline);
    QVERIFY(footer->Runs[1].Font.Italic && footer->Runs[1].Font.Underline);
    QVERIFY(!footer->Runs[1].Text.isEmpty());
}

QTEST_MAIN(TestMonthTemplate)
#include "tst_monthtemplate.moc"
