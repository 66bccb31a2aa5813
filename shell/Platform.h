#pragma once

// The system's minimise-and-restore window animation. Only Windows has the setting; elsewhere
// it reads as off and switching it does nothing.
bool GetMinimizeAnimation();
void SetMinimizeAnimation(bool on);
