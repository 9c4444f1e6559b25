// The helper module (Morvik.dll): the user's documents folder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/module.h"
#include "platform/prefix.h"
#include "platform/shell.h"
#include "support/prefix.h"

namespace p = tessaly::platform;
using tessaly::testing::PrefixTest;

class Helper : public PrefixTest {};

TEST_F(Helper, DocumentsFolder) {
    HMODULE module = p::LoadLibraryA("Morvik.dll");
    ASSERT_NE(module, nullptr);
    using Entry = int (*)(char*);
    auto getMyDocumentsFolder =
        reinterpret_cast<Entry>(p::GetProcAddress(module, "GetMyDocumentsFolder"));
    ASSERT_NE(getMyDocumentsFolder, nullptr);

    char buffer[260];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_NE(getMyDocumentsFolder(buffer), 0);
    ASSERT_NE(std::memchr(buffer, '\0', sizeof buffer), nullptr);
    const std::string folder = buffer;
    EXPECT_EQ(folder.substr(0, 3), "C:\\");
    EXPECT_EQ(folder.substr(folder.size() - 13), "\\My Documents");
    const std::string posix = p::ToPosixPath(folder);
    EXPECT_TRUE(std::filesystem::is_directory(posix)) << posix;
    EXPECT_EQ(posix, std::filesystem::canonical(prefix_.root() + "/drive_c/users/" +
                                                p::PrefixUserName() + "/My Documents")
                         .string());
    EXPECT_EQ(getMyDocumentsFolder(nullptr), 0);
    p::FreeLibrary(module);
}
