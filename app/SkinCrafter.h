#pragma once
// The program's only way to talk to the skinning component "SkinCrafter.SCSkin":
// each operation is one method call with a fixed number and argument types.
// While no component object is held, every operation does nothing.

#include "platform/DispatchDriver.h"

class CSkinDriver : public COleDispatchDriver {
public:
    // Component options 17 and 1; start-up passes 0 and 1.
    void SetSkinOption17(qint32 value);
    void SetSkinOption1(qint32 value);
    // Reads the skin file; a missing or unreadable file leaves the default look.
    void OpenSkinFile(const QString& path);
    // Applies the skin to every window created from now on.
    void ActivateSkin();
    // True after the component took the skin on (a component and a readable
    // skin file), until CloseSkin: only then does the skin draw the window's
    // caption, and the main window leaves the desktop's frame off.
    bool IsActive() const { return active; }
    // Draws the window (a handle from GetWindowHandle) as the skin's element.
    void AssignSkinElement(qint32 window, const QString& element, qint32 value);
    // Takes the skin off before the program ends.
    void CloseSkin();

    static constexpr qint32 kSetSkinOption17 = 17;
    static constexpr qint32 kSetSkinOption1 = 1;
    static constexpr qint32 kOpenSkinFile = 2;
    static constexpr qint32 kActivateSkin = 18;
    static constexpr qint32 kAssignSkinElement = 21;
    static constexpr qint32 kCloseSkin = 7;

private:
    bool active = false;
};

// The program's one skin component, for the whole run (the application's
// `skin`); windows reach it here without reaching the application.
CSkinDriver& ProgramSkin();
