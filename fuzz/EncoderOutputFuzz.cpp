// Any chunk of encoder output reads as a whole, finite number of seconds, a
// bounded status text and percentages that are never negative.

#include "convert/EncoderOutput.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString chunk = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const double elapsed = ParseElapsedSeconds(chunk);
    if (!std::isfinite(elapsed) || elapsed != std::floor(elapsed))
        std::abort();
    ParseTimeText(chunk.left(8));
    const QString status = FormatOutputStatus(chunk);
    if (status.size() > 60 + 40)
        std::abort();
    double clip = 0;
    int current = 0, count = 0;
    if (size >= sizeof clip + 2 * sizeof(int)) {
        std::memcpy(&clip, data, sizeof clip);
        std::memcpy(&current, data + sizeof clip, sizeof current);
        std::memcpy(&count, data + sizeof clip + sizeof current, sizeof count);
    }
    if (std::isfinite(clip) && clip >= 1) {
        const int percent = TaskPercent(elapsed, clip);
        if (percent < 0 || percent > 100 * std::max(elapsed / clip, 0.0) + 1)
            std::abort();
        if (count > 0 && current >= 0 && current < count && percent <= 100 &&
            TotalPercent(current, percent, count) < 0)
            std::abort();
    }
    return 0;
}
