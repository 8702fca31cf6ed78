#pragma once
// The skin file: plain text in sections, read into colours, fonts, images, the
// caption strip, the drawn elements and the style rules (res/SkinFormat.md).

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QString>

// One element the skin draws in place of a control ("Start" for the Convert button).
struct SkinElement {
    QString label;
    QColor face, faceEnd, hover, pressed, disabled;
    QColor text, disabledText, border;
    int radius = 10;
    QFont font;
    QImage glyph;
};

struct SkinCaption {
    int height = 28;
    QColor background, backgroundEnd, text, buttonHover, closeHover;
    QFont font;
    QImage logo;
};

struct SkinDefinition {
    QString name;
    QHash<QString, QColor> colors; // by FoldedName of the name in [Colors]
    QHash<QString, QFont> fonts;   // by FoldedName of the name in [Fonts]
    QFont defaultFont;
    SkinCaption caption;
    QHash<QString, SkinElement> elements; // by element name, without regard to case
    QString styleSheet;                   // [Style] with every @Colour replaced
};

// The skin file's names ignore case: tables are keyed by this form of a name,
// so a name is found with one look-up whatever the number of names.
inline QString FoldedName(const QString& name) {
    return name.toCaseFolded();
}

// The entry named `name` (any case) in a table keyed by FoldedName; null when there is none.
template <typename T> const T* FindName(const QHash<QString, T>& table, const QString& name) {
    const auto it = table.constFind(FoldedName(name));
    return it == table.cend() ? nullptr : &it.value();
}

// What reading a skin did, so that its growth with the file's size can be checked.
struct SkinReadWork {
    qint64 nameSteps = 0;  // name look-ups, and characters walked matching @Name in [Style]
    qint64 imageReads = 0; // pictures read from disk
};

// The largest skin file read; anything bigger is not a skin.
constexpr qint64 kMaxSkinFileSize = 1 << 20;

// Reads and checks a skin file. False (and `skin` untouched) when the file is
// missing, unreadable, too large or lacks the "[Skin]" section with
// "Format = 1"; `error` then says why. Single values that cannot be read keep
// their built-in defaults.
bool LoadSkinFile(const QString& path, SkinDefinition* skin, QString* error = nullptr);

// The same from text, images resolved against `folder`.
bool ParseSkin(const QString& text, const QString& folder, SkinDefinition* skin,
               QString* error = nullptr, SkinReadWork* work = nullptr);
