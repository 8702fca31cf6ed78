#pragma once
// Access to the program's settings file: single values of an INI file, read
// and written through the private-profile calls. Each user creates one,
// gives it the path, uses it and drops it; it holds no open file.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class CIni {
public:
    CIni() = default;
    virtual ~CIni();
    CIni(const CIni&) = delete;
    CIni& operator=(const CIni&) = delete;

    // Replaces the stored path; a null path empties it.
    void SetPathName(const QString& pathName);
    QString GetPathName() const { return pathName; }
    // Files read after the own one, in order, for a key it does not have (an
    // administrator's defaults); the first that has the key gives its value.
    // Writing never touches them.
    void SetFallbackPathNames(const QStringList& pathNames) { fallbacks = pathNames; }

    // The value text, or the default (a null default counts as empty) when
    // the key is missing from the file and its fallbacks. A null section or key gives the default
    // without looking at the file. This form hands the caller a heap copy.
    std::unique_ptr<char[]> GetString(const char* section, const char* key,
                                      const char* defaultValue = nullptr) const;
    // The same into a string object.
    void GetString(const char* section, const char* key, QString& value,
                   const char* defaultValue = nullptr) const;
    // The same into a caller's buffer of `length` bytes: at most length - 1
    // bytes of text and a terminator, never splitting a character; returns
    // the number of bytes of text copied.
    int GetString(const char* section, const char* key, char* buffer, int length,
                  const char* defaultValue = nullptr) const;

    // The value read as an unsigned number in `base` (2, 8, 10 or 16; any other
    // counts as 10) and returned as a 32-bit integer; the default when the value
    // is missing or empty. A text that does not begin with a number reads as 0.
    int GetInt(const char* section, const char* key, int defaultValue, int base = 10) const;

    // Writes key=value; a null value writes an empty value. A null section or
    // key writes nothing. Returns whether the file was written.
    bool WriteString(const char* section, const char* key, const char* value) const;
    bool WriteInt(const char* section, const char* key, int value, int base = 10) const;

    // "%d", "%o" or "%X" for bases 10, 8 and 16; for base 2 the binary digits
    // of the 32-bit pattern, most significant first, without leading zeros.
    static QByteArray FormatNumber(int value, int base);

private:
    // The whole value (or the default), terminated, in a buffer of its size.
    std::unique_ptr<char[]> ReadValue(const char* section, const char* key,
                                      const char* defaultValue) const;

    QString pathName;
    QStringList fallbacks;
};
