#include "app/Ostrela.h"

#include <QApplication>

// The command line is never examined: files reach the program only through
// its main window.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    theApp.InitInstance();
    return theApp.ExitInstance();
}
