#pragma once

// The system's minimise-and-restore window animation. Only Windows has the setting; elsewhere
// it reads as off and switching it does nothing.
bool GetMinimizeAnimation();
void SetMinimizeAnimation(bool on);

class QUrl;
class QWidget;

// Opens a file or an address with the desktop's program for it. When that cannot be done
// (the file is missing, no program is there to open it) the user sees a message box that
// names what could not be opened; the toolkit's own complaint stays off the console.
// False when it failed.
bool OpenWithDesktop(const QUrl& url, QWidget* parent);
