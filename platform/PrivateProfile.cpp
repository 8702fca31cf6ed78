#include "platform/PrivateProfile.h"

#include "platform/FileReplace.h"

#include <QByteArray>
#include <QChar>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <vector>

namespace {

constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView Trimmed(QByteArrayView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// The code point of the well-formed UTF-8 sequence at `pos`, advancing past it;
// -1 (and one byte further) for a byte that starts no such sequence.
int32_t NextCodePoint(QByteArrayView text, qsizetype& pos) {
    const auto byte = [&](qsizetype i) { return uint8_t(text[i]); };
    const uint8_t lead = byte(pos);
    int length = 0;
    int32_t point = 0;
    int32_t least = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, point = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, point = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, point = lead & 0x07, least = 0x10000;
    }
    if (length == 0 || pos + length > text.size()) {
        ++pos;
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            ++pos;
            return -1;
        }
        point = (point << 6) | (byte(pos + i) & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        ++pos;
        return -1;
    }
    pos += length;
    return point;
}

// Without regard to case for text; a byte that is not part of valid UTF-8 only
// matches the same byte, so two different undecodable names stay two names.
bool NamesMatch(QByteArrayView a, QByteArrayView b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const qsizetype startA = i;
        const qsizetype startB = j;
        const int32_t pa = NextCodePoint(a, i);
        const int32_t pb = NextCodePoint(b, j);
        if (pa < 0 || pb < 0) {
            if (pa != pb || a[startA] != b[startB])
                return false;
        } else if (pa != pb &&
                   QChar::toCaseFolded(char32_t(pa)) != QChar::toCaseFolded(char32_t(pb))) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;  // end of the text, before the line end
    qsizetype next = 0; // start of the following line
    bool terminated = false;
};

enum class LineKind { Other, Section, Key };

struct LineInfo {
    LineKind kind = LineKind::Other;
    QByteArrayView name;  // section or key name, trimmed
    qsizetype equals = 0; // offset of "=" in a key line
};

// The lines of a profile file and where the first match of a section and key lies.
class Profile {
public:
    explicit Profile(const QByteArray& bytes) : data(bytes) {
        qsizetype pos = QByteArrayView(data).startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0;
        while (pos < data.size()) {
            Line line;
            line.begin = pos;
            const qsizetype nl = data.indexOf('\n', pos);
            if (nl < 0) {
                line.end = data.size();
                line.next = data.size();
            } else {
                line.end = nl;
                line.next = nl + 1;
                line.terminated = true;
            }
            if (line.end > line.begin && data[line.end - 1] == '\r')
                --line.end;
            lines.push_back(line);
            pos = line.next;
        }
    }

    LineInfo Classify(const Line& line) const {
        const QByteArrayView text = QByteArrayView(data).sliced(line.begin, line.end - line.begin);
        const QByteArrayView trimmed = Trimmed(text);
        LineInfo info;
        if (trimmed.startsWith('[')) {
            QByteArrayView inside = trimmed.sliced(1);
            const qsizetype close = inside.indexOf(']');
            if (close >= 0)
                inside = inside.first(close);
            info.kind = LineKind::Section;
            info.name = Trimmed(inside);
            return info;
        }
        const qsizetype eq = text.indexOf('=');
        if (eq < 0)
            return info;
        const QByteArrayView name = Trimmed(text.first(eq));
        if (name.startsWith(';'))
            return info;
        info.kind = LineKind::Key;
        info.name = name;
        info.equals = eq;
        return info;
    }

    // Looks up the first section of that name and, inside it, the first key.
    void Find(QByteArrayView section, QByteArrayView key) {
        sectionLine = keyLine = lastKeyLine = -1;
        for (size_t i = 0; i < lines.size(); ++i) {
            const LineInfo info = Classify(lines[i]);
            if (sectionLine < 0) {
                if (info.kind == LineKind::Section && NamesMatch(info.name, section)) {
                    sectionLine = qsizetype(i);
                    lastKeyLine = qsizetype(i);
                }
                continue;
            }
            if (info.kind == LineKind::Section)
                break;
            if (info.kind != LineKind::Key)
                continue;
            lastKeyLine = qsizetype(i);
            if (keyLine < 0 && NamesMatch(info.name, key))
                keyLine = qsizetype(i);
        }
    }

    QByteArray Value(qsizetype index) const {
        const Line& line = lines[size_t(index)];
        const LineInfo info = Classify(line);
        const qsizetype from = line.begin + info.equals + 1;
        QByteArrayView value = Trimmed(QByteArrayView(data).sliced(from, line.end - from));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        return value.toByteArray();
    }

    // What ends an unterminated line before another is added after it. A lone
    // carriage return already read as its line end, so only "\n" completes it
    // and its value stays as it reads.
    QByteArray Completion(const Line& line, const QByteArray& eol) const {
        return line.next > line.end ? QByteArray("\n") : eol;
    }

    // The file's line end: the one of its first line, CRLF when none ends yet.
    QByteArray LineEnd() const {
        for (const Line& line : lines) {
            if (line.terminated)
                return line.next - line.end == 2 ? QByteArray("\r\n") : QByteArray("\n");
        }
        return QByteArray("\r\n");
    }

    const QByteArray& data;
    std::vector<Line> lines;
    qsizetype sectionLine = -1;
    qsizetype keyLine = -1;
    qsizetype lastKeyLine = -1; // the section line itself while it has no key
};

// Reads the whole file; a missing file reads as empty. False when it exists
// but cannot be read.
bool ReadProfile(const QString& fileName, QByteArray& data, bool& exists) {
    // A dangling link is no file yet: writing follows it.
    exists = QFileInfo::exists(fileName);
    QFile file(fileName);
    if (!exists)
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    data = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool HasLineEnd(QByteArrayView text) {
    return text.contains('\n') || text.contains('\r');
}

} // namespace

std::optional<QByteArray> FindPrivateProfileValue(const char* section, const char* key,
                                                  const QString& fileName) {
    if (!section || !key)
        return std::nullopt;
    QByteArray data;
    bool exists = false;
    if (!ReadProfile(fileName, data, exists) || !exists)
        return std::nullopt;
    Profile profile(data);
    profile.Find(Trimmed(section), Trimmed(key));
    if (profile.keyLine < 0)
        return std::nullopt;
    return profile.Value(profile.keyLine);
}

QByteArray GetPrivateProfileValue(const char* section, const char* key, const char* defaultValue,
                                  const QString& fileName) {
    if (std::optional<QByteArray> value = FindPrivateProfileValue(section, key, fileName))
        return *value;
    QByteArrayView fallback(defaultValue ? defaultValue : "");
    while (!fallback.isEmpty() && IsBlank(fallback.back()))
        fallback.chop(1);
    return fallback.toByteArray();
}

uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, uint32_t size, const QString& fileName) {
    if (!buffer || size == 0)
        return 0;
    const QByteArray result = GetPrivateProfileValue(section, key, defaultValue, fileName);
    const uint32_t count = uint32_t(std::min<qsizetype>(result.size(), qsizetype(size) - 1));
    std::memcpy(buffer, result.constData(), count);
    buffer[count] = '\0';
    return count;
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const QString& fileName) {
    if (!section || !key || !value)
        return false;
    const QByteArrayView sectionName = Trimmed(section);
    const QByteArrayView keyName = Trimmed(key);
    const QByteArrayView text(value);
    if (HasLineEnd(sectionName) || sectionName.contains(']') || keyName.isEmpty() ||
        HasLineEnd(keyName) || keyName.contains('=') || keyName.startsWith(';') ||
        keyName.startsWith('[') || HasLineEnd(text))
        return false;

    // Another program's change between our read and our replace would be lost.
    const CFileChangeLock lock(fileName);
    QByteArray data;
    bool exists = false;
    if (!ReadProfile(fileName, data, exists))
        return false;
    Profile profile(data);
    profile.Find(sectionName, keyName);
    const QByteArray eol = profile.LineEnd();
    const QByteArray keyLine = keyName.toByteArray() + '=' + text.toByteArray();

    QByteArray updated;
    if (profile.keyLine >= 0) {
        // Keep everything up to the value: indentation, the key's spelling,
        // the blanks around "=". A value that brings blanks of its own takes
        // the place of the old ones, or each rewrite would add to them.
        const Line& line = profile.lines[size_t(profile.keyLine)];
        qsizetype from = line.begin + profile.Classify(line).equals + 1;
        while (!text.startsWith(' ') && !text.startsWith('\t') && from < line.end &&
               IsBlank(data[from]))
            ++from;
        updated = data.left(from) + text.toByteArray() + data.mid(line.end);
    } else if (profile.sectionLine >= 0) {
        const Line& after = profile.lines[size_t(profile.lastKeyLine)];
        updated = data.left(after.next);
        if (!after.terminated)
            updated += profile.Completion(after, eol);
        updated += keyLine + eol + data.mid(after.next);
    } else {
        updated = data;
        if (!profile.lines.empty() && !profile.lines.back().terminated)
            updated += profile.Completion(profile.lines.back(), eol);
        updated += '[' + sectionName.toByteArray() + ']' + eol + keyLine + eol;
    }

    return ReplaceFileContents(fileName, updated);
}
