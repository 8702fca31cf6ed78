#include "TestSupport.h"

#include "platform/CommandLine.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <gtest/gtest.h>

namespace testing_support {

QString BinDir() {
    return QStringLiteral(OSTRELA_BIN_DIR "/");
}

int& NoticesBeingDelivered() {
    static int depth = 0;
    return depth;
}

int MessageBoxRecorder::Answer(const MessageBoxRequest& request) {
    boxes.push_back(request);
    EXPECT_EQ(NoticesBeingDelivered(), 0)
        << "a box opened inside a runner's notice: " << request.caption.toStdString();
    if (openMs >= 0) {
        QEventLoop loop;
        QTimer::singleShot(openMs, &loop, &QEventLoop::quit);
        ++open;
        loop.exec();
        --open;
    }
    if (onShow)
        onShow(request);
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return (request.flags & 0xF) == MB_YESNO ? IDYES : IDOK;
}

namespace {

bool RunEncoder(const QStringList& args, QString* error) {
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), args);
    const bool ok =
        p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok && error)
        *error = QString::fromLocal8Bit(p.readAllStandardError());
    return ok;
}

} // namespace

bool MakeMedia(const QString& path, double seconds, QString* error) {
    const QString codec = path.endsWith(".avi", Qt::CaseInsensitive) ? "mp3" : "aac";
    return MakeVideo(path, seconds, {{codec, 1, 44100, QString(), QString(), true, 440}}, error);
}

bool MakeVideo(const QString& path, double seconds, const std::vector<TestSoundTrack>& tracks,
               QString* error) {
    const QString d = QString::number(seconds, 'f', 3);
    QStringList args{
        "-hide_banner", "-loglevel", "error", "-y",
        "-f",           "lavfi",     "-i",    "testsrc=size=160x120:rate=10:duration=" + d};
    for (const TestSoundTrack& t : tracks)
        args += {"-f", "lavfi", "-i",
                 QString("sine=frequency=%1:sample_rate=%2:duration=%3")
                     .arg(t.frequency)
                     .arg(t.sampleRate)
                     .arg(d)};
    args += {"-map", "0:v", "-c:v", "mpeg4"};
    for (size_t k = 0; k < tracks.size(); ++k) {
        const TestSoundTrack& t = tracks[k];
        const QString a = QString(":a:%1").arg(k);
        args << "-map" << QString("%1:a").arg(k + 1) << "-c" + a << t.codec << "-ac" + a
             << QString::number(t.channels) << "-disposition" + a
             << (t.isDefault ? "default" : "0");
        if (!t.language.isEmpty())
            args << "-metadata:s" + a << "language=" + t.language;
        if (!t.title.isEmpty())
            args << "-metadata:s" + a << "title=" + t.title;
    }
    args << "-shortest" << path;
    return RunEncoder(args, error);
}

bool TestMediaSet::Make(const QString& folder, QString* error) {
    const QDir dir(folder);
    const std::pair<QString*, std::pair<QString, std::vector<TestSoundTrack>>> files[] = {
        {&twoTrackMkv,
         {"two tracks.mkv",
          {{"aac", 2, 44100, "eng", QString(), true, 440},
           {"ac3", 6, 48000, "ger", "Commentary", false, 660}}}},
        {&aacMp4, {"aac.mp4", {{"aac", 2, 48000, QString(), QString(), true, 440}}}},
        {&mp3Avi, {"mp3.avi", {{"mp3", 1, 44100, QString(), QString(), true, 440}}}},
        {&silentMp4, {"no sound.mp4", {}}},
    };
    for (const auto& [member, file] : files) {
        const QString path = dir.filePath(file.first);
        if (!MakeVideo(path, 1.0, file.second, error))
            return false;
        *member = path;
    }
    return true;
}

MediaFacts ProbeMedia(const QString& path) {
    MediaFacts facts;
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {"-v", "error", "-select_streams", "a:0", "-show_entries",
             "stream=codec_name,sample_rate,channels:format=duration,format_name", "-of", "json",
             path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return facts;
    const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    const QJsonArray streams = root.value("streams").toArray();
    if (streams.isEmpty())
        return facts;
    const QJsonObject s = streams.first().toObject();
    facts.codec = s.value("codec_name").toString();
    facts.sampleRate = s.value("sample_rate").toString().toInt();
    facts.channels = s.value("channels").toInt();
    const QJsonObject format = root.value("format").toObject();
    facts.duration = format.value("duration").toString().toDouble();
    facts.container = format.value("format_name").toString();
    facts.ok = true;
    return facts;
}

bool WriteFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(contents) == contents.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

QString StandInEncoder(const QString& script, const QStringList& arguments) {
    static const QString steps = QStringLiteral(R"(
out() { printf '%b' "$1"; }
err() { printf '%b' "$1" >&2; }
write() { echo audio > "$1"; }
touch() { : > "$1"; }
hang() { exec sleep 100000; }
await() { while [ ! -e "$1" ]; do sleep 0.01; done; }
progress() {
  i=1; while [ $i -le $2 ]; do sleep $3; t=$(($1 * i)); i=$((i + 1))
    printf 'size=     100kB time=%02d:%02d:%02d.00 bitrate= 128.0kbits/s\r' \
      $((t / 3600)) $((t / 60 % 60)) $((t % 60)) >&2; done
}
)");
    QString line = "/bin/sh -c " + QuoteArgument(steps + script);
    for (const QString& argument : arguments)
        line += ' ' + QuoteArgument(argument);
    return line;
}

QList<qint64> ChildProcesses() {
    const QByteArray self = QByteArray::number(QCoreApplication::applicationPid());
    QList<qint64> children;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid ...; the name may hold blanks and parentheses.
        const QByteArray text = stat.readAll();
        const qsizetype close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields[1] == self)
            children << entry.toLongLong();
    }
    return children;
}

XServer::XServer() {
    server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    while (server.waitForStarted() && !server.canReadLine() && server.waitForReadyRead(10000)) {
    }
    const QByteArray number = server.readLine().trimmed();
    if (!number.isEmpty())
        display = ":" + QString::fromLatin1(number);
}

XServer::~XServer() {
    server.kill();
    server.waitForFinished();
}

bool MakeChapteredVideo(const QString& path, double seconds,
                        const std::vector<TestChapter>& chapters, QString* error) {
    const QString plain = path + ".plain.mkv", metadata = path + ".txt";
    QByteArray text = ";FFMETADATA1\n";
    for (size_t k = 0; k < chapters.size(); ++k) {
        const double end = k + 1 < chapters.size() ? chapters[k + 1].start : seconds;
        text += QStringLiteral("[CHAPTER]\nTIMEBASE=1/1000\nSTART=%1\nEND=%2\n")
                    .arg(qRound(chapters[k].start * 1000))
                    .arg(qRound(end * 1000))
                    .toUtf8();
        if (!chapters[k].title.isEmpty())
            text += "title=" + chapters[k].title.toUtf8() + "\n";
    }
    const bool ok = MakeMedia(plain, seconds, error) && WriteFile(metadata, text) &&
                    RunEncoder({"-hide_banner", "-loglevel", "error", "-y", "-i", plain, "-i",
                                metadata, "-map", "0", "-map_chapters", "1", "-c", "copy", path},
                               error);
    QFile::remove(plain);
    QFile::remove(metadata);
    return ok;
}

} // namespace testing_support
