#include "Fonts.h"

#include <QFile>
#include <QFontDatabase>

void InstallFontSubstitutes()
{
    // Wine ships a Tahoma-compatible face outside fontconfig's path; it keeps the cells'
    // text widths as they were laid out. Without it, DejaVu Sans stands in (a little wider).
    bool haveTahoma = QFontDatabase::families().contains("Tahoma");
    for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
        if (!haveTahoma && QFile::exists(file))
            QFontDatabase::addApplicationFont(file);
    }
    haveTahoma = QFontDatabase::families().contains("Tahoma");
    if (!haveTahoma)
        QFont::insertSubstitution("Tahoma", "DejaVu Sans");
    if (!QFontDatabase::families().contains("Verdana"))
        QFont::insertSubstitution("Verdana", "DejaVu Sans");
    if (!QFontDatabase::families().contains("Times New Roman"))
        QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "DejaVu Serif"});
}

QFont UiFont(const QString& family, int pixelHeight, bool bold)
{
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}
