#include "platform/PrivateProfile.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
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

bool NamesMatch(QByteArrayView a, QByteArrayView b) {
    return QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseInsensitive) == 0;
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
    explicit Profile(const QByteArray& data) : data(data) {
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
    QFile file(fileName);
    exists = file.exists();
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

uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, uint32_t size, const QString& fileName) {
    if (!buffer || size == 0)
        return 0;
    QByteArray result;
    bool found = false;
    if (section && key) {
        QByteArray data;
        bool exists = false;
        if (ReadProfile(fileName, data, exists) && exists) {
            Profile profile(data);
            profile.Find(Trimmed(section), Trimmed(key));
            if (profile.keyLine >= 0) {
                result = profile.Value(profile.keyLine);
                found = true;
            }
        }
    }
    if (!found) {
        QByteArrayView fallback(defaultValue ? defaultValue : "");
        while (!fallback.isEmpty() && IsBlank(fallback.back()))
            fallback.chop(1);
        result = fallback.toByteArray();
    }
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
        // the blanks around "=".
        const Line& line = profile.lines[size_t(profile.keyLine)];
        qsizetype from = line.begin + profile.Classify(line).equals + 1;
        while (from < line.end && IsBlank(data[from]))
            ++from;
        updated = data.left(from) + text.toByteArray() + data.mid(line.end);
    } else if (profile.sectionLine >= 0) {
        const Line& after = profile.lines[size_t(profile.lastKeyLine)];
        updated = data.left(after.next);
        if (!after.terminated)
            updated += eol;
        updated += keyLine + eol + data.mid(after.next);
    } else {
        updated = data;
        if (!profile.lines.empty() && !profile.lines.back().terminated)
            updated += eol;
        updated += '[' + sectionName.toByteArray() + ']' + eol + keyLine + eol;
    }

    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(updated) != updated.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
