#pragma once
#include <QString>

// Application-wide facts and the help service, created once at start-up.
class TGUI {
public:
    TGUI(); // needs a running QApplication

    QString AppDir; // folder of the executable, ending with '/'
    QString HelpFile;
    bool StartMaximized = false;
    bool SavedMinAnimate = false;
    bool CloseMinimizes = true;

    // The events file, chosen by the rule it shares with quorva-cli when first asked for and
    // kept for the whole run, so that every save goes to the file that was loaded.
    QString EventsFilePath() const;

    // Opens a topic of the help ("::/HTML/Getting_Started.html#Reminder") in the help window.
    void ShowHelpTopic(const QString& topic);
    QString LastHelpTopic; // the topic opened last, for those who need to know

private:
    mutable QString eventsFile;
    mutable QString eventsFileAppDir; // the AppDir the file was chosen for
};

extern TGUI* GUI;
