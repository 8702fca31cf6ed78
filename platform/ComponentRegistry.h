#pragma once
// The per-user component registry: which library implements a component class.
// A component records itself when its registration export runs; the dispatch
// driver looks the class up when it creates an object. One small text file,
// one "class=library path" line per class, class names matched without regard
// to case.

#include <QString>

// The registry file: Ostrela/components.ini under the user's configuration
// folder (beside the user's option.ini), or the test override. Until it
// exists, ostrela/components.ini of earlier versions is read in its place.
QString ComponentRegistryPath();

// Test-only: keep the registry in this file instead; an empty path restores the
// real one. The program itself never calls it.
void SetComponentRegistryPathForTesting(const QString& path);

// Records (or replaces) the library of a class; false when the name or path is
// unusable or the file cannot be written. Programs registering at once take
// turns, so none loses another's class.
bool RegisterComponentClass(const QString& className, const QString& libraryPath);

// The library recorded for the class; empty when none is.
QString FindComponentLibrary(const QString& className);

// The full path of the loaded library holding `address` (a component passes
// one of its own functions to learn where it lies); empty when unknown.
QString LibraryPathOf(const void* address);
