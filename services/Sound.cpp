#include "Sound.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace {

using PlayFunction = void (*)();

// The folders where the click's module may be: beside the program (where it was built or
// unpacked), then in the lib/quorva folder beside an installed program's bin folder.
QStringList ModuleFolders() {
    const QString appDir = QCoreApplication::applicationDirPath();
    return {appDir, QDir::cleanPath(appDir + "/../lib/quorva")};
}

PlayFunction LoadPlay() {
    static bool tried = false;
    static PlayFunction play = nullptr;
    if (tried)
        return play;
    tried = true;
    for (const QString &folder : ModuleFolders()) {
        QLibrary module(folder + "/quorva_sound");
        if (!module.load())
            continue;
        play = reinterpret_cast<PlayFunction>(module.resolve("QuorvaPlayClick"));
        if (play)
            break;
        module.unload();
    }
    return play;
}

} // namespace

void PlayClick() {
    if (!QCoreApplication::instance())
        return;
    if (const PlayFunction play = LoadPlay())
        play();
}

bool ClickSoundAvailable() {
    return QCoreApplication::instance() && LoadPlay() != nullptr;
}
