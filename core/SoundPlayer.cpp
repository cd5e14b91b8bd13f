#include "core/SoundPlayer.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <QCoreApplication>
#include <QPointer>

const char SoundPlayer::kStartA[] = "sound/start-A.wav";
const char SoundPlayer::kStartF[] = "sound/start-F.wav";
const char SoundPlayer::kCapture[] = "sound/capture.wav";
const char SoundPlayer::kTimeout[] = "sound/timeout.wav";

namespace {
SoundPlayer::Listener &listener()
{
    static SoundPlayer::Listener l;
    return l;
}

// One effect per file, kept for the run: an effect plays only while it
// exists, and loading a file once is enough. The application owns them, so
// they go with it, before the audio back end does.
QSoundEffect *effectFor(const QString &absolutePath)
{
    static QHash<QString, QPointer<QSoundEffect>> effects;
    QPointer<QSoundEffect> &effect = effects[absolutePath];
    if (!effect) {
        effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl::fromLocalFile(absolutePath));
    }
    return effect;
}
} // namespace

void SoundPlayer::play(const QString &relativePath)
{
    if (listener()) {
        listener()(relativePath);
        return;
    }
    const QString path = QDir::current().absoluteFilePath(relativePath);
    if (!QFileInfo(path).isFile())
        return;
    if (QMediaDevices::audioOutputs().isEmpty())
        return;
    effectFor(path)->play();
}

void SoundPlayer::setListener(Listener l)
{
    listener() = std::move(l);
}
