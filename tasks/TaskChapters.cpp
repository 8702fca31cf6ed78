#include "tasks/TaskChapters.h"

#include <algorithm>

QList<Chapter> ChaptersInClip(const QList<Chapter>& chapters, double clipStart, double clipLength) {
    constexpr double kShortest = 0.1;
    const double clipEnd = clipStart + clipLength;
    QList<Chapter> inside;
    for (Chapter c : chapters) {
        c.start = std::max(c.start, clipStart);
        c.end = std::min(c.end, clipEnd);
        if (c.end - c.start >= kShortest)
            inside << c;
    }
    return inside;
}
