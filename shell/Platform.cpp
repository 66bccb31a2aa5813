#include "Platform.h"

#ifdef _WIN32
#include <windows.h>

bool GetMinimizeAnimation()
{
    ANIMATIONINFO info{};
    info.cbSize = sizeof(info);
    if (!SystemParametersInfoW(SPI_GETANIMATION, sizeof(info), &info, 0))
        return false;
    return info.iMinAnimate != 0;
}

// Until the next log-on only: the user's profile is not changed.
void SetMinimizeAnimation(bool on)
{
    ANIMATIONINFO info{};
    info.cbSize = sizeof(info);
    info.iMinAnimate = on ? 1 : 0;
    SystemParametersInfoW(SPI_SETANIMATION, sizeof(info), &info, 0);
}

#else

bool GetMinimizeAnimation()
{
    return false;
}

void SetMinimizeAnimation(bool)
{
}

#endif
