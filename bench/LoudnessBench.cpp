// Even loudness against the same conversion without it, in the same run: the
// conversion benchmark's sources converted to MP3 at 128k through the
// conversion engine (both passes of each job, as the window and
// ostrela-convert run them), the two alternating over several rounds.
// Reports the median wall times and their ratio. Target: ratio <= 2.2.
//
// Usage: LoudnessBench [sources, default 10] [seconds per source, default 60] [rounds, default 3]

#include "bench/BenchMedia.h"
#include "convert/ConversionEngine.h"
#include "tasks/TaskTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Converts every job into `folder`; the wall time in ms, or -1 when a job failed.
double ConvertAll(const QVector<ConversionJob>& jobs, double loudness, const QString& folder) {
    QDir().mkpath(folder);
    ConversionSnapshot snapshot;
    snapshot.jobs = jobs;
    snapshot.settings = {folder, FormatMP3, 128, 44100, 2};
    snapshot.settings.loudnessTarget = loudness;
    snapshot.encoderPath = QStringLiteral(OSTRELA_BIN_DIR "/vexa.exe");
    QElapsedTimer clock;
    clock.start();
    ConversionEngine engine(snapshot);
    QEventLoop loop;
    QObject::connect(&engine, &ConversionEngine::finished, &loop, &QEventLoop::quit);
    engine.Start();
    loop.exec();
    const double ms = clock.nsecsElapsed() / 1e6;
    return engine.Totals().succeeded == jobs.size() ? ms : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto [count, seconds, rounds] = ReadSourceBenchArguments(argc, argv, 3);

    QTemporaryDir media, output;
    if (!media.isValid() || !output.isValid())
        return 1;
    std::fprintf(stderr, "making %d sources of %d s...\n", count, seconds);
    const QStringList files = MakeBenchSources(media.path(), count, seconds);
    if (files.isEmpty())
        return 1;
    QVector<ConversionJob> jobs(count);
    for (int i = 0; i < count; ++i) {
        const QString& file = files[i];
        TaskRecord& r = jobs[i].task.record;
        r.duration = r.clipLength = seconds;
        SetFixedText(r.sourcePath, file);
        SetFixedText(r.title, GetTitle(file));
    }

    std::vector<double> plain, even;
    for (int round = 0; round < rounds; ++round) {
        plain.push_back(ConvertAll(jobs, 0, output.filePath(QString("plain %1").arg(round))));
        even.push_back(ConvertAll(jobs, kDefaultLoudnessTarget,
                                  output.filePath(QString("even %1").arg(round))));
        if (plain.back() < 0 || even.back() < 0) {
            std::fprintf(stderr, "a conversion failed\n");
            return 1;
        }
    }
    const double plainMs = Median(plain);
    const double evenMs = Median(even);
    std::printf("%d sources of %d s, median of %d rounds\n", count, seconds, rounds);
    std::printf("without even loudness: %8.0f ms\n", plainMs);
    std::printf("with even loudness:    %8.0f ms\n", evenMs);
    std::printf("ratio: %.2f (target <= 2.2)\n", evenMs / plainMs);
    return evenMs / plainMs <= 2.2 ? 0 : 2;
}
