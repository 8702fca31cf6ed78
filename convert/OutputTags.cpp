#include "convert/OutputTags.h"

#include "platform/CommandLine.h"
#include "tasks/TaskChapters.h"
#include "tasks/TaskTracks.h"

#include <QLocale>
#include <algorithm>

namespace {
// Tag texts come from the file: kept to a sensible length.
constexpr int kMostTagCharacters = 200;
} // namespace

QString ThreeLetterLanguage(const QString& code) {
    const QString trimmed = code.trimmed().toLower();
    if (trimmed.isEmpty() || trimmed == QLatin1String("und"))
        return QString();
    const QLocale::Language language = QLocale::codeToLanguage(trimmed);
    if (language == QLocale::AnyLanguage || language == QLocale::C)
        return QString();
    return QLocale::languageToCode(language, QLocale::ISO639Part2);
}

QString BuildTrackTags(const SoundTrack& track, const QString& containerTitle,
                       const QString& fallbackTitle, const QString& extension) {
    QString tags;
    const QString trackTitle = track.title.trimmed().left(kMostTagCharacters);
    if (!trackTitle.isEmpty()) {
        const QString base =
            containerTitle.trimmed().isEmpty() ? fallbackTitle.trimmed() : containerTitle.trimmed();
        const QString title =
            QuoteArgument(QStringLiteral("%1 (%2)").arg(base.left(kMostTagCharacters), trackTitle));
        tags += "-metadata title=" + title + ' ';
        if (extension == QLatin1String("ogg") || extension == QLatin1String("opus"))
            tags += "-metadata:s:a:0 title=" + title + ' ';
    }
    const QString language = ThreeLetterLanguage(track.languageCode);
    if (!language.isEmpty())
        tags += "-metadata language=" + language + ' ';
    return tags;
}

QString BuildChapterComments(const QList<Chapter>& chapters, double offset) {
    if (chapters.isEmpty())
        return QString();
    QString options = QStringLiteral("-metadata encoder= ");
    for (int k = 0; k < chapters.size(); ++k) {
        const qint64 ms = qRound64(std::max(0.0, chapters[k].start - offset) * 1000);
        const QString key = QStringLiteral("CHAPTER%1").arg(k + 1, 2, 10, QLatin1Char('0'));
        options += QStringLiteral("-metadata %1=%2:%3:%4.%5 ")
                       .arg(key)
                       .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                       .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                       .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
                       .arg(ms % 1000, 3, 10, QLatin1Char('0'));
        if (!chapters[k].title.isEmpty())
            options += QStringLiteral("-metadata ") +
                       QuoteArgument(key + QStringLiteral("NAME=") +
                                     chapters[k].title.left(kMostTagCharacters)) +
                       ' ';
    }
    return options;
}
