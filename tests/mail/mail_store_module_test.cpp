// The mail store module: the library itself needs no database client, and without the
// module beside it the database operations fail with the database-error message.
#include <QListWidget>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include <mysql++/mysql++.h>
#include <tessaly/automation.h>
#include <tessaly/mail.h>

#include "mail_test_support.h"
#include "support/prefix.h"
#include "support/qt_app.h"
#include "support/run.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

const char kChild[] = "TESSALY_MAIL_STORE_CHILD";

TEST(MailStoreModule, TheLibraryNeedsNoDatabaseClient) {
    const auto dynamic = RunProgram({"readelf", "-d", TESSALY_BUILD_DIR "/lib/libTessaly.so"});
    ASSERT_EQ(dynamic.status, 0) << dynamic.err;
    ASSERT_NE(dynamic.out.find("(NEEDED)"), std::string::npos);
    for (const char* client : {"libmysqlpp", "libmariadb", "libssl", "libcrypto"})
        EXPECT_EQ(dynamic.out.find(client), std::string::npos) << client;
    EXPECT_TRUE(fs::exists(TESSALY_BUILD_DIR "/lib/libTessalyMailStore.so"));
}

// Run again in a process whose library lies in a folder without the module: each operation
// that reaches the database prints its result and the messages it showed.
TEST(MailStoreModule, AMissingModuleFailsLikeTheDatabase) {
    if (std::getenv(kChild)) {
        EnsureQtApplication();
        std::vector<std::string> messages;
        tessaly::automation::SetMessageBoxHandler([&](const auto& box) {
            messages.push_back(box.text);
            return 1;
        });
        mysqlpp::Connection connection(false); // never reached
        QListWidget widget;
        CListCtrl list(&widget);
        CStringArray names, addresses, ids, contacts;
        CUIntArray flags;
        const int results[] = {
            FillDistributionList(connection, &list, nullptr, "F1"),
            GetDistListMember("L1", &connection, names, addresses, ids, contacts, flags, nullptr),
            AddNewContact("Ann", "ann@example.org", connection, "R1", nullptr, "F1"),
        };
        for (int result : results)
            std::cout << result << "\n";
        for (const auto& message : messages)
            std::cout << message << "\n";
        return;
    }
    TempPrefix prefix;
    const std::string folder = prefix.scratch() + "/lib";
    fs::create_directories(folder);
    fs::copy_file(fs::canonical(TESSALY_BUILD_DIR "/lib/libTessaly.so"),
                  folder + "/libTessaly.so.0");
    const auto child = RunProgram(
        {fs::read_symlink("/proc/self/exe").string(),
         "--gtest_filter=MailStoreModule.AMissingModuleFailsLikeTheDatabase"},
        {std::string(kChild) + "=1", "LD_LIBRARY_PATH=" + folder, "QT_QPA_PLATFORM=offscreen"});
    ASSERT_EQ(child.status, 0) << child.err;
    const std::string error = "Error: " + folder +
                              "/libTessalyMailStore.so: cannot open shared object file: No such "
                              "file or directory (126).";
    const std::string expected = "0\n0\n0\n" + error + "\n" + error + "\n" + error + "\n";
    EXPECT_NE(child.out.find(expected), std::string::npos) << child.out;
}

class MailStoreColumns : public MailStoreTest {};

// Columns are read by name as MySQL++ reads them: without regard to case; one the result
// lacks throws MySQL++'s exception to the caller, or reads empty when exceptions are off.
TEST_P(MailStoreColumns, ColumnsAreFoundByNameAsTheClientFindsThem) {
    db->Setup("insert into DistMembers values ('M1','L1',0,'','Ann','ann@x.org')");
    const struct {
        const char* rule;
        const char* change;
        bool exceptions;
        const char* address; // nullptr: the caller gets the exception
    } rows[] = {
        {"letter case does not matter", "alter table DistMembers rename column email to EMAIL",
         true, "ann@x.org"},
        {"a missing column throws", "alter table DistMembers drop column EMAIL", true, nullptr},
        {"a missing column reads empty without exceptions", nullptr, false, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        if (row.change) db->Setup(row.change);
        row.exceptions ? connection().enable_exceptions() : connection().disable_exceptions();
        CStringArray names, addresses, ids, contacts;
        CUIntArray flags;
        const auto read = [&] {
            return GetDistListMember("L1", connection(), names, addresses, ids, contacts, flags,
                                     nullptr);
        };
        if (!row.address) {
            EXPECT_THROW(read(), mysqlpp::BadFieldName);
            continue;
        }
        EXPECT_EQ(read(), 1);
        ASSERT_EQ(addresses.GetSize(), 1);
        EXPECT_EQ(addresses[0], row.address);
    }
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, MailStoreColumns, MAIL_SERVERS);

} // namespace
} // namespace tessaly::testing
