#include "ReportPage.h"
#include "ReportPaper.h"

#include <QTest>

class TestReportPage : public QObject {
    Q_OBJECT
private slots:
    void prepare_eachKnownPaper_givesLandscapeSizeInUnits_data();
    void prepare_eachKnownPaper_givesLandscapeSizeInUnits();
    void setPaperCode_unknownCode_keepsPaperAndSize();
    void add_takenName_isRefusedAndFindReturnsFirst();
    void property_integerNames_readAndWriteTheirFields_data();
    void property_integerNames_readAndWriteTheirFields();
    void property_unknownName_changesNothing();
    void setText_eachLineBreakKind_splitsIntoLines_data();
    void setText_eachLineBreakKind_splitsIntoLines();
    void copy_ofPage_isIndependentOfTheOriginal();
};

void TestReportPage::prepare_eachKnownPaper_givesLandscapeSizeInUnits_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("Letter") << 1 << 1008 << 779;
    QTest::newRow("Tabloid") << 3 << 1558 << 1008;
    QTest::newRow("A4") << 9 << 1071 << 758;
    QTest::newRow("A3") << 8 << 1515 << 1071;
}

void TestReportPage::prepare_eachKnownPaper_givesLandscapeSizeInUnits() {
    QFETCH(int, code);
    QFETCH(int, width);
    QFETCH(int, height);
    TReportPage page;
    QVERIFY(page.SetPaperCode(code));
    page.Prepare();
    QCOMPARE(page.PaperCode(), code);
    QCOMPARE(page.PageWidth(), width);
    QCOMPARE(page.PageHeight(), height);
}

void TestReportPage::setPaperCode_unknownCode_keepsPaperAndSize() {
    TReportPage page;
    QVERIFY(page.SetPaperCode(9));
    page.Prepare();
    QVERIFY(!page.SetPaperCode(7));
    QVERIFY(!page.SetPaperCode(-1));
    page.Prepare();
    QCOMPARE(page.PaperCode(), 9);
    QCOMPARE(page.PageWidth(), 1071);
}

void TestReportPage::add_takenName_isRefusedAndFindReturnsFirst() {
    TReportPage page;
    TReportObject first;
    first.Name = "MDay1";
    first.Left = 5;
    QVERIFY(page.Add(first));
    TReportObject second = first;
    second.Left = 9;
    QVERIFY(!page.Add(second));
    QCOMPARE(page.Objects().size(), std::size_t(1));
    QCOMPARE(page.Find("MDay1")->Left, 5);
    QVERIFY(page.Find("MDay2") == nullptr);
}

void TestReportPage::property_integerNames_readAndWriteTheirFields_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("value");
    QTest::newRow("Left") << "Left" << 17;
    QTest::newRow("Top") << "Top" << 87;
    QTest::newRow("Width") << "Width" << 142;
    QTest::newRow("Height") << "Height" << 110;
    QTest::newRow("FillColor") << "FillColor" << 0xE8E8E8;
    QTest::newRow("Font.Color") << "Font.Color" << 0xA4A0A0;
}

void TestReportPage::property_integerNames_readAndWriteTheirFields() {
    QFETCH(QString, name);
    QFETCH(int, value);
    TReportObject object;
    QVERIFY(object.SetProperty(name, value));
    QCOMPARE(object.Property(name), std::optional<int>(value));
}

void TestReportPage::property_unknownName_changesNothing() {
    TReportObject object;
    object.Left = 3;
    QVERIFY(!object.SetProperty("left", 9));
    QVERIFY(!object.Property("Frame.Width").has_value());
    QCOMPARE(object.Left, 3);
}

void TestReportPage::setText_eachLineBreakKind_splitsIntoLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("CR LF") << "Dentist\r\nGym" << QStringList{"Dentist", "Gym"};
    QTest::newRow("CR") << "Dentist\rGym" << QStringList{"Dentist", "Gym"};
    QTest::newRow("LF") << "Dentist\nGym\n" << QStringList{"Dentist", "Gym", ""};
    QTest::newRow("mixed") << "a\r\nb\rc\nd" << QStringList{"a", "b", "c", "d"};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestReportPage::setText_eachLineBreakKind_splitsIntoLines() {
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    TReportObject object;
    object.SetText(text);
    QCOMPARE(object.Lines, lines);
}

void TestReportPage::copy_ofPage_isIndependentOfTheOriginal() {
    TReportPage page;
    TReportObject box;
    box.Name = "MHeader";
    page.Add(box);
    TReportPage copy = page;
    copy.Find("MHeader")->SetText("March '2025");
    QVERIFY(page.Find("MHeader")->Lines.isEmpty());
}

QTEST_MAIN(TestReportPage)
#include "tst_reportpage.moc"
