#ifndef GLINTVIEW_SOUNDPLAYER_H
#define GLINTVIEW_SOUNDPLAYER_H

// Every sound the program plays goes through here: .wav files under the
// working directory, played asynchronously. A missing file or a machine
// without an audio output plays nothing and says nothing. Tests install a
// listener in place of the playback and read which sounds came, in order.

#include <QString>
#include <functional>

class SoundPlayer
{
public:
    static const char kStartA[];   // "sound/start-A.wav"
    static const char kStartF[];   // "sound/start-F.wav"
    static const char kCapture[];  // "sound/capture.wav"
    static const char kTimeout[];  // "sound/timeout.wav"

    // GUI thread. A path relative to the working directory.
    static void play(const QString &relativePath);

    using Listener = std::function<void(const QString &relativePath)>;
    // Installs a listener in place of the playback; an empty one restores it.
    static void setListener(Listener listener);
};

#endif
