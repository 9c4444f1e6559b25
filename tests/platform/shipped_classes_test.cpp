// The suite's component classes in a prefix's class root: written into a new hive, found by
// module name, and left alone once a prefix has been given them.
#include <sqlite3.h>

#include <tuple>

#include "platform/module.h"
#include "platform/registry.h"
#include "platform/shipped_classes.h"
#include "support/environment.h"
#include "support/prefix.h"
#include "support/registry.h"

using namespace tessaly::testing::reg;
namespace p = tessaly::platform;

namespace {

class ShippedClasses : public tessaly::testing::PrefixTest {};

std::string text(const std::string& value) {
    return value + '\0';
}

TEST_F(ShippedClasses, ANewPrefixHasEveryClassAndFindsItsModule) {
    tessaly::testing::ScopedEnv noPath("TESSALY_MODULE_PATH", nullptr); // the library's folder
    ASSERT_FALSE(p::ShippedClasses().empty());
    for (const auto& row : p::ShippedClasses()) {
        const std::string key = std::string("CLSID\\") + row.clsid, id = row.progId;
        EXPECT_EQ(Get(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str(), "") +
                      Get(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str(), "ThreadingModel"),
                  text(row.module) + text(row.threading));
        // A class without a programmatic id has no ProgID key either way.
        EXPECT_EQ(Get(HKEY_CLASSES_ROOT, (key + "\\ProgID").c_str(), "") +
                      (id.empty() ? "" : Get(HKEY_CLASSES_ROOT, (id + "\\CLSID").c_str(), "")),
                  id.empty() ? "" : text(id) + text(row.clsid));
        HMODULE module = p::LoadLibraryA(row.module);
        EXPECT_NE(module ? p::GetProcAddress(module, "DllGetClassObject") : nullptr, nullptr)
            << row.module;
    }
}

// What the next set-up of an existing prefix (the hives opened again) does with a class.
TEST_F(ShippedClasses, ALaterSetUpGivesOnlyWhatThePrefixHasNotHad) {
    const auto& row = p::ShippedClasses().front();
    const std::string server = std::string("CLSID\\") + row.clsid + "\\InprocServer32";
    // Rows: the module written before the set-up (nullptr removes the class), whether the hive
    // forgets what it was given (as one of a build before the table and its stamp), the module
    // then found.
    const std::tuple<const char*, bool, std::string> rows[] = {
        {nullptr, false, ""},              // a registration removed stays removed
        {nullptr, true, text(row.module)}, // a prefix never given the class gets it
        {"Mine.dll", true, "Mine.dll"},    // a registration of its own is kept
    };
    for (const auto& [module, forgetGiven, expected] : rows) {
        module ? void(Put(HKEY_CLASSES_ROOT, server.c_str(), "", REG_SZ, module))
               : void(p::RegDeleteTreeA(HKEY_CLASSES_ROOT,
                                        (std::string("CLSID\\") + row.clsid).c_str()));
        p::RegCloseStores();
        sqlite3* db = nullptr;
        if (forgetGiven && sqlite3_open((prefix_.root() + "/system.reg.db").c_str(), &db) == 0) {
            EXPECT_EQ(
                sqlite3_exec(db, "DROP TABLE shipped_classes; PRAGMA user_version=0", 0, 0, 0),
                SQLITE_OK);
        }
        sqlite3_close(db);
        EXPECT_EQ(Get(HKEY_CLASSES_ROOT, server.c_str(), ""), expected) << forgetGiven;
    }
}

} // namespace
