#pragma once

// What the dialogs may ask of the main window. The main window installs itself here;
// tests install a recorder.
class TMainOps {
public:
    virtual ~TMainOps() = default;
    virtual void GoToDate(int month, int day, int year) = 0;
    virtual void SBMainClick() = 0;
    virtual void ActionPrefExecute() = 0;
    // Restores the program from minimised or the notification area and activates the main window.
    virtual void RestoreAndActivate() = 0;
    // The main window is hidden and the program lives in the notification area.
    virtual bool LivesInTray() const = 0;
};

extern TMainOps* MainOps;
