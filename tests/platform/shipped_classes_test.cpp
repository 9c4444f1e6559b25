// The suite's component classes in a prefix's class root: written into a new hive, found by
// module name, and left alone once a prefix has been given them.
#include <sqlite3.h>

#include <string>

#include "platform/module.h"
#include "platform/registry.h"
#include "platform/shipped_classes.h"
#include "support/environment.h"
#include "support/prefix.h"
#include "support/registry.h"

using namespace tessaly::testing::reg;
using tessaly::testing::PrefixTest;
using tessaly::testing::ScopedEnv;
namespace p = tessaly::platform;

namespace {

class ShippedClasses : public PrefixTest {
  protected:
    // The hives close, as when this process ends; the next call opens them again.
    void reopen() { p::RegCloseStores(); }
    void dropRecord() {
        reopen();
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((prefix_.root() + "/system.reg.db").c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, "DROP TABLE shipped_classes", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
};

std::string text(const char* value) {
    return std::string(value) + '\0';
}

TEST_F(ShippedClasses, ANewPrefixHasEveryClassAndFindsItsModule) {
    ScopedEnv noPath("TESSALY_MODULE_PATH", nullptr); // the library's own folder only
    ASSERT_FALSE(p::ShippedClasses().empty());
    for (const auto& row : p::ShippedClasses()) {
        SCOPED_TRACE(row.clsid);
        const std::string server = std::string("CLSID\\") + row.clsid + "\\InprocServer32";
        EXPECT_EQ(Get(HKEY_CLASSES_ROOT, server.c_str(), ""), text(row.module));
        EXPECT_EQ(Get(HKEY_CLASSES_ROOT, server.c_str(), "ThreadingModel"), text(row.threading));
        if (*row.progId) {
            const std::string progId = std::string("CLSID\\") + row.clsid + "\\ProgID";
            EXPECT_EQ(Get(HKEY_CLASSES_ROOT, progId.c_str(), ""), text(row.progId));
            const std::string back = std::string(row.progId) + "\\CLSID";
            EXPECT_EQ(Get(HKEY_CLASSES_ROOT, back.c_str(), ""), text(row.clsid));
        }
        HMODULE module = p::LoadLibraryA(row.module);
        ASSERT_NE(module, nullptr);
        EXPECT_NE(p::GetProcAddress(module, "DllGetClassObject"), nullptr);
    }
}

// What the next set-up of an existing prefix does with one class's registration.
TEST_F(ShippedClasses, ALaterSetUpGivesOnlyWhatThePrefixHasNotHad) {
    const auto& row = p::ShippedClasses().front();
    const std::string classKey = std::string("CLSID\\") + row.clsid;
    const std::string server = classKey + "\\InprocServer32";
    const struct {
        const char* rule;
        bool removeClass;
        const char* module; // written before the set-up, if any
        bool dropRecord;
        std::string expected;
    } rows[] = {
        {"a registration removed stays removed", true, nullptr, false, ""},
        {"a prefix never given the class gets it", true, nullptr, true, text(row.module)},
        {"a registration of its own is kept", false, "Mine.dll", true, "Mine.dll"},
        {"a changed registration is kept", false, "Other.dll", false, "Other.dll"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.rule);
        if (r.removeClass) {
            HKEY root = nullptr;
            ASSERT_EQ(p::RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_ALL_ACCESS, &root), 0);
            p::RegDeleteTreeA(root, row.clsid); // gone already after the first row
            p::RegCloseKey(root);
        }
        if (r.module) {
            ASSERT_EQ(Put(HKEY_CLASSES_ROOT, server.c_str(), "", REG_SZ, r.module), 0);
        }
        r.dropRecord ? dropRecord() : reopen();
        EXPECT_EQ(Get(HKEY_CLASSES_ROOT, server.c_str(), ""), r.expected);
    }
}

} // namespace
