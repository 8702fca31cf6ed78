#pragma once
// Opening documents, folders and web pages and starting other programs. Tests
// install a handler that records the request and launches nothing.

#include <QString>
#include <functional>

class QWidget;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOW = 5;

struct ShellRequest {
    enum Kind { Open, StartProgram };
    Kind kind = Open;
    QWidget* owner = nullptr;
    QString verb;       // "open" for Open
    QString file;       // URL, document, folder or program path
    QString parameters; // empty throughout the program
    QString directory;  // empty throughout the program
    int showCommand = SW_SHOW;
};

using ShellHandler = std::function<bool(const ShellRequest&)>;

// Opens a URL, a document or a folder with its default handler. The file may be
// a URL with a scheme or a local path. Returns whether it was handed over, false
// also for a document no application is set to open; only help reports it.
bool ShellExecute(QWidget* owner, const QString& verb, const QString& file,
                  const QString& parameters, const QString& directory, int showCommand);

// Whether the desktop has an application set to open the document's type (asked
// with xdg-mime). Without one xdg-open would fail after the hand-over, where
// nobody sees it. True when it cannot be told, so the document is handed over.
bool HasApplicationFor(const QString& document);

// Starts a program as a new detached process.
bool StartProgram(const QString& path, int showCommand);

// Replaces the real shell; an empty handler restores it. Returns the previous one.
ShellHandler SetShellHandler(ShellHandler handler);
