#pragma once
// The chapters of a task's source, kept with the task beside its record (the
// record keeps its layout), and the part of a split task one job converts.

#include <QList>
#include <QString>

struct Chapter {
    double start = 0; // seconds from the start of the source
    double end = 0;   // the next chapter's start, the playing time for the last
    QString title;    // empty when the file names none
};

struct TaskChapters {
    QList<Chapter> chapters; // in order of start; empty for a file without chapters
    bool split = false;      // one output per chapter inside the clip
};

// One chapter of a split task as a job of its own: its number from 1 among
// the `count` outputs, and its title. Number 0: the task converts whole.
struct ChapterPart {
    int number = 0;
    int count = 0;
    QString title;
};

// The chapters that lie inside the clip, cut to it; a piece shorter than a
// tenth of a second (a chapter the clip only grazes) is left out.
QList<Chapter> ChaptersInClip(const QList<Chapter>& chapters, double clipStart, double clipLength);
