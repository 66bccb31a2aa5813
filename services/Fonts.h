#pragma once
#include <QFont>

// Registers substitutes for the faces the windows ask for by name (Tahoma, Verdana,
// Times New Roman) where the system lacks them. Call once after the application exists.
void InstallFontSubstitutes();

// A font of the given face at a height in pixels (the windows are laid out in pixels).
QFont UiFont(const QString& family, int pixelHeight, bool bold = false);
