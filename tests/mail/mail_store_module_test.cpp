// The internal modules: no database, printer, printing or sound client linked into the
// library, and clean failures without the mail store and printer device modules.
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <tuple>

#include <tessaly/mail.h>
#include <tessaly/print.h>

#include "mail_test_support.h"
#include "support/run.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;

struct OnePage : CPrintJob {
    void OnPrint(CDC*, CPrintInfo* info) override { info->m_bContinuePrinting = FALSE; }
};

// The test runs again, as its child, with the library copied into a folder of its own.
TEST(MailStoreModule, TheLibraryLinksNoClientAndFailsCleanlyWithoutTheModule) {
    CStringArray names, addresses, ids, contacts;
    CUIntArray flags;
    if (std::getenv("MAIL_STORE_CHILD")) {
        EnsureQtApplication();
        automation::SetMessageBoxHandler([](const auto& box) {
            std::cout << box.text << "\n";
            return 1;
        });
        mysqlpp::Connection connection(false); // never reached
        const int result =
            GetDistListMember("L1", connection, names, addresses, ids, contacts, flags, nullptr);
        std::cout << "result " << result << "\n";
        // Without the printer device module no printer can be made, not even for a file.
        automation::SetPrintSetupHandler([] {
            return automation::PrintSetupAnswer{automation::PrintSetupAnswer::PdfFile,
                                                ::testing::TempDir() + "/page.pdf", ""};
        });
        const BOOL printed = OnePage().DoPrint(TRUE);
        std::cout << "printed " << printed << "\n";
        return;
    }
    const std::string library = TESSALY_BUILD_DIR "/lib/libTessaly.so";
    const auto dynamic = RunProgram({"readelf", "-d", library});
    EXPECT_NE(dynamic.out.find("libTessalyPlatform"), std::string::npos) << dynamic.err;
    for (const char* client :
         {"libmysqlpp", "libmariadb", "libssl", "libcrypto", "libQt6PrintSupport"})
        EXPECT_EQ(dynamic.out.find(client), std::string::npos) << client;
    // Nor does the platform library load the printing system's or the sound server's clients.
    const auto platform =
        RunProgram({"readelf", "-d", TESSALY_BUILD_DIR "/lib/libTessalyPlatform.so"});
    for (const char* client : {"libcups", "libsndfile", "libpulse"})
        EXPECT_EQ(platform.out.find(client), std::string::npos) << client;
    TempPrefix prefix;
    const std::string folder = prefix.scratch() + "/lib";
    fs::create_directories(folder);
    fs::copy_file(fs::canonical(library), folder + "/libTessaly.so.0");
    const auto child = RunProgram(
        {fs::read_symlink("/proc/self/exe").string(), "--gtest_filter=MailStoreModule.*"},
        {"MAIL_STORE_CHILD=1", "LD_LIBRARY_PATH=" + folder});
    const std::string error = "Error: " + folder +
                              "/libTessalyMailStore.so: cannot open shared object file: No such "
                              "file or directory (126).\n";
    EXPECT_NE(child.out.find(error + "result 0\nNo printer was chosen.\nprinted 0\n"),
              std::string::npos)
        << child.out;
}

class MailStoreColumns : public MailStoreTest {};

// Columns by name in any case; a missing one throws the client's exception, or reads empty.
TEST_P(MailStoreColumns, ColumnsAreFoundByNameAsTheClientFindsThem) {
    db->Setup("insert into DistMembers values ('M1','L1',0,'','Ann','ann@x.org')");
    // The change, the connection's exceptions, the address read (null: the exception).
    const std::tuple<const char*, bool, const char*> rows[] = {
        {"alter table DistMembers rename column email to EMAIL", true, "ann@x.org"},
        {"alter table DistMembers drop column EMAIL", true, nullptr},
        {"do 0", false, ""},
    };
    for (const auto& [change, exceptions, address] : rows) {
        db->Setup(change);
        exceptions ? connection().enable_exceptions() : connection().disable_exceptions();
        CStringArray names, addresses, ids, contacts;
        CUIntArray flags;
        const auto read = [&] {
            GetDistListMember("L1", connection(), names, addresses, ids, contacts, flags, nullptr);
            return addresses.GetSize() == 1 ? addresses[0].str() : "";
        };
        if (!address) {
            EXPECT_THROW(read(), mysqlpp::BadFieldName) << change;
            continue;
        }
        EXPECT_EQ(read(), address) << change;
    }
    EXPECT_TRUE(messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, MailStoreColumns, MAIL_SERVERS);

} // namespace
} // namespace tessaly::testing
