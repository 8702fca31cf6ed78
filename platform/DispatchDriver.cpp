#include "platform/DispatchDriver.h"

#include "platform/ComponentRegistry.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <vector>

OstrelaVariant DispatchArgument::ToVariant() const {
    OstrelaVariant v{};
    v.type = type;
    if (type == OSTRELA_VT_I4)
        v.lVal = number;
    else
        v.strVal = text.constData();
    return v;
}

namespace {
// The registry is the user's, shared by every copy of the program: only a
// library in this program's folder is this copy's. One of the recorded name
// beside the program is taken whatever folder the entry names; an entry for
// another folder, or for a file that is gone, is not loaded.
QString TrustedLibrary(const QString& recorded) {
    if (recorded.isEmpty())
        return QString();
    const QFileInfo program(GetModuleFileName());
    const QString beside = program.dir().filePath(QFileInfo(recorded).fileName());
    return QFileInfo(beside).isFile() ? beside : QString();
}
} // namespace

COleDispatchDriver::COleDispatchDriver() = default;

COleDispatchDriver::~COleDispatchDriver() {
    ReleaseDispatch();
}

bool COleDispatchDriver::CreateDispatch(const QString& className, QString* error) {
    ReleaseDispatch();
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QString path = TrustedLibrary(FindComponentLibrary(className));
    if (path.isEmpty())
        return fail(QStringLiteral("class not registered: ") + className);

    auto lib = std::make_unique<QLibrary>(path);
    if (!lib->load())
        return fail(lib->errorString());
    const auto create =
        reinterpret_cast<OstrelaCreateObjectFn>(lib->resolve(OSTRELA_CREATE_OBJECT_EXPORT));
    OstrelaDispatch* object = create ? create(className.toUtf8().constData()) : nullptr;
    if (!object || !object->vtbl || !object->vtbl->Invoke || !object->vtbl->Release) {
        if (object && object->vtbl && object->vtbl->Release)
            object->vtbl->Release(object);
        lib->unload();
        return fail(create ? QStringLiteral("no object of class ") + className
                           : QStringLiteral("no factory in ") + path);
    }
    m_lpDispatch = object;
    library = std::move(lib);
    return true;
}

void COleDispatchDriver::ReleaseDispatch() {
    if (m_lpDispatch) {
        OstrelaDispatch* object = m_lpDispatch;
        m_lpDispatch = nullptr;
        object->vtbl->Release(object);
    }
    // The library goes only after its object: its code ran the release.
    if (library) {
        library->unload();
        library.reset();
    }
}

qint32 COleDispatchDriver::InvokeHelper(qint32 dispid,
                                        std::initializer_list<DispatchArgument> args) {
    if (!m_lpDispatch)
        return OSTRELA_E_POINTER;
    std::vector<OstrelaVariant> variants;
    variants.reserve(args.size());
    for (const DispatchArgument& a : args)
        variants.push_back(a.ToVariant());
    return m_lpDispatch->vtbl->Invoke(m_lpDispatch, dispid, variants.data(),
                                      static_cast<int32_t>(variants.size()));
}
