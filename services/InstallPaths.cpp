#include "InstallPaths.h"

#include "Constants.h"

#include <QDir>
#include <QFileInfo>

QString ReadmeFilePath(const QString &appDir) {
    const QString beside = appDir + Constants::ReadmeFileName;
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed =
        QDir::cleanPath(appDir + "../share/doc/quorva/" + Constants::ReadmeFileName);
    if (QFileInfo(installed).isFile())
        return installed;
    return beside;
}
