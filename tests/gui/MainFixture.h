#pragma once
#include <QApplication>
#include <QDate>
#include <QTimer>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class TfrmMain;
class TfrmDay;
class TGUI;

// A main window in temporary application, settings and data folders, at a date the test sets.
class TMainFixture {
public:
    explicit TMainFixture(const QDate& today, const QStringList& arguments = {"quorva"});
    ~TMainFixture();

    // Restarts the main window with the same folders (settings and events stay).
    void recreate(const QStringList& arguments = {"quorva"});

    void setToday(const QDate& today, const QTime& time = QTime(12, 0));
    QString eventsFile() const;
    QString settingsFile() const;
    QString readFile(const QString& path) const;

    // Runs action while a modal dialog opens, and calls onModal with it once it shows.
    static void whenModal(const std::function<void(QWidget*)>& onModal);

    TfrmMain* main() const { return window.get(); }
    QTemporaryDir app;
    QTemporaryDir config;
    QTemporaryDir data;

private:
    void create(const QStringList& arguments);
    QDateTime now;
    std::unique_ptr<TGUI> gui;
    std::unique_ptr<TfrmMain> window;
    std::unique_ptr<TfrmDay> day;
};

// Calls onModal with the next modal window of type T once it shows; other modal windows
// (a message box over the editor, say) are left to their own watchers.
template <typename T> void WhenModal(const std::function<void(T *)> &onModal) {
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, onModal] {
        if (auto *modal = qobject_cast<T *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            onModal(modal);
        }
    });
    poll->start();
}
