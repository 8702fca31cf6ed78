#pragma once
// Even loudness by the EBU R128 two-pass method: a first pass measures a
// job's sound with the encoder's ebur128 filter, the second converts it with
// the loudnorm filter in linear mode, so the whole track is turned up or down
// by one gain.

#include <QString>
#include <optional>

// The target of the window's "Even Out Loudness" and of a bare --loudness (LUFS).
inline constexpr double kDefaultLoudnessTarget = -16;
// The targets the filter takes.
inline constexpr double kLowestLoudnessTarget = -70;
inline constexpr double kHighestLoudnessTarget = -5;

// What the first pass measured: integrated loudness and its gating
// threshold (LUFS), loudness range (LU), true peak (dBTP).
struct LoudnessMeasure {
    double inputI = 0;
    double inputTp = 0;
    double inputLra = 0;
    double inputThresh = 0;
};

// The first pass's filter. The loudnorm filter measures as well, but at four
// times the cost: it also evens the sound out while it measures.
QString LoudnessMeasureFilter();

// The second pass's filter, "loudnorm=I=<target>:TP=-1.5:LRA=11:measured_...:
// linear=true".
QString LoudnessFilter(double target, const LoudnessMeasure& measured);

// The measurement from the summary at the end of the encoder's output; none
// when it is missing, broken or not a finite number, or for silence, which
// has no loudness to even out.
std::optional<LoudnessMeasure> ParseLoudnessMeasure(const QString& encoderOutput);
