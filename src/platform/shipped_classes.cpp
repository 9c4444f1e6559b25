// The table of component classes the suite ships and its writing into a machine hive.
#include "platform/shipped_classes.h"

#include <string>

namespace tessaly::platform {

namespace {

// clang-format off
constexpr ShippedClass kShipped[] = {
    // class id                                  programmatic id         module             threading
    {"{2D4D0373-C30D-11D4-A1F1-CC6357BAA126}", "Tessaly.RelatedWords", "VereWords.dll",    "Both"},
    {"{B0475003-7740-11D1-BDC3-0020AF9F8E6E}", "Tessaly.BookView",     "BookView.dll",     "Apartment"},
    {"{A4BD8641-0676-11D6-A1FA-00207800E375}", "Tessaly.OfficeCommon", "OfficeCommon.dll", "Apartment"},
    // The mail-message component's message and configuration classes (whole web pages).
    {"{CD000001-8B95-11D1-82DB-00C04FB1625D}", "CDO.Message",          "WebArchive.dll",   "Both"},
    {"{CD000002-8B95-11D1-82DB-00C04FB1625D}", "CDO.Configuration",    "WebArchive.dll",   "Both"},
    {"{0006F03A-0000-0000-C000-000000000046}", "Outlook.Application",  "OutlookApp.dll",   "Apartment"},
};
// clang-format on

// The hive's record of the rows it has been given.
constexpr char kRecordTable[] =
    "CREATE TABLE IF NOT EXISTS shipped_classes(clsid TEXT PRIMARY KEY)";

LONG sqliteResult(int rc) {
    return rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW ? ERROR_SUCCESS
                                                                    : regstore::ErrorFromSqlite(rc);
}

// One statement with text arguments, stepped once: SQLITE_ROW, SQLITE_DONE or an error.
int stepOnce(regstore::Store& s, const char* sql, const char* arg) {
    sqlite3_stmt* stmt = s.Prepare(sql);
    if (!stmt) return sqlite3_errcode(s.db());
    if (arg) sqlite3_bind_text(stmt, 1, arg, -1, SQLITE_TRANSIENT);
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    return rc;
}

LONG walk(regstore::Store& s, const std::string& path, bool create, std::int64_t& id) {
    std::vector<regstore::PathPart> parts;
    if (LONG rc = regstore::SplitPath(path.c_str(), parts); rc != ERROR_SUCCESS) return rc;
    return regstore::WalkPath(s, regstore::kRootId, parts, create, id);
}

// The key's unnamed value or the named one, as REG_SZ with its terminating zero.
LONG setText(regstore::Store& s, const std::string& path, const char* name, const char* text) {
    std::int64_t id = 0;
    if (LONG rc = walk(s, path, true, id); rc != ERROR_SUCCESS) return rc;
    return regstore::SetValue(s, id, name, regstore::FoldName(name), REG_SZ,
                              std::string_view(text, std::char_traits<char>::length(text) + 1));
}

LONG writeRow(regstore::Store& s, const ShippedClass& row) {
    const std::string classKey = std::string("Software\\Classes\\CLSID\\") + row.clsid;
    std::int64_t id = 0;
    LONG rc = walk(s, classKey, false, id);
    if (rc == ERROR_FILE_NOT_FOUND) {
        rc = setText(s, classKey + "\\InprocServer32", "", row.module);
        if (rc == ERROR_SUCCESS)
            rc = setText(s, classKey + "\\InprocServer32", "ThreadingModel", row.threading);
        if (rc == ERROR_SUCCESS && *row.progId) {
            rc = setText(s, classKey + "\\ProgID", "", row.progId);
            if (rc == ERROR_SUCCESS)
                rc = setText(s, std::string("Software\\Classes\\") + row.progId + "\\CLSID", "",
                             row.clsid);
        }
    }
    if (rc != ERROR_SUCCESS) return rc;
    return sqliteResult(
        stepOnce(s, "INSERT OR IGNORE INTO shipped_classes(clsid) VALUES(?)", row.clsid));
}

} // namespace

std::span<const ShippedClass> ShippedClasses() {
    return kShipped;
}

LONG WriteShippedClasses(regstore::Store& s) {
    int rc = sqlite3_exec(s.db(), kRecordTable, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return regstore::ErrorFromSqlite(rc);
    for (const ShippedClass& row : kShipped) {
        rc = stepOnce(s, "SELECT 1 FROM shipped_classes WHERE clsid = ?", row.clsid);
        if (rc == SQLITE_ROW) continue;
        if (rc != SQLITE_DONE) return regstore::ErrorFromSqlite(rc);
        if (LONG written = writeRow(s, row); written != ERROR_SUCCESS) return written;
    }
    return ERROR_SUCCESS;
}

} // namespace tessaly::platform
