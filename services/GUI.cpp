#include "GUI.h"

#include "Constants.h"
#include "EventsPath.h"
#include "HelpWindow.h"

#include <QCoreApplication>
#include <QDir>

TGUI* GUI = nullptr;

TGUI::TGUI()
    : AppDir(QDir(QCoreApplication::applicationDirPath()).absolutePath() + '/'),
      HelpFile(AppDir + "quorva.chm")
{
}

QString TGUI::EventsFilePath() const
{
    if (!eventsFile.isEmpty() && eventsFileAppDir == AppDir)
        return eventsFile;
    eventsFileAppDir = AppDir;
#ifdef _WIN32
    const std::filesystem::path folder(AppDir.toStdWString());
    eventsFile =
        QString::fromStdWString(std::filesystem::path(DefaultEventsFilePath(folder)).wstring());
#else
    eventsFile = QString::fromStdString(DefaultEventsFilePath(AppDir.toStdString()));
#endif
    return eventsFile;
}

void TGUI::ShowHelpTopic(const QString& topic)
{
    LastHelpTopic = topic;
    THelpWindow::instance()->showTopic(topic);
}
