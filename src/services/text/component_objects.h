#pragma once
// Creating the word-list services' automation components by class id through the prefix's
// registry, and the per-thread initialisation they need.
#include <tessaly/word_components.h>

namespace tessaly::text {

// Counts initialisations on the calling thread (S_OK the first, S_FALSE again).
HRESULT CoInitializeThread();
void CoUninitializeThread();
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 names the module; its DllGetClassObject's
// factory makes the object. REGDB_E_CLASSNOTREG when the class is not registered,
// CO_E_NOTINITIALIZED (0x800401F0) on a thread not initialised, the module's failures else.
HRESULT CreateComponent(const char* clsid, const char* iid, void** object);

} // namespace tessaly::text
