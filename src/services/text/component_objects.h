#pragma once
// Creating the word-list services' automation components by class id through the prefix's
// registry, and the per-thread initialisation they need.
#include <tessaly/word_components.h>

namespace tessaly::text {

// Counts initialisations on the calling thread (S_OK the first, S_FALSE again).
HRESULT CoInitializeThread();
void CoUninitializeThread();
// The platform's creation by class id (REGDB_E_CLASSNOTREG when the class is not registered,
// CO_E_DLLNOTFOUND or CO_E_ERRORINDLL for a missing module or entry), and CO_E_NOTINITIALIZED
// (0x800401F0) on a thread not initialised. The caller's last error stays as it was.
HRESULT CreateComponent(REFCLSID clsid, REFIID iid, void** object);

} // namespace tessaly::text
