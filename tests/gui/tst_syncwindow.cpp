// Synchronize in the window, against a real Radicale on loopback: the Calendar Server dialog
// and its Test button, a sync started by the user (status bar, cell, message box on failure),
// and a quit while a sync hangs on its server.
#include "MainFixture.h"

#include "MainForm.h"
#include "Pool.h"
#include "ServerForm.h"
#include "StatusBar.h"
#include "SyncRunner.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Python = "/usr/bin/python3"; // Debian's, which has Radicale and the CalDAV modules
const QString Peer = QUORVA_SOURCE_DIR "/tests/sync/peer.py";
const QString Password = "pa55-window";
// The waits below are for Radicale, quorva-cli and what follows their answers, all of which a
// loaded machine slows down: the limit only ends a test that would wait forever.
constexpr int ProcessLimit = 60000;

QString Status(TfrmMain *main) {
    return main->findChild<TStatusBar *>("SBMain")->statusText();
}

int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestSyncWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void serverDialog_testButton_saysWhatTheServerAnswered();
    void synchronize_showsTheServersEvent_andItsLineInTheStatusBar();
    void synchronizeFailing_saysWhyInABoxAndTheStatusBar();
    void quitDuringASync_stopsIt();

private:
    bool phone(const QStringList &arguments);
    QTemporaryDir server;
    QProcess radicale;
    QString url;
};

void TestSyncWindow::initTestCase() {
    if (TSyncRunner::CliPath().isEmpty())
        QSKIP("quorva-cli is not beside the test");
    if (QProcess::execute(Python, {"-c", "import radicale, caldav"}) != 0)
        QSKIP("Radicale or python3-caldav is not installed");
    // No secret store: the password stays in memory, as the dialog says.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    const int port = FreePort();
    QFile users(server.filePath("users"));
    QVERIFY(users.open(QIODevice::WriteOnly));
    users.write(("alice:" + Password + "\n").toUtf8());
    users.close();
    QFile config(server.filePath("radicale.conf"));
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.write(QString("[server]\nhosts = 127.0.0.1:%1\n[auth]\ntype = htpasswd\n"
                         "htpasswd_filename = %2\nhtpasswd_encryption = plain\n[storage]\n"
                         "filesystem_folder = %3\n[logging]\nlevel = warning\n")
                     .arg(port)
                     .arg(server.filePath("users"), server.filePath("store"))
                     .toUtf8());
    config.close();
    radicale.start(Python, {"-m", "radicale", "--config", server.filePath("radicale.conf")});
    QVERIFY(radicale.waitForStarted());
    bool listening = false;
    for (QDeadlineTimer deadline(ProcessLimit);
         !listening && !deadline.hasExpired() && radicale.state() == QProcess::Running;) {
        QTcpSocket probe;
        probe.connectToHost("127.0.0.1", port);
        listening = probe.waitForConnected(100);
        if (!listening)
            QTest::qWait(100);
    }
    QVERIFY(listening);
    QVERIFY(QProcess::execute(Python, {Peer, QString("http://127.0.0.1:%1/alice/").arg(port),
                                       "alice", Password, "make-calendar", "window"}) == 0);
    url = QString("http://127.0.0.1:%1/alice/window/").arg(port);
}

void TestSyncWindow::cleanupTestCase() {
    radicale.terminate();
    radicale.waitForFinished();
}

bool TestSyncWindow::phone(const QStringList &arguments) {
    return QProcess::execute(Python, QStringList{Peer, url, "alice", Password} + arguments) == 0;
}

void TestSyncWindow::serverDialog_testButton_saysWhatTheServerAnswered() {
    TMainFixture f(QDate(2025, 3, 10));
    TfrmServer dialog(f.main());
    dialog.show();
    dialog.EUrl->setText("ftp://example.com/");
    dialog.BTestClick();
    QCOMPARE(dialog.LTest->text(), QString("The address must start with http:// or https://."));

    dialog.EUrl->setText(url);
    dialog.EUser->setText("alice");
    dialog.EPassword->setText("wrong");
    dialog.BTestClick();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.BTest->isEnabled(), ProcessLimit);
    QVERIFY2(dialog.LTest->text().endsWith("refused the user name or password"),
             qPrintable(dialog.LTest->text()));

    dialog.EPassword->setText(Password);
    dialog.BTestClick();
    QTRY_VERIFY_WITH_TIMEOUT(dialog.BTest->isEnabled(), ProcessLimit);
    QCOMPARE(dialog.LTest->text(), url + ": a CalDAV calendar with 0 events");
    // A test remembers nothing.
    QCOMPARE(TSyncConfig::Read().Url, QString());
}

void TestSyncWindow::synchronize_showsTheServersEvent_andItsLineInTheStatusBar() {
    TMainFixture f(QDate::currentDate());
    const QDate today = QDate::currentDate();
    QVERIFY(phone({"add", "window-1", today.toString("yyyyMMdd"), "Lunch with Ana"}));

    // Options > Calendar Server: no secret store runs, so the dialog says the password is
    // kept for this run only.
    QString said;
    WhenModal<QMessageBox>([&said](QMessageBox *box) {
        said = box->text();
        box->accept();
    });
    f.whenModal([this](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmServer *>(modal);
        QVERIFY(dialog);
        dialog->EUrl->setText(url);
        dialog->EUser->setText("alice");
        dialog->EPassword->setText(Password);
        dialog->CBAutoSync->setChecked(true);
        dialog->SEMinutes->setValue(30);
        QTest::mouseClick(dialog->BOk, Qt::LeftButton);
    });
    f.main()->AServerExecute();
    QVERIFY2(said.contains("no secret store is running"), qPrintable(said));
    const TSyncConfig config = TSyncConfig::Read();
    QCOMPARE(config.Url, url);
    QCOMPARE(config.User, QString("alice"));
    QVERIFY(config.Auto);
    QCOMPARE(config.Minutes, 30);
    QVERIFY(!f.readFile(f.config.filePath("Ostrune/quorva-sync.ini")).contains(Password));

    f.main()->ASynchronizeExecute();
    QCOMPARE(Status(f.main()), QString("Synchronizing..."));
    QVERIFY(f.main()->Synchronizing());
    QTRY_VERIFY_WITH_TIMEOUT(Status(f.main()).startsWith("sync: "), ProcessLimit);
    QCOMPARE(Status(f.main()), QString("sync: 0 sent, 1 received, 0 conflicts kept, 0 deleted"));
    const int cell = today.addDays(1 - today.day()).dayOfWeek() % 7 + today.day();
    QCOMPARE(f.main()->findChild<QLabel *>(QString("LEvent%1").arg(cell))->text(),
             QString("Lunch with Ana"));
    // After a few seconds the status bar shows today's events again.
    QTRY_VERIFY_WITH_TIMEOUT(Status(f.main()).startsWith("Today is"), ProcessLimit);
    QVERIFY(Status(f.main()).contains("Lunch with Ana"));
}

void TestSyncWindow::synchronizeFailing_saysWhyInABoxAndTheStatusBar() {
    TMainFixture f(QDate(2025, 3, 10));
    TSyncConfig config;
    config.Url = QString("http://127.0.0.1:%1/nothing/").arg(FreePort());
    config.Write();
    QString said;
    WhenModal<QMessageBox>([&said](QMessageBox *box) {
        said = box->text();
        box->accept();
    });
    f.main()->ASynchronizeExecute();
    QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty(), ProcessLimit);
    QVERIFY2(said.startsWith("The calendar could not be synchronized: " + config.Url +
                             " could not be reached"),
             qPrintable(said));
    QVERIFY2(Status(f.main()).startsWith("Not synchronized: "), qPrintable(Status(f.main())));
}

// A server that takes the connection and never answers: quitting stops the sync rather than
// wait for quorva-cli's own time-outs.
void TestSyncWindow::quitDuringASync_stopsIt() {
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    auto f = std::make_unique<TMainFixture>(QDate(2025, 3, 10));
    TSyncConfig config;
    config.Url = QString("http://127.0.0.1:%1/cal/").arg(silent.serverPort());
    config.Write();
    f->main()->SynchronizeNow(false);
    QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections() || silent.waitForNewConnection(100),
                             ProcessLimit);
    QVERIFY(f->main()->Synchronizing());
    f->main()->QueryShutdown(); // as at a log-off; a close by the user takes the same steps
    QVERIFY(!f->main()->Synchronizing());
    f.reset();
}

QTEST_MAIN(TestSyncWindow)
#include "tst_syncwindow.moc"
