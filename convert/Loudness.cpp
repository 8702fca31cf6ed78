#include "convert/Loudness.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

QString Number(double value) {
    return QString::number(value, 'f', 2);
}

// The loudness the filter gives a sound gated out as silence.
constexpr double kSilence = -70;

} // namespace

QString LoudnessMeasureFilter() {
    // Only the summary is printed, not a line per tenth of a second.
    return QStringLiteral("ebur128=peak=true:framelog=verbose");
}

QString LoudnessFilter(double target, const LoudnessMeasure& m) {
    // The filter refuses values outside these ranges; a sound measured beyond
    // them is taken at the nearest end. It reads a range of 0 as not measured
    // and then leaves linear mode, so a steady sound's 0 is given as 0.01.
    return QStringLiteral("loudnorm=I=%1:TP=-1.5:LRA=11:measured_I=%2:measured_TP=%3:"
                          "measured_LRA=%4:measured_thresh=%5:linear=true")
        .arg(QString::number(target), Number(std::clamp(m.inputI, -99.0, 0.0)),
             Number(std::clamp(m.inputTp, -99.0, 99.0)), Number(std::clamp(m.inputLra, 0.01, 99.0)),
             Number(std::clamp(m.inputThresh, -99.0, 0.0)));
}

std::optional<LoudnessMeasure> ParseLoudnessMeasure(const QString& encoderOutput) {
    // The filter prints its summary last: the integrated loudness and its
    // threshold, the range, the true peak.
    static const QRegularExpression summary(
        QStringLiteral(R"(Summary:\s+Integrated loudness:\s+I:\s+(\S+) LUFS\s+Threshold:\s+(\S+))"
                       R"( LUFS\s+Loudness range:\s+LRA:\s+(\S+) LU\s[\s\S]*True peak:\s+)"
                       R"(Peak:\s+(\S+) dBFS)"));
    const qsizetype start = encoderOutput.lastIndexOf(QLatin1String("Summary:"));
    const QRegularExpressionMatch match =
        summary.match(encoderOutput.mid(std::max<qsizetype>(start, 0)));
    if (start < 0 || !match.hasMatch())
        return std::nullopt;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = match.captured(i + 1).toDouble(&ok);
        if (!ok || !std::isfinite(values[i]))
            return std::nullopt;
    }
    if (values[0] <= kSilence)
        return std::nullopt;
    return LoudnessMeasure{values[0], values[3], values[2], values[1]};
}
