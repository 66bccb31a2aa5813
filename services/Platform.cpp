#include "Platform.h"

#include "Constants.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

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

namespace {

QtMessageHandler outerHandler = nullptr;

// The toolkit names a missing launcher on the console; the message box says it instead.
void DropLauncherMessages(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtWarningMsg && text.startsWith("Unable to detect"))
        return;
    if (outerHandler)
        outerHandler(type, context, text);
}

} // namespace

bool OpenWithDesktop(const QUrl& url, QWidget* parent)
{
    const QString what = url.isLocalFile() ? QDir::toNativeSeparators(url.toLocalFile())
                                           : url.toString();
    QString reason;
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
        reason = "the file does not exist.";
    } else {
        outerHandler = qInstallMessageHandler(DropLauncherMessages);
        const bool opened = QDesktopServices::openUrl(url);
        qInstallMessageHandler(outerHandler);
        if (opened)
            return true;
        reason = url.isLocalFile() ? "no program to open it was found."
                                   : "no web browser was found.";
    }
    QMessageBox box(QMessageBox::Warning, Constants::MainCaption,
                    "Unable to open " + what + ": " + reason, QMessageBox::Ok, parent);
    box.setObjectName("OpenFailedMessage");
    box.exec();
    return false;
}
