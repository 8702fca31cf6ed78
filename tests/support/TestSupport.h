#pragma once
// Helpers shared by the tests: seam recorders, media made and probed, an X server.

#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <ostream>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

// Test messages show a QString as its text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace testing_support {

// The build's program folder (where ostrela, vexa.exe and the libraries lie), with "/".
QString BinDir();

// Puts a handler into a platform seam for the guard's life, then the previous one back.
template <class Handler> class SeamGuard {
public:
    SeamGuard(Handler (*setter)(Handler), std::type_identity_t<Handler> handler)
        : set(setter), previous(setter(std::move(handler))) {}
    ~SeamGuard() { set(std::move(previous)); }
    SeamGuard(const SeamGuard&) = delete;
    SeamGuard& operator=(const SeamGuard&) = delete;

private:
    Handler (*set)(Handler);
    Handler previous;
};

// Records and answers every box (queued answers, then IDYES or IDOK), after
// `onShow`; each runs an event loop of its own as a real box does (unless
// OSTRELA_TEST_NESTED_BOXES=0), so one opened inside a runner's notice fails.
class MessageBoxRecorder {
public:
    std::vector<MessageBoxRequest> boxes;
    std::deque<int> answers;
    std::function<void(const MessageBoxRequest&)> onShow;
    // -1: answered at once, without an event loop.
    int openMs = qEnvironmentVariable("OSTRELA_TEST_NESTED_BOXES") == QLatin1String("0") ? -1 : 20;
    int open = 0; // boxes whose event loop runs now

private:
    int Answer(const MessageBoxRequest& request);

    SeamGuard<MessageBoxResponder> seam{
        &SetMessageBoxResponder,
        [this](const MessageBoxRequest& request) { return Answer(request); }};
};

// Runner notices being delivered on the main thread now (counted by the test main).
int& NoticesBeingDelivered();

// Records every shell request and launches nothing; answers `result`.
class ShellRecorder {
public:
    std::vector<ShellRequest> requests;
    bool result = true;

private:
    SeamGuard<ShellHandler> seam{&SetShellHandler, [this](const ShellRequest& request) {
                                     requests.push_back(request);
                                     return result;
                                 }};
};

// Makes the program folder a folder of the test's own for the guard's life.
class ProgramFolderOverride {
public:
    explicit ProgramFolderOverride(const QString& folder) { // with or without "/"
        SetModuleFileNameForTesting(QDir(folder).filePath("ostrela"));
    }
    ~ProgramFolderOverride() { SetModuleFileNameForTesting(QString()); }
    ProgramFolderOverride(const ProgramFolderOverride&) = delete;
    ProgramFolderOverride& operator=(const ProgramFolderOverride&) = delete;
};

// Makes IsWritableFolder() refuse the folder, as modes do not bind root.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) { SetReadOnlyFolderForTesting(folder); }
    ~ReadOnlyFolder() { SetReadOnlyFolderForTesting(QString()); }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
};

// A video of `seconds` with one mono 440 Hz tone: MP3 in an AVI, else AAC.
bool MakeMedia(const QString& path, double seconds, QString* error = nullptr);

// One sound track of a made video: a sine tone encoded with `codec`.
struct TestSoundTrack {
    QString codec;
    int channels = 1; // the tone copied to each; 6 gives a 5.1 layout
    int sampleRate = 44100;
    QString language; // ISO 639-2 ("eng", "ger"); empty for none
    QString title;
    bool isDefault = true;
    int frequency = 440; // Hz, to tell tracks apart by their sound
};

// A video with these sound tracks (none: without sound), its container by extension.
bool MakeVideo(const QString& path, double seconds, const std::vector<TestSoundTrack>& tracks,
               QString* error = nullptr);

// One-second videos: "two tracks.mkv" (AAC stereo eng, default; AC-3 5.1 ger
// "Commentary"), "aac.mp4" (stereo 48 kHz), "mp3.avi" (mono), "no sound.mp4".
struct TestMediaSet {
    QString twoTrackMkv;
    QString aacMp4;
    QString mp3Avi;
    QString silentMp4;

    bool Make(const QString& folder, QString* error = nullptr);
};

// What ffprobe reads from the first audio stream of a file.
struct MediaFacts {
    bool ok = false;
    QString codec;     // audio codec name, e.g. "mp3", "pcm_s16le", "ac3"
    QString container; // the probe's format name, e.g. "ogg", "flac"
    int sampleRate = 0;
    int channels = 0;
    double duration = 0; // seconds
};
MediaFacts ProbeMedia(const QString& path);

// Writes the file, making its folder.
bool WriteFile(const QString& path, const QByteArray& contents);

// The file's contents, or "<missing>" when it cannot be read.
QByteArray ReadFile(const QString& path);

// The files of a folder, hidden ones included, in name order.
QStringList FilesIn(const QString& folder);

// Runs the event loop until `done` holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs);

// A command line that runs `script` in /bin/sh in place of the encoder, with
// these steps: out TEXT, err TEXT (\r, \n decoded); write PATH ("audio\n"),
// touch PATH (empty); hang (until killed), await PATH (until it exists); and
// progress S N SECONDS: N progress lines on standard error, one every SECONDS,
// the media time growing by S each. The arguments are the script's "$0", ...
QString StandInEncoder(const QString& script, const QStringList& arguments = {});

// Process ids of this process's children, zombies included.
QList<qint64> ChildProcesses();

// An Xvfb on a display it picks itself; `display` is empty when none started.
class XServer {
public:
    XServer();
    ~XServer();
    QString display;

private:
    QProcess server;
};

struct TestChapter {
    double start; // seconds; each chapter ends where the next starts
    QString title;
};

// A video as MakeMedia makes it, with these chapters.
bool MakeChapteredVideo(const QString& path, double seconds,
                        const std::vector<TestChapter>& chapters, QString* error = nullptr);

} // namespace testing_support
