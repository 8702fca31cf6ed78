#include "tasks/Ini.h"

#include "platform/PrivateProfile.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A number is read from at most this many characters.
constexpr int kNumberLength = 64;

int SupportedBase(int base) {
    return base == 2 || base == 8 || base == 16 ? base : 10;
}

} // namespace

CIni::~CIni() = default;

void CIni::SetPathName(const QString& path) {
    pathName = path;
}

std::unique_ptr<char[]> CIni::ReadValue(const char* section, const char* key,
                                        const char* defaultValue) const {
    // The whole value in one read: growing a buffer and asking again would
    // read the file once more for every step of a long value.
    std::optional<QByteArray> found = FindPrivateProfileValue(section, key, pathName);
    for (qsizetype i = 0; !found && i < fallbacks.size(); ++i)
        found = FindPrivateProfileValue(section, key, fallbacks[i]);
    // Found nowhere: the default, trimmed as a missing key's default is.
    const QByteArray value =
        found ? *found : GetPrivateProfileValue(section, key, defaultValue, QString());
    auto buffer = std::make_unique<char[]>(size_t(value.size()) + 1);
    std::memcpy(buffer.get(), value.constData(), size_t(value.size()));
    buffer[size_t(value.size())] = '\0';
    return buffer;
}

std::unique_ptr<char[]> CIni::GetString(const char* section, const char* key,
                                        const char* defaultValue) const {
    return ReadValue(section, key, defaultValue);
}

void CIni::GetString(const char* section, const char* key, QString& value,
                     const char* defaultValue) const {
    value = QString::fromUtf8(ReadValue(section, key, defaultValue).get());
}

int CIni::GetString(const char* section, const char* key, char* buffer, int length,
                    const char* defaultValue) const {
    if (!buffer || length <= 0)
        return 0;
    const std::unique_ptr<char[]> value = ReadValue(section, key, defaultValue);
    const size_t total = std::strlen(value.get());
    size_t count = std::min(total, size_t(length - 1));
    // Back off to the start of a UTF-8 sequence rather than cut through it.
    while (count > 0 && count < total && (static_cast<unsigned char>(value[count]) & 0xC0) == 0x80)
        --count;
    std::memcpy(buffer, value.get(), count);
    buffer[count] = '\0';
    return int(count);
}

int CIni::GetInt(const char* section, const char* key, int defaultValue, int base) const {
    char text[kNumberLength + 1];
    if (GetString(section, key, text, sizeof text, nullptr) == 0)
        return defaultValue;
    errno = 0;
    unsigned long number = std::strtoul(text, nullptr, SupportedBase(base));
    // The settings were designed with a 32-bit unsigned long: what does not
    // fit saturates instead of wrapping to an arbitrary small number.
    const char* first = text + std::strspn(text, " \t\n\v\f\r");
    const unsigned long magnitude = *first == '-' ? 0UL - number : number;
    if (errno == ERANGE || magnitude > UINT32_MAX)
        number = UINT32_MAX;
    return int(int32_t(uint32_t(number)));
}

bool CIni::WriteString(const char* section, const char* key, const char* value) const {
    if (!section || !key)
        return false;
    return WritePrivateProfileString(section, key, value ? value : "", pathName);
}

bool CIni::WriteInt(const char* section, const char* key, int value, int base) const {
    return WriteString(section, key, FormatNumber(value, base).constData());
}

QByteArray CIni::FormatNumber(int value, int base) {
    switch (SupportedBase(base)) {
    case 2:
        return QByteArray::number(uint32_t(value), 2);
    case 8:
        return QByteArray::number(uint32_t(value), 8);
    case 16:
        return QByteArray::number(uint32_t(value), 16).toUpper();
    default:
        return QByteArray::number(value);
    }
}
