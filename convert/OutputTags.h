#pragma once
// The tags of a chosen sound track carried into the output; the container's
// own tags the encoder copies by itself.

#include <QList>
#include <QString>

struct Chapter;
struct SoundTrack;

// Output options (each followed by a blank) for a chosen track: its title
// after the title (the container's title tag, else `fallbackTitle`) as
// "<title> (<track title>)", and its language as a three-letter code. Ogg
// keeps tags on the stream, where the track's own title would win, so there
// the stream's title is set too. Empty when the track has neither.
QString BuildTrackTags(const SoundTrack& track, const QString& containerTitle,
                       const QString& fallbackTitle, const QString& extension);

// The three-letter code of a language ("en" or "eng" give "eng"); empty for an
// unknown or undetermined one.
QString ThreeLetterLanguage(const QString& code);

// Output options (each followed by a blank) that write `chapters`, shifted so
// that `offset` becomes 0, as the CHAPTERnn / CHAPTERnnNAME comments FLAC and
// Ogg readers take chapters from: this encoder writes no chapters into those
// containers. Its vendor tag is cleared first: it takes that tag out of the
// comments later, and taking one out reorders the rest, which would put a
// chapter's name before the chapter. Empty without chapters.
QString BuildChapterComments(const QList<Chapter>& chapters, double offset);
