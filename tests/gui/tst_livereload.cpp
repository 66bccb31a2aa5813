// The running calendar and its file: what another program writes shows by itself, and a save
// never overwrites a change it has not read.
#include "MainFixture.h"

#include "DayForm.h"
#include "EditMerge.h"
#include "FindForm.h"
#include "MainForm.h"
#include "Pool.h"
#include "StatusBar.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

// A reload follows a write within a fraction of a second; the limit is only there to end a
// test that would wait forever, so a loaded machine cannot outrun it.
constexpr int ReloadLimit = 30000;

QString Cell(TfrmMain *main, int day) { // March 2025 starts on a Saturday
    return main->findChild<QLabel *>(QString("LEvent%1").arg(day + 6))->text();
}

QString Status(TfrmMain *main) {
    return main->findChild<TStatusBar *>("SBMain")->statusText();
}

// The one-second tick is started from the event loop's first round, so it is stopped after
// that round: only the file watch can then bring a change in, however long the wait.
void StopTheTick(TfrmMain *main) {
    QCoreApplication::processEvents();
    main->timer()->stop();
}

// Another program's read-modify-write, as quorva-cli does it: a new file renamed over the old.
void WriteElsewhere(const QString &path, const std::function<void(TEvents &)> &change) {
    TEvents other;
    TFileStamp stamp;
    UpdateEventsFile(path.toStdString(), other, 0, {}, change, stamp);
}

// A text editor's save: the same file truncated and written again.
void WriteInPlace(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray Bytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString Merged(const QString &mine, const QString &theirs) {
    return mine + "\n" + ChangedElsewhereMarker + "\n" + theirs;
}

} // namespace

class TestLiveReload : public QObject {
    Q_OBJECT

private slots:
    void outsideWrites_show_withoutTheTimer();
    void reload_clearsFindResults();
    void outsideEdit_thenSave_keepsBothChanges();
    void sameEntryChanged_underTheOpenEditor_keepsBothAndShowsThem();
    void untouchedTextOfTheOpenEditor_showsTheNewText();
    void bothTooLongForTheFile_keepsTheirs_andShowsYoursToDecide();
    void editMerge_rules();
};

// The file watch alone (the one-second tick stopped) sees a new file, a rename over it and a
// write in place, round after round.
void TestLiveReload::outsideWrites_show_withoutTheTimer() {
    TMainFixture f(QDate(2025, 3, 10));
    StopTheTick(f.main());
    const QString path = f.eventsFile();
    QVERIFY(!QFile::exists(path));

    WriteElsewhere(path, [](TEvents &events) { events.SetOnce(3, 12, 2025, "Dentist"); });
    QTRY_COMPARE_WITH_TIMEOUT(Cell(f.main(), 12), QString("Dentist"), ReloadLimit);

    for (int round = 0; round < 20; ++round) {
        const std::string text = "Round " + std::to_string(round);
        if (round % 2 == 0) {
            WriteElsewhere(path, [&text](TEvents &events) { events.SetOnce(3, 10, 2025, text); });
        } else {
            WriteInPlace(path, QByteArray("[Once]\r\n3/10/2025=") + text.c_str() + "\r\n");
        }
        QTRY_COMPARE_WITH_TIMEOUT(Cell(f.main(), 10), QString::fromStdString(text), ReloadLimit);
        QVERIFY2(Status(f.main()).contains(QString::fromStdString(text)),
                 qPrintable(Status(f.main())));
    }
    // The in-place writer dropped the dentist: the view follows the file, not a memory of it.
    QCOMPARE(Cell(f.main(), 12), QString());
    QCOMPARE(Events.GetOnce(3, 12, 2025), std::string());
}

void TestLiveReload::reload_clearsFindResults() {
    TMainFixture f(QDate(2025, 3, 10));
    StopTheTick(f.main());
    WriteElsewhere(f.eventsFile(), [](TEvents &events) { events.SetOnce(3, 11, 2025, "Lunch"); });
    QTRY_COMPARE_WITH_TIMEOUT(Cell(f.main(), 11), QString("Lunch"), ReloadLimit);

    TfrmFind find(f.main());
    frmFind = &find;
    find.show();
    find.EFind->setText("Lunch");
    find.BFindClick();
    QCOMPARE(find.RowCount(), 2);
    WriteElsewhere(f.eventsFile(), [](TEvents &events) { events.SetOnce(3, 11, 2025, "Brunch"); });
    QTRY_COMPARE_WITH_TIMEOUT(Cell(f.main(), 11), QString("Brunch"), ReloadLimit);
    QVERIFY(find.SGFind->rowCount() <= 1);
    QVERIFY(SearchResults.empty());
    find.hide();
    frmFind = nullptr;
}

// The user edits one date while another program writes another entry, and the same entry
// nowhere: the save reads the file first, so both changes end in it.
void TestLiveReload::outsideEdit_thenSave_keepsBothChanges() {
    TMainFixture f(QDate(2025, 3, 10));
    const QString path = f.eventsFile();
    WriteElsewhere(path, [](TEvents &events) { events.SetOnce(3, 10, 2025, "Standup"); });
    QTRY_COMPARE_WITH_TIMEOUT(Cell(f.main(), 10), QString("Standup"), ReloadLimit);

    WhenModal<TfrmDay>([&path](TfrmDay *day) {
        // Written and saved at once: no reload came between, the save itself reads the file.
        WriteElsewhere(path, [](TEvents &events) {
            events.SetYearly(3, 10, "Anna's birthday");
            events.SetOnce(3, 20, 2025, "Flight");
        });
        day->MOnce->setPlainText("Standup\nDentist");
        QTest::mouseClick(day->BSave, Qt::LeftButton);
    });
    f.main()->OpenDayEditor(15); // Monday, March 10
    QTRY_VERIFY(!QApplication::activeModalWidget());
    const QByteArray file = Bytes(path);
    QVERIFY2(file.contains("3/10/2025=Standup\\nDentist\r\n"), file.constData());
    QVERIFY2(file.contains("3/20/2025=Flight\r\n"), file.constData());
    QVERIFY2(file.contains("3/10=Anna's birthday\r\n"), file.constData());
    QVERIFY(!file.contains(ChangedElsewhereMarker));
    QCOMPARE(Cell(f.main(), 20), QString("Flight"));
}

// Both changed the one-time text of March 10: the file keeps both (the user's first), and the
// editor opens again on that text, saying so. Proven for a reload under the open editor and
// for a save that finds the change itself.
void TestLiveReload::sameEntryChanged_underTheOpenEditor_keepsBothAndShowsThem() {
    for (const bool waitForReload : {true, false}) {
        TMainFixture f(QDate(2025, 3, 10));
        const QString path = f.eventsFile();
        WriteElsewhere(path, [](TEvents &events) { events.SetOnce(3, 10, 2025, "Standup"); });
        QTRY_COMPARE_WITH_TIMEOUT(Cell(f.main(), 10), QString("Standup"), ReloadLimit);

        QString notice;
        QString reopened;
        WhenModal<TfrmDay>([&](TfrmDay *day) {
            day->MOnce->setPlainText("Standup at 10");
            WriteElsewhere(path,
                           [](TEvents &events) { events.SetOnce(3, 10, 2025, "Standup moved"); });
            if (waitForReload) {
                QTRY_VERIFY_WITH_TIMEOUT(day->LChanged->isVisible(), ReloadLimit);
                QVERIFY(day->LChanged->text().contains("Save keeps both"));
                QCOMPARE(day->MOnce->toPlainText(), QString("Standup at 10")); // typed, kept
            }
            QTest::mouseClick(day->BSave, Qt::LeftButton);
            WhenModal<TfrmDay>([&](TfrmDay *again) {
                notice = again->LChanged->isVisible() ? again->LChanged->text() : QString();
                reopened = again->MOnce->toPlainText();
                again->grab().save(QString("livereload-both-kept-%1.png").arg(waitForReload));
                QTest::mouseClick(again->Button2, Qt::LeftButton);
            });
        });
        f.main()->OpenDayEditor(15);
        QTRY_VERIFY_WITH_TIMEOUT(!reopened.isEmpty(), ReloadLimit);
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QCOMPARE(reopened, Merged("Standup at 10", "Standup moved"));
        QVERIFY2(notice.contains("both were kept"), qPrintable(notice));
        const QByteArray file = Bytes(path);
        QVERIFY2(file.contains(QByteArray("3/10/2025=Standup at 10\\n") + ChangedElsewhereMarker +
                               "\\nStandup moved\r\n"),
                 file.constData());
    }
}

void TestLiveReload::untouchedTextOfTheOpenEditor_showsTheNewText() {
    TMainFixture f(QDate(2025, 3, 10));
    const QString path = f.eventsFile();
    WriteElsewhere(path, [](TEvents &events) { events.SetWeekly(2, "Gym"); });
    QTRY_COMPARE_WITH_TIMEOUT(Cell(f.main(), 10), QString("Gym"), ReloadLimit);

    QString weekly;
    bool noticeShown = false;
    WhenModal<TfrmDay>([&](TfrmDay *day) {
        day->MOnce->setPlainText("Dentist");
        WriteElsewhere(path, [](TEvents &events) { events.SetWeekly(2, "Gym at 7"); });
        QTRY_COMPARE_WITH_TIMEOUT(day->MWeekly->toPlainText(), QString("Gym at 7"), ReloadLimit);
        weekly = day->MWeekly->toPlainText();
        noticeShown = day->LChanged->isVisible();
        QTest::mouseClick(day->BSave, Qt::LeftButton);
    });
    f.main()->OpenDayEditor(15);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(noticeShown);
    QCOMPARE(Events.GetWeekly(2), std::string("Gym at 7"));
    QCOMPARE(Events.GetOnce(3, 10, 2025), std::string("Dentist"));
    QVERIFY(!Bytes(path).contains(ChangedElsewhereMarker));
}

// Two long texts would not fit the file together: it keeps the other program's whole, and the
// editor shows the user's again; a Save there is the user's decision to put it in place.
void TestLiveReload::bothTooLongForTheFile_keepsTheirs_andShowsYoursToDecide() {
    TMainFixture f(QDate(2025, 3, 10));
    const QString path = f.eventsFile();
    const std::string theirs = "Theirs " + std::string(3000, 't');
    const QString mine = "Mine " + QString(3000, 'm');
    WriteElsewhere(path, [](TEvents &events) { events.SetOnce(3, 10, 2025, "Standup"); });
    QTRY_COMPARE_WITH_TIMEOUT(Cell(f.main(), 10), QString("Standup"), ReloadLimit);

    QString notice, reopened;
    WhenModal<TfrmDay>([&](TfrmDay *day) {
        day->MOnce->setPlainText(mine);
        WriteElsewhere(path, [&theirs](TEvents &events) { events.SetOnce(3, 10, 2025, theirs); });
        QTest::mouseClick(day->BSave, Qt::LeftButton);
        WhenModal<TfrmDay>([&](TfrmDay *again) {
            notice = again->LChanged->text();
            reopened = again->MOnce->toPlainText();
            again->grab().save("livereload-too-long.png");
            QVERIFY(again->MOnce->edited());
            QCOMPARE(Events.GetOnce(3, 10, 2025), theirs); // nothing of theirs cut
            QTest::mouseClick(again->BSave, Qt::LeftButton);
        });
    });
    f.main()->OpenDayEditor(15);
    QTRY_VERIFY_WITH_TIMEOUT(!reopened.isEmpty(), ReloadLimit);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QCOMPARE(reopened, mine);
    QVERIFY2(notice.contains("too long to keep"), qPrintable(notice));
    QCOMPARE(Events.GetOnce(3, 10, 2025), mine.toStdString());
    QVERIFY(Bytes(path).contains(QByteArray("3/10/2025=") + mine.toUtf8() + "\r\n"));
}

void TestLiveReload::editMerge_rules() {
    struct Row {
        const char *name, *before, *after, *current, *expected;
        bool conflict;
    };
    const std::string both = std::string("mine\r\n") + ChangedElsewhereMarker + "\r\ntheirs";
    const Row rows[] = {
        {"nobody else changed it", "old", "mine", "old", "mine", false},
        {"the other program wrote the same", "old", "mine", "mine", "mine", false},
        {"both changed it", "old", "mine", "theirs", both.c_str(), true},
        {"new here, new there", "", "mine", "theirs", both.c_str(), true},
        {"deleted here, changed there", "old", "", "theirs", "theirs", false},
        {"changed here, deleted there", "old", "mine", "", "mine", false},
    };
    const std::string longMine(2100, 'm'), longTheirs(2100, 't');
    for (const Row &row : rows) {
        TEntryEdit edit{row.before, row.after, {}};
        bool conflict = false;
        QCOMPARE(ApplyEntryEdit(edit, row.current, conflict), std::string(row.expected));
        QVERIFY2(conflict == row.conflict, row.name);
        // A retried save (the first write failed) applies the same edit again: on the file as
        // it was, or on the store that already holds the result. Nothing is doubled.
        QCOMPARE(ApplyEntryEdit(edit, row.current, conflict), std::string(row.expected));
        QCOMPARE(ApplyEntryEdit(edit, row.expected, conflict), std::string(row.expected));
        QVERIFY2(!conflict, row.name);
        QVERIFY2(!edit.TooLong, row.name);
    }
    // Both would pass the events file's limit together: the file keeps theirs whole.
    TEntryEdit tooLong{"old", longMine, {}};
    bool conflict = false;
    QCOMPARE(ApplyEntryEdit(tooLong, longTheirs, conflict), longTheirs);
    QVERIFY(conflict && tooLong.TooLong);
    QCOMPARE(ApplyEntryEdit(tooLong, longTheirs, conflict), longTheirs);
}

QTEST_MAIN(TestLiveReload)
#include "tst_livereload.moc"
