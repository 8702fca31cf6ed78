#include "convert/ConversionEngine.h"

#include "TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

using namespace testing_support;

namespace {

// How the encoder's output ends when it has measured a quiet tone.
const char kCapture[] =
    "[Parsed_ebur128_0 @ 0x556ed8f1dc00] Summary:\n\n  Integrated loudness:\n    I:         -43.7 "
    "LUFS\n    Threshold: -53.7 LUFS\n\n  Loudness range:\n    LRA:         0.0 LU\n    Threshold: "
    "-63.7 LUFS\n    LRA low:   -43.7 LUFS\n    LRA high:  -43.7 LUFS\n\n  True peak:\n    Peak:  "
    "    -39.4 dBFS\n";

QString Encoder(const QStringList& arguments) {
    QProcess p;
    p.start("ffmpeg", QStringList{"-hide_banner", "-nostats", "-y"} + arguments);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardError());
}

double Figure(const QString& summary, const QString& name) {
    return QRegularExpression(name + R"(:\s+(-?[\d.]+))").match(summary).captured(1).toDouble();
}

} // namespace

// Both passes read the same clip of the same track.
TEST(LoudnessTest, TheMeasurementIsReadFromTheEncodersOutputForTheSecondPass) {
    const QString capture = kCapture;
    const auto m = ParseLoudnessMeasure(capture);
    ASSERT_TRUE(m);
    EXPECT_EQ(std::tuple(m->inputI, m->inputTp, m->inputLra, m->inputThresh),
              std::tuple(-43.7, -39.4, 0.0, -53.7));
    // Cut short, or silence, which has no loudness: no measurement.
    for (const QString& broken : {capture.chopped(12), QString(capture).replace("-43.7", "-70.0"),
                                  QString(capture).replace("-39.4", "-inf")})
        EXPECT_FALSE(ParseLoudnessMeasure(broken)) << broken.toStdString();
    Task task{{60, 10, 20, {}, {}, 0, 1}, {{SoundTrack{}, SoundTrack{}}, 1}};
    SetFixedText(task.record.sourcePath, "/v/a b.mkv");
    SetFixedText(task.record.title, " a b");
    OutputSettings settings{"/out", FormatMP3, 128, 44100, 2, false, -16};
    const EncoderJob job = BuildJob(task, settings, "/p/vexa.exe");
    const QString input = R"("/p/vexa.exe" -i "/v/a b.mkv" -map 0:a:1 -ss 10.000000 -t 20.000000)";
    EXPECT_EQ(job.measureLine, input + " -vn -sn -af ebur128=peak=true:framelog=verbose -f null -");
    EXPECT_EQ(MeasuredCommandLine(job, *m),
              input + " -y -acodec libmp3lame -ab 128k -ac 2 -ar 44100 -af "
                      "loudnorm=I=-16:TP=-1.5:LRA=11:measured_I=-43.70:measured_TP=-39.40:"
                      "measured_LRA=0.01:measured_thresh=-53.70:linear=true "
                      "\"/out/a b.mp3\"");
    settings.format = FormatKeepOriginal; // a copied track keeps its sound
    EXPECT_EQ(BuildJob(task, settings, "/p/vexa.exe").measureLine, "");
}

// Silence cannot be evened out and leaves nothing behind.
TEST(LoudnessTest, QuietAndLoudSourcesComeOutAtTheTarget) {
    QTemporaryDir dir;
    ConversionSnapshot snapshot;
    snapshot.settings = {dir.path(), FormatMP3, 128, 44100, 2, false, kDefaultLoudnessTarget};
    snapshot.encoderPath = BinDir() + "vexa.exe";
    for (const auto& [name, amplitude] :
         {std::pair("quiet", 0.01), {"loud", 0.5}, {"silent", 0.0}}) {
        const QString source = dir.filePath(QString(name) + ".wav");
        Encoder({"-f", "lavfi", "-i",
                 QString("aevalsrc=%1*sin(2*PI*440*t):s=44100:d=5").arg(amplitude), source});
        ConversionJob job;
        job.task.record.duration = job.task.record.clipLength = 5;
        SetFixedText(job.task.record.sourcePath, source);
        SetFixedText(job.task.record.title, QString(" ") + name);
        snapshot.jobs.push_back(job);
    }
    ConversionEngine engine(snapshot);
    engine.Start();
    ASSERT_TRUE(WaitUntil([&] { return engine.IsFinished(); }, 60000));
    for (const char* name : {"quiet", "loud"}) {
        const QString summary = Encoder({"-i", dir.filePath(QString(name) + ".mp3"), "-af",
                                         "ebur128=peak=true", "-f", "null", "-"})
                                    .section("Summary:", -1);
        EXPECT_NEAR(Figure(summary, "I"), -16, 1) << name;
        EXPECT_LE(Figure(summary, "Peak"), -1.0) << name;
    }
    EXPECT_EQ(engine.StatusOf(2).reason, "the loudness could not be measured");
    EXPECT_FALSE(QFile::exists(dir.filePath("silent.mp3")));
}
