// The skin component "SkinCrafter.SCSkin", shipped beside the program as
// "SkinCrafter.dll". Method numbers:
//   17 option 17 (long)          1 option 1 (long)
//    2 OpenSkinFile (string)     18 ActivateSkin
//   21 AssignSkinElement (window handle as long, element name, long)
//    7 CloseSkin

#include "SkinEngine.h"
#include "app/SkinCrafter.h"
#include "platform/ComponentRegistry.h"
#include "platform/DispatchInterface.h"

#include <QString>
#include <memory>

#define SKIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const char* const kClassName = "SkinCrafter.SCSkin";

struct SkinObject : OstrelaDispatch {
    SkinEngine engine;
};

bool IsLong(const OstrelaVariant* args, int32_t count, int32_t i) {
    return i < count && args[i].type == OSTRELA_VT_I4;
}

bool IsString(const OstrelaVariant* args, int32_t count, int32_t i) {
    return i < count && args[i].type == OSTRELA_VT_BSTR && args[i].strVal;
}

int32_t Invoke(OstrelaDispatch* self, int32_t dispid, const OstrelaVariant* args, int32_t count) {
    auto* object = static_cast<SkinObject*>(self);
    SkinEngine& e = object->engine;
    switch (dispid) {
    case CSkinDriver::kSetSkinOption17:
    case CSkinDriver::kSetSkinOption1:
        if (count != 1 || !IsLong(args, count, 0))
            return OSTRELA_DISP_E_BADPARAMCOUNT;
        return e.SetOption(dispid, args[0].lVal);
    case CSkinDriver::kOpenSkinFile:
        if (count != 1 || !IsString(args, count, 0))
            return OSTRELA_DISP_E_BADPARAMCOUNT;
        return e.OpenSkinFile(QString::fromUtf8(args[0].strVal));
    case CSkinDriver::kActivateSkin:
        return count == 0 ? e.Activate() : OSTRELA_DISP_E_BADPARAMCOUNT;
    case CSkinDriver::kAssignSkinElement:
        if (count != 3 || !IsLong(args, count, 0) || !IsString(args, count, 1) ||
            !IsLong(args, count, 2))
            return OSTRELA_DISP_E_BADPARAMCOUNT;
        return e.AssignElement(args[0].lVal, QString::fromUtf8(args[1].strVal), args[2].lVal);
    case CSkinDriver::kCloseSkin:
        return count == 0 ? e.Close() : OSTRELA_DISP_E_BADPARAMCOUNT;
    default:
        return OSTRELA_DISP_E_MEMBERNOTFOUND;
    }
}

void Release(OstrelaDispatch* self) {
    // Everything the skin put on the program's windows goes with it.
    std::unique_ptr<SkinObject> object(static_cast<SkinObject*>(self));
}

const OstrelaDispatchVtbl kVtbl = {Invoke, Release};

} // namespace

SKIN_EXPORT int32_t DllRegisterServer(void) {
    const QString self = LibraryPathOf(reinterpret_cast<const void*>(&DllRegisterServer));
    if (self.isEmpty())
        return OSTRELA_E_FAIL;
    return RegisterComponentClass(QString::fromLatin1(kClassName), self) ? OSTRELA_S_OK
                                                                         : OSTRELA_E_FAIL;
}

SKIN_EXPORT OstrelaDispatch* OstrelaCreateObject(const char* className) {
    if (!className ||
        QString::fromUtf8(className).compare(QLatin1String(kClassName), Qt::CaseInsensitive) != 0)
        return nullptr;
    // The caller owns the object until it calls Release.
    auto object = std::make_unique<SkinObject>();
    object->vtbl = &kVtbl;
    return object.release();
}
