// Loading crafted skin files of the largest size read (1 MiB), each shaped to
// make one kind of name resolution as costly as it can be, next to reading the
// same bytes and splitting them into lines. Every load should stay under a
// second.
//
// Usage: SkinBench [rounds]

#include "skin/SkinFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// Lines from `line(i)` for i = 0, 1, ... after `head`, as long as the whole stays within the limit.
QByteArray Fill(const QByteArray& head, const std::function<QByteArray(int)>& line,
                const QByteArray& between = {}, const std::function<QByteArray(int)>& after = {}) {
    QByteArray text = head;
    const qint64 half = after ? kMaxSkinFileSize / 2 : kMaxSkinFileSize;
    int n = 0;
    for (QByteArray next = line(0); text.size() + next.size() <= half; next = line(++n))
        text += next;
    if (after) {
        text += between;
        for (int i = 0;; ++i) {
            const QByteArray next = after(i % std::max(n, 1));
            if (text.size() + next.size() > kMaxSkinFileSize)
                break;
            text += next;
        }
    }
    return text;
}

QByteArray Num(int i) {
    return QByteArray::number(i);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = std::max(argc > 1 ? atoi(argv[1]) : 3, 1);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    QImage picture(64, 64, QImage::Format_ARGB32);
    picture.fill(Qt::darkCyan);
    if (!picture.save(dir.filePath("glyph.png")))
        return 1;

    const QByteArray head = "[Skin]\nFormat = 1\n";
    const QByteArray longName(200, 'n');
    const struct {
        const char* name;
        QByteArray text;
    } cases[] = {
        {"colours each naming the one before",
         Fill(head + "[Colors]\nc0 = #102030\n",
              [](int i) { return "C" + Num(i + 1) + " = c" + Num(i) + "\n"; })},
        {"fonts each naming the one before",
         Fill(head + "[Fonts]\nf0 = DejaVu Sans, 9\n",
              [](int i) { return "F" + Num(i + 1) + " = f" + Num(i) + "\n"; })},
        {"colours, then style rules naming them",
         Fill(
             head + "[Colors]\n", [](int i) { return "Colour" + Num(i) + " = #405060\n"; },
             "[Style]\n", [](int i) { return "Q { color: @colour" + Num(i) + "; }\n"; })},
        {"names sharing a long start, then @ before each",
         Fill(
             head + "[Colors]\n", [&](int i) { return longName + Num(i) + " = #405060\n"; },
             "[Style]\n", [&](int) { return "@" + longName + "\n"; })},
        {"pictures, then elements naming them and colours",
         Fill(
             head + "[Colors]\nFace = #ff8000\n[Images]\n",
             [](int i) { return "Image" + Num(i) + " = glyph.png\n"; }, {},
             [](int i) {
                 return "[Element E" + Num(i) + "]\nFace = face\nHover = FACE\nImage = image" +
                        Num(i) + "\n";
             })},
        {"element sections only",
         Fill(head, [](int i) { return "[Element " + Num(i) + "]\nImage=glyph.png\n"; })},
        {"one @ after another",
         Fill(head + "[Colors]\na = #000000\n[Style]\n", [](int) { return QByteArray("@a@b"); })},
    };

    std::printf("%-50s %8s %10s %10s\n", "skin file (1 MiB)", "bytes", "read+split", "load");
    bool allUnder = true;
    for (const auto& c : cases) {
        const QString path = dir.filePath("crafted.skf");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(c.text) != c.text.size())
            return 1;
        f.close();
        qint64 floor = -1, load = -1;
        for (int r = 0; r < rounds; ++r) {
            QElapsedTimer t;
            t.start();
            QFile in(path);
            if (!in.open(QIODevice::ReadOnly))
                return 1;
            const qsizetype lines = QString::fromUtf8(in.readAll()).split('\n').size();
            const qint64 readSplit = t.nsecsElapsed();
            t.restart();
            SkinDefinition skin;
            if (!LoadSkinFile(path, &skin) || lines < 2) {
                std::fprintf(stderr, "%s: not read as a skin\n", c.name);
                return 1;
            }
            const qint64 loaded = t.nsecsElapsed();
            floor = floor < 0 ? readSplit : std::min(floor, readSplit);
            load = load < 0 ? loaded : std::min(load, loaded);
        }
        allUnder = allUnder && load < 1000000000;
        std::printf("%-50s %8lld %8.1fms %8.1fms\n", c.name, static_cast<long long>(c.text.size()),
                    floor / 1e6, load / 1e6);
    }
    std::printf("every load under a second: %s\n", allUnder ? "yes" : "NO");
    return allUnder ? 0 : 2;
}
