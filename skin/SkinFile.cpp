#include "SkinFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace {

using Section = QList<QPair<QString, QString>>; // key, value in file order

struct RawSkin {
    QHash<QString, Section> sections; // lower-case section name
    QStringList styleLines;
};

RawSkin Split(const QString& text) {
    RawSkin raw;
    QString current;
    for (QString line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith('[') && trimmed.endsWith(']')) {
            current = trimmed.mid(1, trimmed.size() - 2).trimmed().toLower();
            raw.sections[current];
            continue;
        }
        // Style rules are taken as written: '#' starts an id selector there.
        if (current == QLatin1String("style")) {
            raw.styleLines << line;
            continue;
        }
        if (trimmed.isEmpty() || trimmed.startsWith('#') || trimmed.startsWith(';'))
            continue;
        const qsizetype eq = trimmed.indexOf('=');
        if (eq <= 0 || current.isEmpty())
            continue;
        raw.sections[current].append({trimmed.left(eq).trimmed(), trimmed.mid(eq + 1).trimmed()});
    }
    return raw;
}

QString Value(const Section& s, const QString& key) {
    for (const auto& [k, v] : s)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return {};
}

// What resolving values needs beyond the skin read so far: the [Images] names,
// the skin file's folder and the pictures already read, since any number of
// entries may name the same picture.
struct Context {
    SkinDefinition& skin;
    QHash<QString, QString> images; // by FoldedName
    QString base;                   // the skin file's folder, absolute
    QHash<QString, QImage> read;    // by cleaned path
    SkinReadWork& work;
};

// "#rrggbb", a colour name Qt knows, or a name from [Colors].
QColor ReadColor(Context& cx, const QString& value, const QColor& fallback) {
    if (value.isEmpty())
        return fallback;
    ++cx.work.nameSteps;
    if (const QColor* named = FindName(cx.skin.colors, value))
        return *named;
    const QColor c(value);
    return c.isValid() ? c : fallback;
}

// "Family, points[, bold][, italic]" or a name from [Fonts].
QFont ReadFont(Context& cx, const QString& value, const QFont& fallback) {
    if (value.isEmpty())
        return fallback;
    ++cx.work.nameSteps;
    if (const QFont* named = FindName(cx.skin.fonts, value))
        return *named;
    const QStringList parts = value.split(',');
    QFont font = fallback;
    const QString family = parts.value(0).trimmed().remove('"');
    if (family.isEmpty())
        return fallback;
    font.setFamily(family);
    if (parts.size() > 1) {
        bool ok = false;
        const double points = parts[1].trimmed().toDouble(&ok);
        if (ok && points >= 4 && points <= 72)
            font.setPointSizeF(points);
    }
    for (qsizetype i = 2; i < parts.size(); ++i) {
        const QString flag = parts[i].trimmed().toLower();
        if (flag == QLatin1String("bold"))
            font.setBold(true);
        else if (flag == QLatin1String("italic"))
            font.setItalic(true);
    }
    return font;
}

// A name from [Images] or a path relative to the skin file's folder. Images are
// only taken from below that folder.
QImage ReadImage(Context& cx, const QString& value) {
    if (value.isEmpty())
        return {};
    ++cx.work.nameSteps;
    const QString* named = FindName(cx.images, value);
    const QString relative = named ? *named : value;
    if (relative.isEmpty() || QDir::isAbsolutePath(relative))
        return {};
    const QString path = QDir::cleanPath(cx.base + '/' + relative);
    if (!path.startsWith(cx.base + '/'))
        return {};
    if (const auto known = cx.read.constFind(path); known != cx.read.cend())
        return *known;
    ++cx.work.imageReads;
    QImage image;
    if (QFileInfo(path).size() > kMaxSkinFileSize * 4 || !image.load(path))
        image = QImage();
    cx.read.insert(path, image);
    return image;
}

int ReadInt(const QString& value, int fallback, int low, int high) {
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok && n >= low && n <= high ? n : fallback;
}

// Replaces each @Name of the style rules by that colour, taking the longest
// name that follows the '@' (so @CaptionText is not read as @Caption followed
// by "Text"). The names are walked in sorted order one character at a time, so
// the work grows with the length of the rules, not with their length times the
// number of names. A name holding '@' could overlap the next reference and is
// never substituted.
QString SubstituteColours(const QString& style, const QHash<QString, QColor>& colors,
                          SkinReadWork& work) {
    std::vector<std::pair<QString, QString>> names; // folded name, colour as written out
    names.reserve(size_t(colors.size()));
    for (auto it = colors.cbegin(); it != colors.cend(); ++it)
        if (!it.key().isEmpty() && !it.key().contains('@'))
            names.emplace_back(it.key(), it.value().name());
    std::sort(names.begin(), names.end());
    QString folded = style.toCaseFolded();
    if (folded.size() != style.size()) // a fold that changes lengths: match as written
        folded = style;

    QString out;
    out.reserve(style.size());
    qsizetype done = 0;
    for (qsizetype at = folded.indexOf('@'); at >= 0 && !names.empty();
         at = folded.indexOf('@', at + 1)) {
        auto lo = names.begin(), hi = names.end(), best = hi;
        qsizetype length = 0;
        for (qsizetype i = 0; at + 1 + i < folded.size(); ++i) {
            ++work.nameSteps;
            const int c = folded.at(at + 1 + i).unicode();
            // Every name in [lo, hi) starts with the i characters matched so far.
            const auto charOf = [i](const auto& n) {
                return n.first.size() > i ? n.first.at(i).unicode() : -1;
            };
            lo = std::lower_bound(lo, hi, c, [&](const auto& n, int v) { return charOf(n) < v; });
            hi = std::upper_bound(lo, hi, c, [&](int v, const auto& n) { return v < charOf(n); });
            if (lo == hi)
                break;
            if (lo->first.size() == i + 1)
                best = lo, length = i + 1;
        }
        if (length == 0)
            continue;
        out += QStringView(style).mid(done, at - done);
        out += best->second;
        done = at + 1 + length;
        at = done - 1;
    }
    out += QStringView(style).mid(done);
    return out;
}

} // namespace

bool ParseSkin(const QString& text, const QString& folder, SkinDefinition* skin, QString* error,
               SkinReadWork* work) {
    const RawSkin raw = Split(text);
    const auto header = raw.sections.constFind(QStringLiteral("skin"));
    if (header == raw.sections.cend() || Value(*header, "Format") != QLatin1String("1")) {
        if (error)
            *error = QStringLiteral("not a skin file of format 1");
        return false;
    }

    SkinDefinition s;
    SkinReadWork ignored;
    Context cx{s, {}, QDir(folder).absolutePath(), {}, work ? *work : ignored};
    s.name = Value(*header, "Name");

    // A name given twice takes its last value.
    for (const auto& [key, value] : raw.sections.value("colors")) {
        const QColor c = ReadColor(cx, value, QColor());
        if (c.isValid())
            s.colors.insert(FoldedName(key), c);
    }
    const auto color = [&cx](const char* name, const QColor& fallback) {
        return ReadColor(cx, QString::fromLatin1(name), fallback);
    };

    s.defaultFont = QFont(QStringLiteral("DejaVu Sans"), 9);
    for (const auto& [key, value] : raw.sections.value("fonts"))
        s.fonts.insert(FoldedName(key), ReadFont(cx, value, s.defaultFont));
    s.defaultFont = ReadFont(cx, QStringLiteral("Default"), s.defaultFont);

    for (const auto& [key, value] : raw.sections.value("images"))
        cx.images.insert(FoldedName(key), value);

    const Section caption = raw.sections.value("caption");
    SkinCaption& c = s.caption;
    c.height = ReadInt(Value(caption, "Height"), 28, 16, 64);
    c.background =
        ReadColor(cx, Value(caption, "Background"), color("Caption", QColor(0x16, 0x3a, 0x66)));
    c.backgroundEnd = ReadColor(cx, Value(caption, "BackgroundEnd"), c.background);
    c.text = ReadColor(cx, Value(caption, "Text"), color("CaptionText", Qt::white));
    c.buttonHover = ReadColor(cx, Value(caption, "ButtonHover"), c.background.lighter(130));
    c.closeHover = ReadColor(cx, Value(caption, "CloseHover"), QColor(0xd9, 0x45, 0x3a));
    QFont captionFont = s.defaultFont;
    captionFont.setBold(true);
    c.font = ReadFont(cx, Value(caption, "Font"), captionFont);
    c.logo = ReadImage(cx, Value(caption, "Logo"));

    const QColor highlight = color("Highlight", QColor(0xff, 0x8a, 0x24));
    QFont big = s.defaultFont;
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.5);
    for (auto it = raw.sections.cbegin(); it != raw.sections.cend(); ++it) {
        if (!it.key().startsWith(QLatin1String("element ")))
            continue;
        const QString name = it.key().mid(8).trimmed();
        const Section& e = it.value();
        SkinElement el;
        el.label = Value(e, "Label");
        el.face = ReadColor(cx, Value(e, "Face"), highlight);
        el.faceEnd = ReadColor(cx, Value(e, "FaceEnd"), el.face.darker(115));
        el.hover = ReadColor(cx, Value(e, "Hover"), el.face.lighter(115));
        el.pressed = ReadColor(cx, Value(e, "Pressed"), el.face.darker(130));
        el.disabled = ReadColor(cx, Value(e, "Disabled"), QColor(0xc3, 0xcb, 0xd4));
        el.text = ReadColor(cx, Value(e, "Text"), Qt::white);
        el.disabledText = ReadColor(cx, Value(e, "DisabledText"), QColor(0x7d, 0x88, 0x94));
        el.border = ReadColor(cx, Value(e, "Border"), el.pressed);
        el.radius = ReadInt(Value(e, "Radius"), 10, 0, 64);
        el.font = ReadFont(cx, Value(e, "Font"), big);
        el.glyph = ReadImage(cx, Value(e, "Image"));
        s.elements.insert(name, el);
    }

    s.styleSheet = SubstituteColours(raw.styleLines.join('\n'), s.colors, cx.work).trimmed();

    *skin = s;
    return true;
}

bool LoadSkinFile(const QString& path, SkinDefinition* skin, QString* error) {
    QFile f(path);
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (!f.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read ") + path);
    if (f.size() > kMaxSkinFileSize)
        return fail(QStringLiteral("too large: ") + path);
    const QByteArray bytes = f.read(kMaxSkinFileSize + 1);
    if (bytes.size() > kMaxSkinFileSize || bytes.contains('\0'))
        return fail(QStringLiteral("not a text file: ") + path);
    return ParseSkin(QString::fromUtf8(bytes), QFileInfo(path).absolutePath(), skin, error);
}
