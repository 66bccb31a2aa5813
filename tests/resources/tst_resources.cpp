#include "Sound.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

#include <cstring>

namespace {

quint32 ReadU32(const QByteArray &bytes, qsizetype at) {
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(bytes.at(at + i));
    return value;
}

quint16 ReadU16(const QByteArray &bytes, qsizetype at) {
    return static_cast<quint16>(static_cast<quint8>(bytes.at(at)) |
                                (static_cast<quint8>(bytes.at(at + 1)) << 8));
}

struct WaveFacts {
    bool Riff = false;
    quint16 Format = 0;
    quint16 Channels = 0;
    quint32 SampleRate = 0;
    quint16 BitsPerSample = 0;
    qint64 DataBytes = -1;
    bool DataFitsInFile = false;
};

// Walks the chunks instead of assuming fixed offsets, so an extra chunk would not fool it.
WaveFacts ReadWave(const QByteArray &bytes) {
    WaveFacts facts;
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return facts;
    facts.Riff = ReadU32(bytes, 4) == static_cast<quint32>(bytes.size() - 8);
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = ReadU32(bytes, at + 4);
        if (id == "fmt " && size >= 16 && at + 8 + 16 <= bytes.size()) {
            facts.Format = ReadU16(bytes, at + 8);
            facts.Channels = ReadU16(bytes, at + 10);
            facts.SampleRate = ReadU32(bytes, at + 12);
            facts.BitsPerSample = ReadU16(bytes, at + 22);
        } else if (id == "data") {
            facts.DataBytes = size;
            facts.DataFitsInFile = at + 8 + static_cast<qsizetype>(size) <= bytes.size();
        }
        at += 8 + size + (size & 1);
    }
    return facts;
}

QSet<QString> AnchorsOf(const QTextDocument &document) {
    QSet<QString> anchors;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            for (const QString &name : it.fragment().charFormat().anchorNames())
                anchors.insert(name);
    return anchors;
}

QString ResourceText(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

QStringList CapturedMessages;

void CaptureMessage(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        CapturedMessages << QString("%1: %2").arg(context.category ? context.category : "", text);
}

} // namespace

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void clickSound_header_isPcmMono16Bit22050HzWith2158DataBytes();
    void clickSound_samples_startAndEndInSilence();
    void helpPage_loaded_hasTitleAndAnchors_data();
    void helpPage_loaded_hasTitleAndAnchors();
    void helpTopic_withAnchor_scrollsAwayFromTheTop_data();
    void helpTopic_withAnchor_scrollsAwayFromTheTop();
    void helpPage_links_pointToExistingPagesAndAnchors_data();
    void helpPage_links_pointToExistingPagesAndAnchors();
    void helpPage_text_needsNothingFromOutside_data();
    void helpPage_text_needsNothingFromOutside();
    void icon_loaded_is64PixelsSquareWithTransparency();
    void readme_besideTheExecutable_exists();
    void playClick_twiceInARow_returnsAndStaysQuiet();
    void playClick_afterwards_onlyMultimediaWarningsAreSilenced();
};

void TestResources::clickSound_header_isPcmMono16Bit22050HzWith2158DataBytes() {
    QFile file(":/sounds/click.wav");
    QVERIFY2(file.open(QIODevice::ReadOnly), "the click sound is not built in");
    const WaveFacts facts = ReadWave(file.readAll());
    QVERIFY2(facts.Riff, "RIFF size does not match the file");
    QCOMPARE(facts.Format, quint16(1));
    QCOMPARE(facts.Channels, quint16(1));
    QCOMPARE(facts.BitsPerSample, quint16(16));
    QCOMPARE(facts.SampleRate, quint32(22050));
    QCOMPARE(facts.DataBytes, qint64(2158));
    QVERIFY(facts.DataFitsInFile);
}

// A sound that does not start and end at zero pops when it starts or is cut off.
void TestResources::clickSound_samples_startAndEndInSilence() {
    QFile file(":/sounds/click.wav");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const qsizetype data = bytes.indexOf("data") + 8;
    QVERIFY(data >= 8 && data + 2158 <= bytes.size());
    const auto sample = [&](int i) { return static_cast<qint16>(ReadU16(bytes, data + 2 * i)); };
    QCOMPARE(sample(0), qint16(0));
    QCOMPARE(sample(1078), qint16(0));
    int loudest = 0;
    for (int i = 0; i < 1079; ++i)
        loudest = std::max(loudest, std::abs(int(sample(i))));
    QVERIFY2(loudest > 3000, "the click is too faint to hear");
    QVERIFY2(loudest < 32000, "the click clips");
}

void TestResources::helpPage_loaded_hasTitleAndAnchors_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("anchors");
    QTest::newRow("Getting Started, with one anchor per window")
        << "Getting_Started.html"
        << "Getting Started with Quorva"
        << QStringList{"Planned_Events_Window", "Preferences", "Reminder", "Printing"};
    QTest::newRow("What's New") << "Whats_New.html"
                                << "What's New in Quorva 1.75" << QStringList{"Top"};
}

void TestResources::helpPage_loaded_hasTitleAndAnchors() {
    QFETCH(QString, page);
    QFETCH(QString, title);
    QFETCH(QStringList, anchors);
    QTextBrowser browser;
    browser.setSource(QUrl("qrc:/help/HTML/" + page));
    QVERIFY2(!browser.document()->isEmpty(), qPrintable(page + " did not load"));
    QCOMPARE(browser.documentTitle(), title);
    const QSet<QString> found = AnchorsOf(*browser.document());
    for (const QString &anchor : anchors)
        QVERIFY2(found.contains(anchor), qPrintable("missing anchor " + anchor));
}

void TestResources::helpTopic_withAnchor_scrollsAwayFromTheTop_data() {
    QTest::addColumn<QString>("anchor");
    QTest::addColumn<QString>("heading");
    QTest::newRow("day editor") << "Planned_Events_Window"
                                << "Entering events";
    QTest::newRow("preferences") << "Preferences"
                                 << "Preferences";
    QTest::newRow("reminder window") << "Reminder"
                                     << "The reminder window";
    QTest::newRow("print preview") << "Printing"
                                   << "Printing and saving as PDF";
}

// The help window opens topics as URLs with a fragment; the page must scroll to it.
void TestResources::helpTopic_withAnchor_scrollsAwayFromTheTop() {
    QFETCH(QString, anchor);
    QFETCH(QString, heading);
    QTextBrowser browser;
    browser.resize(500, 300);
    browser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&browser));
    browser.setSource(QUrl("qrc:/help/HTML/Getting_Started.html#" + anchor));
    // A loaded machine may be slow to scroll: the limit only ends a test that would wait forever.
    QTRY_VERIFY_WITH_TIMEOUT(browser.verticalScrollBar()->value() > 0, 30000);
    // The reader sees the topic's heading at the top of the window.
    const QTextCursor top = browser.cursorForPosition(QPoint(10, 10));
    QVERIFY2(top.block().text().startsWith(heading), qPrintable(top.block().text()));
}

void TestResources::helpPage_links_pointToExistingPagesAndAnchors_data() {
    QTest::addColumn<QString>("page");
    QTest::newRow("Getting Started") << "Getting_Started.html";
    QTest::newRow("What's New") << "Whats_New.html";
}

void TestResources::helpPage_links_pointToExistingPagesAndAnchors() {
    QFETCH(QString, page);
    const QString html = ResourceText(":/help/HTML/" + page);
    QVERIFY(!html.isEmpty());
    static const QRegularExpression href(R"re(href="([^"]*)")re");
    int links = 0;
    for (const auto &match : href.globalMatch(html)) {
        ++links;
        const QString target = match.captured(1);
        const QString file = target.section('#', 0, 0);
        const QString anchor = target.section('#', 1);
        const QString targetPage = file.isEmpty() ? page : file;
        QVERIFY2(QFile::exists(":/help/HTML/" + targetPage), qPrintable("dead link " + target));
        if (anchor.isEmpty())
            continue;
        QTextDocument document;
        document.setHtml(ResourceText(":/help/HTML/" + targetPage));
        QVERIFY2(AnchorsOf(document).contains(anchor), qPrintable("dead anchor " + target));
    }
    QVERIFY(links > 0);
}

void TestResources::helpPage_text_needsNothingFromOutside_data() {
    helpPage_links_pointToExistingPagesAndAnchors_data();
}

// The help must work offline and without anything but the program itself.
void TestResources::helpPage_text_needsNothingFromOutside() {
    QFETCH(QString, page);
    const QString html = ResourceText(":/help/HTML/" + page).toLower();
    QVERIFY(!html.contains("<script"));
    QVERIFY(!html.contains("src=\"http"));
    QVERIFY(!html.contains("<link"));
    QVERIFY(!html.contains("<img"));
}

void TestResources::icon_loaded_is64PixelsSquareWithTransparency() {
    const QImage icon(":/icons/quorva.png");
    QCOMPARE(icon.size(), QSize(64, 64));
    QVERIFY(icon.hasAlphaChannel());
    QCOMPARE(qAlpha(icon.pixel(0, 63)), 0);
    QCOMPARE(qAlpha(icon.pixel(32, 32)), 255);
}

void TestResources::readme_besideTheExecutable_exists() {
    QFile readme(QCoreApplication::applicationDirPath() + "/readme.txt");
    QVERIFY2(readme.open(QIODevice::ReadOnly), "readme.txt is not copied beside the program");
    QVERIFY(readme.readAll().contains("quorva.ini"));
}

// Without an audio device the click must neither block, crash nor talk on the console.
void TestResources::playClick_twiceInARow_returnsAndStaysQuiet() {
    if (qEnvironmentVariable("QT_LOGGING_RULES").contains("multimedia"))
        QSKIP("Qt Multimedia's messages were asked for");
    QVERIFY2(ClickSoundAvailable(), "the sound module quorva_sound was not found");
    CapturedMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CaptureMessage);
    PlayClick();
    PlayClick();
    QTest::qWait(300);
    PlayClick();
    QTest::qWait(100);
    qInstallMessageHandler(previous);
    const QStringList multimedia = CapturedMessages.filter("multimedia", Qt::CaseInsensitive);
    QVERIFY2(multimedia.isEmpty(), qPrintable(multimedia.join('\n')));
}

// Machines differ in what Qt Multimedia complains about, so the filter is checked directly.
void TestResources::playClick_afterwards_onlyMultimediaWarningsAreSilenced() {
    if (qEnvironmentVariable("QT_LOGGING_RULES").contains("multimedia"))
        QSKIP("Qt Multimedia's messages were asked for");
    PlayClick();
    const QLoggingCategory multimedia("qt.multimedia.audiooutput");
    const QLoggingCategory program("quorva.resources");
    CapturedMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(CaptureMessage);
    qCWarning(multimedia) << "no audio device";
    qCWarning(program) << "still heard";
    qInstallMessageHandler(previous);
    QCOMPARE(CapturedMessages, QStringList{"quorva.resources: still heard"});
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
