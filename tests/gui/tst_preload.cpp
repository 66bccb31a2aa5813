// The events file read on a worker thread while the windows are built: the store handed over
// is the one a read on the spot gives, a failed read is reported where the window reads, and
// nothing is handed over for another file or twice.
#include "EventsPreload.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

class TestPreload : public QObject {
    Q_OBJECT
private slots:
    void take_afterStart_givesTheStoreAndStampOfAReadOnTheSpot();
    void take_forAnotherFileOrTwice_leavesTheReadToTheCaller();
    void take_ofAnUnreadableFile_throwsTheReadsMessage();
};

void TestPreload::take_afterStart_givesTheStoreAndStampOfAReadOnTheSpot() {
    QTemporaryDir folder;
    const std::string path = folder.filePath("quorva.ini").toStdString();
    std::ofstream(path, std::ios::binary) << "[Once]\r\n3/10/2025=Dentist\\nbring the card\r\n"
                                             "1/2/1990=old\r\n[Weekly]\r\n2=Gym\r\n";
    TEventsPreload preload;
    preload.Start(path);
    TEvents taken;
    TFileStamp stamp;
    QVERIFY(preload.Take(path, taken, stamp));
    TEvents expected;
    expected.LoadFromIni(path, 0, {});
    QVERIFY(taken.Once == expected.Once);
    QVERIFY(taken.Weekly == expected.Weekly);
    QCOMPARE(taken.Once.size(), std::size_t{2});
    QVERIFY(stamp == StampOf(path));
}

void TestPreload::take_forAnotherFileOrTwice_leavesTheReadToTheCaller() {
    QTemporaryDir folder;
    const std::string path = folder.filePath("quorva.ini").toStdString();
    std::ofstream(path, std::ios::binary) << "[Once]\r\n3/10/2025=Dentist\r\n";
    TEvents events;
    events.SetWeekly(1, "kept");
    TFileStamp stamp;
    TEventsPreload notStarted;
    QVERIFY(!notStarted.Take(path, events, stamp));

    TEventsPreload preload;
    preload.Start(path);
    QVERIFY(!preload.Take(path + ".other", events, stamp));
    QVERIFY(!preload.Take(path, events, stamp));
    QCOMPARE(events.GetWeekly(1), std::string("kept"));
    QVERIFY(events.Once.empty());
}

void TestPreload::take_ofAnUnreadableFile_throwsTheReadsMessage() {
    QTemporaryDir folder;
    const std::string path = folder.filePath("quorva.ini").toStdString();
    QVERIFY(QDir(folder.path()).mkdir("quorva.ini")); // a folder where the file should be
    TEventsPreload preload;
    preload.Start(path);
    TEvents events;
    TFileStamp stamp;
    try {
        preload.Take(path, events, stamp);
        QFAIL("the failed read was not reported");
    } catch (const QuorvaError &error) {
        QVERIFY2(std::string(error.what()).starts_with("Unable to read " + path + ": "),
                 error.what());
    }
}

QTEST_GUILESS_MAIN(TestPreload)
#include "tst_preload.moc"
