// Writing one key into any INI file changes no other line, and the value
// written reads back. The input is the section, key and value on its first
// three lines and the file's old contents after them.

#include "platform/PrivateProfile.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

QList<QByteArray> Lines(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& l : lines)
        if (l.endsWith('\r'))
            l.chop(1);
    return lines;
}

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

// Names and values that reading takes as written: no blanks at the ends, no
// wrapping quotes.
bool ReadsAsWritten(const QByteArray& s) {
    if (s.isEmpty())
        return true;
    if (Blank(s.front()) || Blank(s.back()))
        return false;
    return !(s.size() >= 2 && s.front() == s.back() && (s.front() == '"' || s.front() == '\''));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir folder;
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<QByteArray> parts = input.split('\n');
    if (parts.size() < 4)
        return 0;
    const QByteArray section = parts[0], key = parts[1], value = parts[2];
    const QByteArray before = input.mid(section.size() + key.size() + value.size() + 3);
    if (section.contains('\0') || key.contains('\0') || value.contains('\0'))
        return 0;

    const QString path = folder.filePath(QStringLiteral("option.ini"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    f.write(before);
    f.close();
    if (!WritePrivateProfileString(section.constData(), key.constData(), value.constData(), path))
        return 0;
    if (!f.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray after = f.readAll();
    f.close();

    // Every old line but the key's own is still there, in order.
    const QList<QByteArray> a = Lines(before), b = Lines(after);
    qsizetype head = 0, tail = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    if (a.size() - head - tail > 1 || b.size() - head - tail > 3)
        std::abort();

    if (ReadsAsWritten(section) && ReadsAsWritten(key) && ReadsAsWritten(value) && !key.isEmpty() &&
        value.size() < 4096) {
        std::vector<char> buffer(8192);
        GetPrivateProfileString(section.constData(), key.constData(), "\x01", buffer.data(),
                                uint32_t(buffer.size()), path);
        if (QByteArray(buffer.data()) != value)
            std::abort();
    }
    return 0;
}
