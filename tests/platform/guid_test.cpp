// Identifiers: their text form, and new ones of version 4.
#include "platform/guid.h"

#include <gtest/gtest.h>

#include <set>

using namespace tessaly::platform;

// Version 4 and variant bits, the rest random.
TEST(Guid, TextFormAndNewVersion4Identifiers) {
    std::set<std::string> seen;
    std::set<DWORD> firstWords;
    for (int i = 0; i < 5000; ++i) {
        GUID guid{};
        ASSERT_EQ(CoCreateGuid(&guid), 0);
        EXPECT_EQ(guid.Data3 >> 12, 4);
        EXPECT_EQ(guid.Data4[0] & 0xC0, 0x80);
        seen.insert(GuidToString(guid));
        firstWords.insert(guid.Data1);
    }
    EXPECT_EQ(seen.size(), 5000u);
    EXPECT_GT(firstWords.size(), 4990u);
    GUID guid{0x0123ABCD, 0x4567, 0x89EF, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    EXPECT_EQ(GuidToString(guid), "{0123ABCD-4567-89EF-0123-456789ABCDEF}");
}
