#include "app/Utf8Locale.h"
#include "convert/ConvertCommand.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <cstdio>

// ostrela-convert: Ostrela's conversion without a window. Qt is given the
// program name alone, so its own options (-platform, ...) are read as ours.
int main(int argc, char** argv) {
    // A reader that goes away (`ostrela-convert ... | head -n 1`) makes writes
    // fail instead of ending the program with its encoders' outputs half done;
    // the run then stops as on Ctrl+C.
    std::signal(SIGPIPE, SIG_IGN);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int qtArgc = argc > 0 ? 1 : 0;
    QCoreApplication app(qtArgc, argv);
    UseUtf8CharacterType();
    QTextStream out(stdout);
    QTextStream err(stderr);
    return ConvertMain(arguments, out, err);
}
