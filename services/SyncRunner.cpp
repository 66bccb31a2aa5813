#include "SyncRunner.h"

#include "FileIo.h"
#include "IniFile.h"
#include "XdgFiles.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

constexpr char Section[] = "Sync";

std::filesystem::path ConfigFile() {
    return XdgConfigHome() / "Ostrune" / "quorva-sync.ini";
}

IniFile ReadIni() {
    std::string text, reason;
    bool missing = false;
    ReadWholeFile(ConfigFile().string(), text, reason, missing);
    return IniFile::FromText(text);
}

} // namespace

TSyncConfig TSyncConfig::Read() {
    const IniFile ini = ReadIni();
    TSyncConfig config;
    config.Url = QString::fromStdString(ini.Read(Section, "Url", ""));
    config.User = QString::fromStdString(ini.Read(Section, "User", ""));
    config.Auto = ini.Read(Section, "AutoSync", "0") == "1";
    bool ok = false;
    const int minutes =
        QString::fromStdString(ini.Read(Section, "AutoSyncMinutes", "15")).toInt(&ok);
    config.Minutes = ok ? std::clamp(minutes, MinMinutes, MaxMinutes) : 15;
    return config;
}

void TSyncConfig::Write() const {
    IniFile ini = ReadIni(); // quorva-cli's own keys (password command, CA file) stay
    ini.Write(Section, "Url", Url.toStdString());
    ini.Write(Section, "User", User.toStdString());
    ini.Write(Section, "AutoSync", Auto ? "1" : "0");
    ini.Write(Section, "AutoSyncMinutes", std::to_string(Minutes));
    const std::filesystem::path file = ConfigFile();
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    WriteFileAtomically(file, ini.ToText());
#ifndef _WIN32
    ::chmod(file.c_str(), 0600);
#endif
}

TSyncRunner::TSyncRunner(QObject *parent) : QObject(parent) {}

TSyncRunner::~TSyncRunner() {
    Stop(0);
}

QString TSyncRunner::CliPath() {
#ifdef _WIN32
    const QString path = QCoreApplication::applicationDirPath() + "/quorva-cli.exe";
#else
    const QString path = QCoreApplication::applicationDirPath() + "/quorva-cli";
#endif
    return QFileInfo(path).isExecutable() ? path : QString();
}

bool TSyncRunner::Running() const {
    return process && process->state() != QProcess::NotRunning;
}

bool TSyncRunner::Start(const QStringList &arguments, const QString &password) {
    const QString cli = CliPath();
    if (cli.isEmpty() || Running())
        return false;
    if (process) { // the last run's, which may still be delivering its end
        process->disconnect(this);
        process->deleteLater();
    }
    process = new QProcess(this);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    QStringList args = arguments;
    if (!password.isEmpty())
        args << "--password-stdin";
    QProcess *run = process;
    connect(run, &QProcess::finished, this, [this, run](int code, QProcess::ExitStatus status) {
        const QString out = QString::fromUtf8(run->readAllStandardOutput());
        const QString err = QString::fromUtf8(run->readAllStandardError());
        const bool ok = status == QProcess::NormalExit && code == 0;
        QString line = LastLine(ok ? out : err);
        if (!ok && line.isEmpty())
            line = status == QProcess::NormalExit ? "the sync failed" : "the sync was stopped";
        emit Finished(ok, line);
    });
    process->start(cli, args);
    if (!process->waitForStarted(5000))
        return false;
    if (!password.isEmpty())
        process->write(password.toUtf8() + "\n");
    process->closeWriteChannel();
    return true;
}

void TSyncRunner::Stop(int waitMs) {
    if (!Running())
        return;
    process->blockSignals(true); // a stopped run reports nothing
    if (waitMs > 0 && process->waitForFinished(waitMs))
        return;
    process->terminate();
    if (!process->waitForFinished(2000)) {
        process->kill();
        process->waitForFinished(1000);
    }
}

int TSyncRunner::RunAndWait(const QStringList &arguments, const QByteArray &input, QString &out,
                            QString &error, int timeoutMs) {
    const QString cli = CliPath();
    if (cli.isEmpty()) {
        error = "quorva-cli is not beside the calendar";
        return -1;
    }
    QProcess process;
    process.start(cli, arguments);
    if (!process.waitForStarted(5000)) {
        error = "quorva-cli could not be started";
        return -1;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        error = "quorva-cli did not answer in time";
        return -1;
    }
    out = QString::fromUtf8(process.readAllStandardOutput());
    error = LastLine(QString::fromUtf8(process.readAllStandardError()));
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QString TSyncRunner::LastLine(const QString &text) {
    const QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    QString line = lines.isEmpty() ? QString() : lines.last().trimmed();
    if (line.startsWith("quorva-cli: "))
        line = line.mid(12);
    return line;
}
