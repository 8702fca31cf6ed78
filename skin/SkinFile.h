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
    QHash<QString, QColor> colors; // by name, as written in [Colors]
    QHash<QString, QFont> fonts;   // by name, as written in [Fonts]
    QFont defaultFont;
    SkinCaption caption;
    QHash<QString, SkinElement> elements; // by element name, without regard to case
    QString styleSheet;                   // [Style] with every @Colour replaced
};

// The entry whose name matches without regard to case, as the skin file's
// names do; null when there is none.
template <typename T>
const T* FindIgnoringCase(const QHash<QString, T>& hash, const QString& name) {
    for (auto it = hash.cbegin(); it != hash.cend(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return &it.value();
    return nullptr;
}

// The largest skin file read; anything bigger is not a skin.
constexpr qint64 kMaxSkinFileSize = 1 << 20;

// Reads and checks a skin file. False (and `skin` untouched) when the file is
// missing, unreadable, too large or lacks the "[Skin]" section with
// "Format = 1"; `error` then says why. Single values that cannot be read keep
// their built-in defaults.
bool LoadSkinFile(const QString& path, SkinDefinition* skin, QString* error = nullptr);

// The same from text, images resolved against `folder`.
bool ParseSkin(const QString& text, const QString& folder, SkinDefinition* skin,
               QString* error = nullptr);
