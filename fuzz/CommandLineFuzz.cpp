// Splitting any command line never fails, and arguments quoted one by one come
// back unchanged after a first argument.

#include "platform/CommandLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    CommandLineToArgv(text);

    // The input as arguments, one a line, behind a program name.
    const QStringList arguments = text.split('\n');
    QString line = QStringLiteral("\"C:/program folder/vexa.exe\"");
    for (const QString& a : arguments)
        line += ' ' + QuoteArgument(a);
    const QStringList back = CommandLineToArgv(line);
    if (back.size() != arguments.size() + 1 || back.mid(1) != arguments)
        std::abort();
    return 0;
}
