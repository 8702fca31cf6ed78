// A stand-in skin component: it registers like the real one and logs each call with its
// values, a line each, to OSTRELA_TEST_COMPONENT_LOG; OSTRELA_TEST_REGISTER_RESULT makes
// its registration fail with that value.

#include "platform/ComponentRegistry.h"
#include "platform/DispatchInterface.h"
#include "platform/WindowHandle.h"

#include <QApplication>
#include <QFile>
#include <QStringList>
#include <QWidget>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const char* const kClassName = "SkinCrafter.SCSkin";

void Log(const QString& line) {
    const QByteArray path = qgetenv("OSTRELA_TEST_COMPONENT_LOG");
    if (path.isEmpty())
        return;
    QFile f(QString::fromLocal8Bit(path));
    if (f.open(QIODevice::WriteOnly | QIODevice::Append))
        f.write((line + '\n').toUtf8());
}

int LiveMainWindows() {
    int n = 0;
    for (QWidget* w : QApplication::allWidgets())
        if (w->inherits("COstrelaDlg"))
            ++n;
    return n;
}

int32_t Invoke(OstrelaDispatch*, int32_t dispid, const OstrelaVariant* args, int32_t count) {
    QStringList parts{QStringLiteral("invoke %1").arg(dispid)};
    for (int32_t i = 0; i < count; ++i) {
        if (args[i].type == OSTRELA_VT_I4)
            parts << QStringLiteral("long:%1").arg(args[i].lVal);
        else if (args[i].type == OSTRELA_VT_BSTR)
            parts << QStringLiteral("string:") + QString::fromUtf8(args[i].strVal);
        else
            parts << QStringLiteral("type:%1").arg(args[i].type);
    }
    if (dispid == 21 && count >= 1 && args[0].type == OSTRELA_VT_I4) {
        QObject* window = FindWindowHandle(args[0].lVal);
        parts << QStringLiteral("window:") +
                     (window ? window->objectName() : QStringLiteral("(none)"));
    }
    // Activation and closing must come while no main window exists.
    if (dispid == 18 || dispid == 7)
        parts << QStringLiteral("mainWindows:%1").arg(LiveMainWindows());
    Log(parts.join(' '));
    return OSTRELA_S_OK;
}

void Release(OstrelaDispatch* self) {
    Log(QStringLiteral("release"));
    delete self;
}

const OstrelaDispatchVtbl kVtbl = {Invoke, Release};

} // namespace

EXPORT int32_t DllRegisterServer(void) {
    bool ok = false;
    const int32_t result = qEnvironmentVariableIntValue("OSTRELA_TEST_REGISTER_RESULT", &ok);
    Log(QStringLiteral("register"));
    if (ok && result != 0)
        return result;
    const QString self = LibraryPathOf(reinterpret_cast<const void*>(&DllRegisterServer));
    return RegisterComponentClass(QString::fromLatin1(kClassName), self) ? 0 : OSTRELA_E_FAIL;
}

EXPORT OstrelaDispatch* OstrelaCreateObject(const char* className) {
    if (!className || qstricmp(className, kClassName) != 0)
        return nullptr;
    Log(QStringLiteral("create ") + QString::fromUtf8(className));
    return new OstrelaDispatch{&kVtbl};
}
