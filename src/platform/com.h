#pragma once
// Creating in-process components by class identifier, as the system's component library
// does: HKEY_CLASSES_ROOT "CLSID\{...}\InprocServer32" names the module, whose
// "DllGetClassObject" hands out the class factory that makes the object.
#include <tessaly/com.h>

#include <string>

#include "api.h"

namespace tessaly::platform {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case.
PLATFORM_API std::string ClsidToString(const CLSID& clsid);
// REGDB_E_CLASSNOTREG when the class is not registered, CO_E_DLLNOTFOUND when its module
// cannot be loaded, CO_E_ERRORINDLL when the module has no factory entry; otherwise the
// factory's answer. The module stays loaded while the program runs, as the system keeps
// a server loaded until it is asked to unload.
PLATFORM_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                                      void** object);

} // namespace tessaly::platform
