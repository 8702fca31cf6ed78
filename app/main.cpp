#include "app/Ostrela.h"
#include "app/Utf8Locale.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

// Every argument names a file to add at start ("Open With", `ostrela FILE...`);
// without any the start is as designed. Qt is given the program name alone, so
// no argument changes its behaviour.
int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QString argument = QFile::decodeName(argv[i]);
        if (argument.isEmpty())
            continue;
        const QUrl url(argument);
        theApp.startFiles
            << QFileInfo(url.isLocalFile() ? url.toLocalFile() : argument).absoluteFilePath();
    }
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    UseUtf8CharacterType();
    theApp.InitInstance();
    return theApp.ExitInstance();
}
