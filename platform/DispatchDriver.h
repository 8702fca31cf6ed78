#pragma once
// A client of one component object: created by class name through the per-user
// component registry, called by method number with typed positional arguments,
// released when the driver ends. A driver without an object does nothing when
// called and reports nothing: programs run on without their components.

#include "platform/DispatchInterface.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <initializer_list>
#include <memory>

class QLibrary;

// One positional argument: a long (32-bit signed) or a string.
class DispatchArgument {
public:
    DispatchArgument(qint32 value) : type(OSTRELA_VT_I4), number(value) {}
    DispatchArgument(const QString& value) : type(OSTRELA_VT_BSTR), text(value.toUtf8()) {}
    DispatchArgument(const char* value) : DispatchArgument(QString::fromUtf8(value ? value : "")) {}

    OstrelaVariant ToVariant() const;

private:
    int32_t type;
    qint32 number = 0;
    QByteArray text;
};

class COleDispatchDriver {
public:
    COleDispatchDriver();
    virtual ~COleDispatchDriver();
    COleDispatchDriver(const COleDispatchDriver&) = delete;
    COleDispatchDriver& operator=(const COleDispatchDriver&) = delete;

    // Loads the library recorded for the class, the one of that name in the
    // program's folder, and creates an object of it, releasing any object held
    // before. False, with the driver left empty, when the class is not
    // recorded, no such library lies beside the program, its factory is missing,
    // or the factory makes nothing; `error` then says which.
    bool CreateDispatch(const QString& className, QString* error = nullptr);

    // Releases the object, then unloads its library. Nothing happens when empty.
    void ReleaseDispatch();

    bool HasDispatch() const { return m_lpDispatch != nullptr; }

    // Calls method `dispid` with the arguments in order and returns the
    // object's result; OSTRELA_E_POINTER at once when the driver is empty.
    qint32 InvokeHelper(qint32 dispid, std::initializer_list<DispatchArgument> args = {});

protected:
    OstrelaDispatch* m_lpDispatch = nullptr;

private:
    std::unique_ptr<QLibrary> library;
};
