#include "GUI.h"

#include "Constants.h"
#include "HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

TGUI* GUI = nullptr;

TGUI::TGUI()
    : AppDir(QDir(QCoreApplication::applicationDirPath()).absolutePath() + '/'),
      HelpFile(AppDir + "quorva.chm")
{
}

QString TGUI::EventsFilePath() const
{
    const QString beside = AppDir + Constants::EventsFileName;
    const QFileInfo folder(AppDir);
    const QFileInfo file(beside);
    if (folder.isWritable() && (!file.exists() || file.isWritable()))
        return beside;
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + "/.local/share";
    const QString dir = data + "/Quorva";
    QDir().mkpath(dir);
    return dir + '/' + Constants::EventsFileName;
}

void TGUI::ShowHelpTopic(const QString& topic)
{
    LastHelpTopic = topic;
    THelpWindow::instance()->showTopic(topic);
}
