#pragma once
// The component classes an installed suite has registered, written into a prefix's class root
// when its machine hive is first opened.
#include <span>

#include "platform/api.h"
#include "platform/registry_store.h"

namespace tessaly::platform {

// One registered class. The module is named as Windows names it ("VereWords.dll"), so the
// module search finds it beside the library, in the installation folder or on
// TESSALY_MODULE_PATH. Rows are only ever added (at the end of the table).
struct ShippedClass {
    const char* clsid;     // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case
    const char* progId;    // empty: the class has none
    const char* module;    // InprocServer32 default value
    const char* threading; // InprocServer32 "ThreadingModel"
};

PLATFORM_API std::span<const ShippedClass> ShippedClasses();

// Inside the caller's write transaction on the machine hive: writes, below
// Software\Classes, each row this hive has not been given yet (CLSID\{id}\InprocServer32,
// CLSID\{id}\ProgID and <ProgID>\CLSID) and records it as given, so a registration removed
// later stays removed. A row whose class key exists already is recorded and left as it is.
LONG WriteShippedClasses(regstore::Store& s);

} // namespace tessaly::platform
