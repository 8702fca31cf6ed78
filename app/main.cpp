#include "app/Ostrela.h"
#include "app/Utf8Locale.h"
#include "platform/FileSystem.h"

#include <QApplication>
#include <QFile>
#include <QDir>
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
        const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
        theApp.startFiles << QDir::cleanPath(AbsoluteIn(QDir::currentPath(), path));
    }
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    UseUtf8CharacterType();
    theApp.InitInstance();
    return theApp.ExitInstance();
}
