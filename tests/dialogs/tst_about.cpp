// The about box as a person meets it: the title, the web link and the ways to close it.
#include "AboutForm.h"
#include "Colors.h"
#include "Constants.h"
#include "Fonts.h"
#include "MainOps.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

namespace {

std::uint32_t TextColour(QWidget *widget) {
    return FromQColor(widget->palette().color(QPalette::WindowText));
}

void Send(QWidget *widget, QEvent::Type type) {
    QEvent event(type);
    QApplication::sendEvent(widget, &event);
}

} // namespace

// Stands in for the user's browser: the addresses the program asked to open.
class TBrowser : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

class TestAbout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void opening_showsTheTitleInNavyOverItsShadow();
    void opening_showsTheIconAndTheMakersNotice();
    void webLink_turnsOrangeUnderThePointerAndBlueAfter();
    void webLink_click_opensTheWebPageAndTheBoxStays();
    void keys_closeTheBox_data();
    void keys_closeTheBox();
    void lookAtTheBox();

private:
    std::unique_ptr<TfrmAbout> about;
    TBrowser browser;
};

void TestAbout::init() {
    QDesktopServices::setUrlHandler("https", &browser, "open");
    QDesktopServices::setUrlHandler("http", &browser, "open");
    browser.opened.clear();
    about = std::make_unique<TfrmAbout>();
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about.get()));
}

void TestAbout::cleanup() {
    about.reset();
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("http");
}

void TestAbout::opening_showsTheTitleInNavyOverItsShadow() {
    QCOMPARE(about->windowTitle(), QString("About Quorva"));
    QCOMPARE(about->LNameFront->text(), QString("Quorva 1.75"));
    QCOMPARE(about->LNameBack->text(), QString("Quorva 1.75"));
    QCOMPARE(TextColour(about->LNameFront), 0x800000u); // navy
    QVERIFY(TextColour(about->LNameBack) != TextColour(about->LNameFront));
    QCOMPARE(about->LNameFront->pos() - about->LNameBack->pos(), QPoint(3, -2));
    QCOMPARE(about->LNameFront->font().pixelSize(), 32);
    // The front label lies over the shadow and lets it show through.
    QVERIFY(about->Panel1->childAt(about->LNameFront->geometry().center()) == about->LNameFront);
    QVERIFY(!about->LNameFront->autoFillBackground());
    QCOMPARE(about->size(), QSize(357, 199));
}

void TestAbout::opening_showsTheIconAndTheMakersNotice() {
    QVERIFY(!about->Image1->pixmap().isNull());
    QCOMPARE(about->Image1->pixmap().size(), QSize(32, 32));
    QCOMPARE(about->Image1->pos(), QPoint(304, 16));
    QVERIFY(about->Label1->text().contains("Ostrune"));
    QVERIFY(about->Label1->geometry().right() < about->width()); // one line, not cut off
}

void TestAbout::webLink_turnsOrangeUnderThePointerAndBlueAfter() {
    QCOMPARE(about->LWeb->text(), QString("Quorva Website"));
    QVERIFY(about->LWeb->font().underline());
    QCOMPARE(about->LWeb->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(TextColour(about->LWeb), Colors.Link);
    Send(about->LWeb, QEvent::Enter);
    QCOMPARE(TextColour(about->LWeb), Colors.LinkHover);
    Send(about->LWeb, QEvent::Leave);
    QCOMPARE(TextColour(about->LWeb), Colors.Link);
}

void TestAbout::webLink_click_opensTheWebPageAndTheBoxStays() {
    QTest::mouseClick(about->LWeb, Qt::LeftButton);
    QCOMPARE(browser.opened, QList<QUrl>{QUrl(Constants::WebAddress)});
    QVERIFY(about->isVisible());
}

void TestAbout::keys_closeTheBox_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void TestAbout::keys_closeTheBox() {
    QFETCH(int, key);
    QTest::keyClick(about.get(), Qt::Key(key));
    QVERIFY(!about->isVisible());
    QCOMPARE(about->result(), int(QDialog::Rejected));
    QVERIFY(browser.opened.isEmpty());
}

void TestAbout::lookAtTheBox() {
    Send(about->LWeb, QEvent::Enter);
    QVERIFY(about->grab().save("/tmp/quorva-about.png"));
}

int main(int argc, char *argv[]) {
    QTemporaryDir config;
    QTemporaryDir data;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    QApplication app(argc, argv);
    InstallFontSubstitutes();
    // The box needs no main window; naming the operations' pointer links its definition,
    // which the dialogs library refers to.
    MainOps = nullptr;
    TestAbout test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_about.moc"
