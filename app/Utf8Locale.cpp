#include "app/Utf8Locale.h"

#include <QByteArray>
#include <clocale>
#include <langinfo.h>
#include <strings.h>

void UseUtf8CharacterType() {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "utf8") == 0))
        return;
    // The same language in UTF-8 where it is installed ("de_DE" from
    // "de_DE.ISO-8859-1"), otherwise the C library's own UTF-8 locale.
    QByteArray name = std::setlocale(LC_CTYPE, nullptr);
    if (const qsizetype cut = name.indexOf('.'); cut >= 0)
        name.truncate(cut);
    if (const qsizetype cut = name.indexOf('@'); cut >= 0)
        name.truncate(cut);
    if (name != "C" && name != "POSIX" && std::setlocale(LC_CTYPE, name + ".UTF-8"))
        return;
    std::setlocale(LC_CTYPE, "C.UTF-8");
}
