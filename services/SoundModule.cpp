// The click, in a module of its own that the program loads at the first click: Qt
// Multimedia and the audio libraries under it cost the start a noticeable part of its time.
#include <QtGlobal>

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>

#include <cstring>

namespace {

QLoggingCategory::CategoryFilter previousFilter = nullptr;
bool filterInstalled = false;
bool multimediaLoggingAsked = false;

// A machine without a sound device is normal for this program (servers, remote sessions,
// the test runs), and Qt Multimedia reports that on the console at every attempt. The click
// is decoration, so its failures stay silent. A QT_LOGGING_RULES that names qt.multimedia
// still turns them on, for when the sound itself is being investigated.
void QuietMultimediaFilter(QLoggingCategory *category) {
    const bool multimedia = std::strncmp(category->categoryName(), "qt.multimedia", 13) == 0;
    if (multimedia && !multimediaLoggingAsked) {
        category->setEnabled(QtDebugMsg, false);
        category->setEnabled(QtInfoMsg, false);
        category->setEnabled(QtWarningMsg, false);
        category->setEnabled(QtCriticalMsg, false);
        return;
    }
    if (previousFilter)
        previousFilter(category);
}

// The audio back end also reports a missing sound server in the default category.
QtMessageHandler previousHandler = nullptr;

void QuietAudioMessages(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    if (!multimediaLoggingAsked && (text.startsWith("PulseAudioService:") ||
                                    text.startsWith("No audio device detected")))
        return;
    if (previousHandler)
        previousHandler(type, context, text);
}

QSoundEffect *ClickEffect() {
    // Owned by the application, so it goes before the audio back end does; a later
    // application (as in tests that create several) gets a new one.
    static QPointer<QSoundEffect> effect;
    if (!effect) {
        if (!filterInstalled) {
            filterInstalled = true;
            multimediaLoggingAsked =
                qEnvironmentVariable("QT_LOGGING_RULES").contains("multimedia");
            previousFilter = QLoggingCategory::installFilter(QuietMultimediaFilter);
            previousHandler = qInstallMessageHandler(QuietAudioMessages);
        }
        effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl("qrc:/sounds/click.wav"));
    }
    return effect;
}

} // namespace

extern "C" Q_DECL_EXPORT void QuorvaPlayClick() {
    if (!QCoreApplication::instance())
        return;
    QSoundEffect *effect = ClickEffect();
    // Without a device play() returns at once and isPlaying() may never clear, so the
    // state is never waited on: stopping first makes a second click start from its beginning.
    effect->stop();
    effect->play();
}
