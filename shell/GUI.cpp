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
#ifdef _WIN32
    const std::filesystem::path folder(AppDir.toStdWString());
    return QString::fromStdWString(std::filesystem::path(DefaultEventsFilePath(folder)).wstring());
#else
    return QString::fromStdString(DefaultEventsFilePath(AppDir.toStdString()));
#endif
}

void TGUI::ShowHelpTopic(const QString& topic)
{
    LastHelpTopic = topic;
    THelpWindow::instance()->showTopic(topic);
}
