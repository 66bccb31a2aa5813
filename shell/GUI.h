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

    // The events file: beside the executable where the user may write there, otherwise in
    // the user's data folder. Formed anew for every load and save.
    QString EventsFilePath() const;

    // Opens a topic of the help ("::/HTML/Getting_Started.html#Reminder") in the help window.
    void ShowHelpTopic(const QString& topic);
    QString LastHelpTopic; // the topic opened last, for those who need to know
};

extern TGUI* GUI;
