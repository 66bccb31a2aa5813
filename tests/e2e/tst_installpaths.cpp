#include "InstallPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The read-me is looked up in a prefix laid out as prefix/bin (the executable) and
// prefix/share/doc/quorva, the way the install rules place it.
class TestInstallPaths : public QObject {
    Q_OBJECT

private slots:
    void readmeFilePath_layout_picksTheFileThatExists_data();
    void readmeFilePath_layout_picksTheFileThatExists();
};

namespace {
const char *const Beside = "bin/readme.txt";
const char *const Installed = "share/doc/quorva/readme.txt";

void CreateFile(const QString &root, const QString &relative) {
    const QString path = root + '/' + relative;
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Quorva\n");
}
} // namespace

void TestInstallPaths::readmeFilePath_layout_picksTheFileThatExists_data() {
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("expected");

    QTest::newRow("run where it was built: beside the executable")
        << QStringList{Beside} << QString(Beside);
    QTest::newRow("installed: under share/doc") << QStringList{Installed} << QString(Installed);
    QTest::newRow("both present: the one beside the executable wins")
        << QStringList{Beside, Installed} << QString(Beside);
    QTest::newRow("neither present: beside the executable, so opening it fails")
        << QStringList{} << QString(Beside);
    QTest::newRow("a folder named readme.txt beside the executable is no read-me")
        << QStringList{QString(Beside) + "/notes.txt", Installed} << QString(Installed);
}

void TestInstallPaths::readmeFilePath_layout_picksTheFileThatExists() {
    QFETCH(QStringList, present);
    QFETCH(QString, expected);
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    QVERIFY(QDir().mkpath(prefix.path() + "/bin"));
    for (const QString &relative : present)
        CreateFile(prefix.path(), relative);

    QCOMPARE(ReadmeFilePath(prefix.path() + "/bin/"), prefix.path() + '/' + expected);
}

QTEST_GUILESS_MAIN(TestInstallPaths)
#include "tst_installpaths.moc"
