#include "SkinFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

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

// "#rrggbb", a colour name Qt knows, or a name from [Colors].
QColor ReadColor(const SkinDefinition& skin, const QString& value, const QColor& fallback) {
    if (value.isEmpty())
        return fallback;
    if (const QColor* named = FindIgnoringCase(skin.colors, value))
        return *named;
    const QColor c(value);
    return c.isValid() ? c : fallback;
}

// "Family, points[, bold][, italic]" or a name from [Fonts].
QFont ReadFont(const SkinDefinition& skin, const QString& value, const QFont& fallback) {
    if (value.isEmpty())
        return fallback;
    if (const QFont* named = FindIgnoringCase(skin.fonts, value))
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
QImage ReadImage(const QHash<QString, QString>& images, const QString& value,
                 const QString& folder) {
    const QString* named = FindIgnoringCase(images, value);
    const QString relative = named ? *named : value;
    if (relative.isEmpty() || QDir::isAbsolutePath(relative))
        return {};
    const QString base = QDir(folder).absolutePath();
    const QString path = QDir::cleanPath(base + '/' + relative);
    if (!path.startsWith(base + '/'))
        return {};
    QImage image;
    if (QFileInfo(path).size() > kMaxSkinFileSize * 4 || !image.load(path))
        return {};
    return image;
}

int ReadInt(const QString& value, int fallback, int low, int high) {
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok && n >= low && n <= high ? n : fallback;
}

} // namespace

bool ParseSkin(const QString& text, const QString& folder, SkinDefinition* skin, QString* error) {
    const RawSkin raw = Split(text);
    const auto header = raw.sections.constFind(QStringLiteral("skin"));
    if (header == raw.sections.cend() || Value(*header, "Format") != QLatin1String("1")) {
        if (error)
            *error = QStringLiteral("not a skin file of format 1");
        return false;
    }

    SkinDefinition s;
    s.name = Value(*header, "Name");

    for (const auto& [key, value] : raw.sections.value("colors")) {
        const QColor c = ReadColor(s, value, QColor());
        if (c.isValid())
            s.colors.insert(key, c);
    }
    const auto color = [&s](const char* name, const QColor& fallback) {
        return ReadColor(s, QString::fromLatin1(name), fallback);
    };

    s.defaultFont = QFont(QStringLiteral("DejaVu Sans"), 9);
    for (const auto& [key, value] : raw.sections.value("fonts"))
        s.fonts.insert(key, ReadFont(s, value, s.defaultFont));
    s.defaultFont = ReadFont(s, QStringLiteral("Default"), s.defaultFont);

    QHash<QString, QString> images;
    for (const auto& [key, value] : raw.sections.value("images"))
        images.insert(key, value);

    const Section caption = raw.sections.value("caption");
    SkinCaption& c = s.caption;
    c.height = ReadInt(Value(caption, "Height"), 28, 16, 64);
    c.background =
        ReadColor(s, Value(caption, "Background"), color("Caption", QColor(0x16, 0x3a, 0x66)));
    c.backgroundEnd = ReadColor(s, Value(caption, "BackgroundEnd"), c.background);
    c.text = ReadColor(s, Value(caption, "Text"), color("CaptionText", Qt::white));
    c.buttonHover = ReadColor(s, Value(caption, "ButtonHover"), c.background.lighter(130));
    c.closeHover = ReadColor(s, Value(caption, "CloseHover"), QColor(0xd9, 0x45, 0x3a));
    QFont captionFont = s.defaultFont;
    captionFont.setBold(true);
    c.font = ReadFont(s, Value(caption, "Font"), captionFont);
    c.logo = ReadImage(images, Value(caption, "Logo"), folder);

    for (auto it = raw.sections.cbegin(); it != raw.sections.cend(); ++it) {
        if (!it.key().startsWith(QLatin1String("element ")))
            continue;
        const QString name = it.key().mid(8).trimmed();
        const Section& e = it.value();
        SkinElement el;
        el.label = Value(e, "Label");
        el.face = ReadColor(s, Value(e, "Face"), color("Highlight", QColor(0xff, 0x8a, 0x24)));
        el.faceEnd = ReadColor(s, Value(e, "FaceEnd"), el.face.darker(115));
        el.hover = ReadColor(s, Value(e, "Hover"), el.face.lighter(115));
        el.pressed = ReadColor(s, Value(e, "Pressed"), el.face.darker(130));
        el.disabled = ReadColor(s, Value(e, "Disabled"), QColor(0xc3, 0xcb, 0xd4));
        el.text = ReadColor(s, Value(e, "Text"), Qt::white);
        el.disabledText = ReadColor(s, Value(e, "DisabledText"), QColor(0x7d, 0x88, 0x94));
        el.border = ReadColor(s, Value(e, "Border"), el.pressed);
        el.radius = ReadInt(Value(e, "Radius"), 10, 0, 64);
        QFont big = s.defaultFont;
        big.setBold(true);
        big.setPointSizeF(big.pointSizeF() * 1.5);
        el.font = ReadFont(s, Value(e, "Font"), big);
        el.glyph = ReadImage(images, Value(e, "Image"), folder);
        s.elements.insert(name, el);
    }

    // @Name in a rule stands for that colour of [Colors]; longer names first so
    // @CaptionText is not read as @Caption followed by "Text".
    QString style = raw.styleLines.join('\n');
    QStringList names = s.colors.keys();
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& n : names)
        style.replace('@' + n, s.colors.value(n).name(), Qt::CaseInsensitive);
    s.styleSheet = style.trimmed();

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
