#include "app/SkinCrafter.h"

void CSkinDriver::SetSkinOption17(qint32 value) {
    InvokeHelper(kSetSkinOption17, {value});
}

void CSkinDriver::SetSkinOption1(qint32 value) {
    InvokeHelper(kSetSkinOption1, {value});
}

void CSkinDriver::OpenSkinFile(const QString& path) {
    InvokeHelper(kOpenSkinFile, {path});
}

void CSkinDriver::ActivateSkin() {
    active = InvokeHelper(kActivateSkin) == OSTRELA_S_OK;
}

void CSkinDriver::AssignSkinElement(qint32 window, const QString& element, qint32 value) {
    InvokeHelper(kAssignSkinElement, {window, element, value});
}

void CSkinDriver::CloseSkin() {
    active = false;
    InvokeHelper(kCloseSkin);
}

CSkinDriver& ProgramSkin() {
    static CSkinDriver skin;
    return skin;
}
