#pragma once
// Reading and writing single values of an INI file ("private profile") with
// the behaviour programs written for Windows rely on:
// - section and key names match without regard to case (bytes that are not
//   valid UTF-8 only match themselves); blanks around names,
//   around "=" and at both ends of a value are ignored on reading;
// - a value wrapped in one matching pair of ' or " loses that pair;
// - the first of duplicate keys wins, only the first of duplicate sections is
//   searched; lines before the first section, lines without "=" and keys
//   beginning with ";" are not keys;
// - writing creates the file (never its folder), appends a new section at the
//   end, puts a new key after its section's last key, changes only the value
//   of an existing key, keeps the file's line ends (CRLF for a new file) and
//   leaves every other line byte for byte.
// Text is UTF-8.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// Copies the value of `key` in `section` of `fileName` into `buffer` of `size`
// bytes, terminated, and returns the number of bytes copied without the
// terminator. A missing file, section or key gives `defaultValue` (null counts
// as empty) with its trailing blanks removed. A longer text is cut to size - 1
// bytes. A null section or key gives the default as well; a null buffer or a
// size of 0 gives 0 and copies nothing.
uint32_t GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                                 char* buffer, uint32_t size, const QString& fileName);

// The value whole when the file has the key; nothing for a missing file,
// section or key, or a null section or key.
std::optional<QByteArray> FindPrivateProfileValue(const char* section, const char* key,
                                                  const QString& fileName);

// The same value (or default) whole, however long: one pass over the file.
QByteArray GetPrivateProfileValue(const char* section, const char* key, const char* defaultValue,
                                  const QString& fileName);

// Writes key=value into the section, creating the file and the section as
// needed. Returns false when nothing was written: a null section, key or
// value, a name or value that would break the file's line structure (a line
// end in any of them, "=" or a leading ";" or "[" in the key, "]" in the
// section), or a file that cannot be read or written. A failed write, a full
// disk included, leaves the file exactly as it was. Programs writing the same
// file at once take turns, so none loses another's key.
bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const QString& fileName);
