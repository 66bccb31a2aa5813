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
    return QString::fromStdString(DefaultEventsFilePath(AppDir.toStdString()));
}

void TGUI::ShowHelpTopic(const QString& topic)
{
    LastHelpTopic = topic;
    THelpWindow::instance()->showTopic(topic);
}
