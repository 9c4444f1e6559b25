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

TEST_F(PrefixTest, HelperModuleDocumentsFolder) {
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
    EXPECT_EQ(std::string(buffer, 3), "C:\\"); // named through drive C:
    EXPECT_EQ(p::ToPosixPath(buffer),
              std::filesystem::canonical(prefix_.root() + "/drive_c/users/" + p::PrefixUserName() +
                                         "/My Documents")
                  .string());
    EXPECT_EQ(getMyDocumentsFolder(nullptr), 0);
    p::FreeLibrary(module);
}
