#pragma once
/* The binary interface between the program and a component library, kept to
   plain C so a component needs nothing of the program's classes to answer it.

   A component library exports:
     int32_t DllRegisterServer(void);   records its classes in the per-user
                                        component registry; 0 on success
     OstrelaDispatch* OstrelaCreateObject(const char* className);
                                        a new object of that class, or null
   The object answers method calls by number with positional arguments and is
   released exactly once; the library may be unloaded after that. */

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Argument kinds, numbered as the automation variant types they stand for. */
enum {
    OSTRELA_VT_EMPTY = 0,
    OSTRELA_VT_I4 = 3,  /* lVal: 32-bit signed integer ("long") */
    OSTRELA_VT_BSTR = 8 /* strVal: UTF-8, terminated, valid for the call only */
};

typedef struct OstrelaVariant {
    int32_t type;
    int32_t lVal;
    const char* strVal;
} OstrelaVariant;

/* Results, with the values automation gives them. */
#define OSTRELA_S_OK ((int32_t)0)
#define OSTRELA_DISP_E_MEMBERNOTFOUND ((int32_t)0x80020003u)
#define OSTRELA_DISP_E_TYPEMISMATCH ((int32_t)0x80020005u)
#define OSTRELA_DISP_E_BADPARAMCOUNT ((int32_t)0x8002000Eu)
#define OSTRELA_E_POINTER ((int32_t)0x80004003u)
#define OSTRELA_E_FAIL ((int32_t)0x80004005u)

typedef struct OstrelaDispatch OstrelaDispatch;

typedef struct OstrelaDispatchVtbl {
    /* Calls method `dispid` with `count` arguments in declaration order. */
    int32_t (*Invoke)(OstrelaDispatch* self, int32_t dispid, const OstrelaVariant* args,
                      int32_t count);
    /* Ends the object; `self` is invalid afterwards. */
    void (*Release)(OstrelaDispatch* self);
} OstrelaDispatchVtbl;

struct OstrelaDispatch {
    const OstrelaDispatchVtbl* vtbl;
};

typedef int32_t (*OstrelaRegisterServerFn)(void);
typedef OstrelaDispatch* (*OstrelaCreateObjectFn)(const char* className);

#define OSTRELA_REGISTER_SERVER_EXPORT "DllRegisterServer"
#define OSTRELA_CREATE_OBJECT_EXPORT "OstrelaCreateObject"

#ifdef __cplusplus
}
#endif
