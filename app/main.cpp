#include "app/Ostrela.h"

#include <QApplication>

// The command line is never examined: files reach the program only through
// its main window. Qt is given the program name alone, so no argument changes
// its behaviour either.
int main(int argc, char** argv) {
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    theApp.InitInstance();
    return theApp.ExitInstance();
}
