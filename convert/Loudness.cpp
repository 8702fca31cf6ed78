#include "convert/Loudness.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {

QString Number(double value) {
    return QString::number(value, 'f', 2);
}

QString TargetArguments(double target) {
    return QStringLiteral("loudnorm=I=%1:TP=-1.5:LRA=11").arg(QString::number(target));
}

// One value of the filter's JSON, written as a quoted number.
bool ReadValue(const QJsonObject& object, const char* key, double& value) {
    bool ok = false;
    value = object.value(QLatin1String(key)).toString().toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

QString LoudnessMeasureFilter(double target) {
    return TargetArguments(target) + QStringLiteral(":print_format=json");
}

QString LoudnessFilter(double target, const LoudnessMeasure& m) {
    // The filter refuses values outside these ranges; a sound measured beyond
    // them is taken at the nearest end.
    return TargetArguments(target) +
           QStringLiteral(":measured_I=%1:measured_TP=%2:measured_LRA=%3:measured_thresh=%4:"
                          "offset=%5:linear=true")
               .arg(Number(std::clamp(m.inputI, -99.0, 0.0)),
                    Number(std::clamp(m.inputTp, -99.0, 99.0)),
                    Number(std::clamp(m.inputLra, 0.0, 99.0)),
                    Number(std::clamp(m.inputThresh, -99.0, 0.0)),
                    Number(std::clamp(m.targetOffset, -99.0, 99.0)));
}

std::optional<LoudnessMeasure> ParseLoudnessMeasure(const QString& encoderOutput) {
    // The filter prints its JSON last, after the line naming it.
    const qsizetype named = encoderOutput.lastIndexOf(QLatin1String("Parsed_loudnorm"));
    const qsizetype open = encoderOutput.indexOf('{', std::max<qsizetype>(named, 0));
    const qsizetype close = encoderOutput.lastIndexOf('}');
    if (named < 0 || open < 0 || close < open)
        return std::nullopt;
    const QJsonDocument json =
        QJsonDocument::fromJson(encoderOutput.mid(open, close - open + 1).toUtf8());
    if (!json.isObject())
        return std::nullopt;
    const QJsonObject object = json.object();
    LoudnessMeasure m;
    if (!ReadValue(object, "input_i", m.inputI) || !ReadValue(object, "input_tp", m.inputTp) ||
        !ReadValue(object, "input_lra", m.inputLra) ||
        !ReadValue(object, "input_thresh", m.inputThresh) ||
        !ReadValue(object, "target_offset", m.targetOffset))
        return std::nullopt;
    return m;
}
