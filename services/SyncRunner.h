#pragma once
// The calendar's side of the sync: what it remembers about the calendar server, and runs of
// quorva-cli (beside the program), which does the sync itself, so that the window and the
// command line behave alike and a sync never holds up the window. A password the calendar
// knows goes to quorva-cli on its standard input, never on its command line.
#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;

// [Sync] of $XDG_CONFIG_HOME/Ostrune/quorva-sync.ini, the file quorva-cli sync remembers its
// settings in. The password is never there.
struct TSyncConfig {
    QString Url;
    QString User;
    bool Auto = false; // synchronize every Minutes while the calendar runs
    int Minutes = 15;
    static constexpr int MinMinutes = 1;
    static constexpr int MaxMinutes = 1440;

    static TSyncConfig Read();
    // Writes the file crash-safely, readable by the user only; throws QuorvaError.
    void Write() const;
};

class TSyncRunner : public QObject {
    Q_OBJECT
public:
    explicit TSyncRunner(QObject *parent = nullptr);
    ~TSyncRunner() override;

    // quorva-cli beside the program; empty when it is not there.
    static QString CliPath();

    bool Running() const;
    // Starts quorva-cli with arguments, password (when not empty) written to its input with
    // --password-stdin added. False with Finished not to come when it cannot start.
    bool Start(const QStringList &arguments, const QString &password = {});
    // Ends a run: given waitMs to finish, then asked to stop, then killed. A sync stopped at
    // any moment leaves the file and its state whole; the next one completes it.
    void Stop(int waitMs = 3000);

    // Runs quorva-cli to the end (for short commands such as keeping a password); the exit
    // code, or -1 when it did not start or took longer than timeoutMs.
    static int RunAndWait(const QStringList &arguments, const QByteArray &input, QString &out,
                          QString &error, int timeoutMs = 10000);

    // The line a run left: its last line of output on success, its message without the
    // "quorva-cli: " prefix otherwise.
    static QString LastLine(const QString &text);

signals:
    // ok: exit 0. line: the summary ("sync: 3 sent, ...") or the reason it failed.
    void Finished(bool ok, const QString &line);

private:
    QProcess *process = nullptr;
};
