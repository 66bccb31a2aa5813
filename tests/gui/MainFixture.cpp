#include "MainFixture.h"

#include "Clock.h"
#include "DayForm.h"
#include "Fonts.h"
#include "GUI.h"
#include "MainForm.h"
#include "Pool.h"
#include "Preferences.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

TMainFixture::TMainFixture(const QDate& today, const QStringList& arguments)
{
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    setToday(today);
    ResetPreferences();
    Events.Clear();
    static const bool fonts = (InstallFontSubstitutes(), true);
    Q_UNUSED(fonts);
    create(arguments);
}

TMainFixture::~TMainFixture()
{
    frmDay = nullptr;
    day.reset();
    window.reset();
    GUI = nullptr;
    gui.reset();
    Clock::SetSource({});
    Events.Clear();
}

void TMainFixture::create(const QStringList& arguments)
{
    gui = std::make_unique<TGUI>();
    gui->AppDir = app.path() + '/';
    GUI = gui.get();
    window = std::make_unique<TfrmMain>(arguments);
    day = std::make_unique<TfrmDay>(window.get());
    frmDay = day.get();
}

void TMainFixture::recreate(const QStringList& arguments)
{
    frmDay = nullptr;
    day.reset();
    window.reset();
    ResetPreferences();
    Events.Clear();
    create(arguments);
}

void TMainFixture::setToday(const QDate& today, const QTime& time)
{
    now = QDateTime(today, time);
    Clock::SetSource([this] { return now; });
}

QString TMainFixture::eventsFile() const
{
    return app.path() + "/quorva.ini";
}

QString TMainFixture::settingsFile() const
{
    return config.path() + "/Ostrune/Quorva.reg";
}

QString TMainFixture::readFile(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll());
}

void TMainFixture::whenModal(const std::function<void(QWidget*)>& onModal)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, onModal] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            onModal(modal);
        }
    });
    poll->start();
}
