#pragma once
// Even loudness by the EBU R128 two-pass method: the encoder's loudnorm filter
// first measures a job's sound, then converts it in linear mode with those
// measurements, so the whole track is turned up or down by one gain.

#include <QString>
#include <optional>

// The target of the window's "Even Out Loudness" and of a bare --loudness (LUFS).
inline constexpr double kDefaultLoudnessTarget = -16;
// The targets the filter takes.
inline constexpr double kLowestLoudnessTarget = -70;
inline constexpr double kHighestLoudnessTarget = -5;

// What the first pass measured: integrated loudness, true peak, loudness
// range, gating threshold and the offset the filter proposes.
struct LoudnessMeasure {
    double inputI = 0;
    double inputTp = 0;
    double inputLra = 0;
    double inputThresh = 0;
    double targetOffset = 0;
};

// The first pass's filter: "loudnorm=I=<target>:TP=-1.5:LRA=11:print_format=json".
QString LoudnessMeasureFilter(double target);

// The second pass's filter, in linear mode with the measured values.
QString LoudnessFilter(double target, const LoudnessMeasure& measured);

// The measurement the filter printed as JSON at the end of the encoder's
// output; none when it is missing, broken or not a finite number (silence
// measures -inf and has no loudness to even out).
std::optional<LoudnessMeasure> ParseLoudnessMeasure(const QString& encoderOutput);
