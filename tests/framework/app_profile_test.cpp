// A program's application object: name, registry key, profile in the registry or an INI file.
#include <tessaly/winapp.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/registry.h"
#include "platform/shell.h"
#include "support/prefix.h"
#include "support/registry.h"

namespace p = tessaly::platform;
using tessaly::testing::PrefixTest;
using tessaly::testing::PutRegDword;
using tessaly::testing::PutRegText;
namespace reg = tessaly::testing::reg;

namespace {

bool keyExists(const char* key) {
    HKEY handle = nullptr;
    if (p::RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, p::KEY_READ, &handle) != 0) return false;
    p::RegCloseKey(handle);
    return true;
}

using AppProfile = PrefixTest;

TEST_F(AppProfile, TheFirstApplicationObjectIsTheProgramsAndNamedAfterIt) {
    EXPECT_EQ(AfxGetApp(), nullptr);
    {
        CWinApp app; // named after the program's file
        EXPECT_EQ(std::string(app.GetAppName()), "test_framework");
        EXPECT_EQ(AfxGetApp(), &app);
        CWinApp second("Second");
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_EQ(std::string(second.GetAppName()), "Second");
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
}

TEST_F(AppProfile, WithARegistryKeyTheProfileIsTheUsersRegistry) {
    CWinApp app("Lintor");
    app.SetRegistryKey("Varnholt");
    const char* key = "Software\\Varnholt\\Lintor\\Options";

    EXPECT_TRUE(app.WriteProfileInt("Options", "Viewer Show", 1));
    EXPECT_TRUE(app.WriteProfileString("Options", "Last File", "C:\\Docs\\a.txt"));
    DWORD number = 0, text = 0;
    EXPECT_EQ(reg::Get(HKEY_CURRENT_USER, key, "Viewer Show", nullptr, &number), reg::Dword(1));
    reg::Get(HKEY_CURRENT_USER, key, "Last File", nullptr, &text);
    EXPECT_EQ(std::make_pair(number, text), std::make_pair(DWORD(REG_DWORD), DWORD(REG_SZ)));

    // A text is no number entry, nor a number a text entry; a missing one gives the default.
    PutRegText(HKEY_CURRENT_USER, key, "Text Not Number", "12");
    PutRegDword(HKEY_CURRENT_USER, key, "Number", 5);
    EXPECT_EQ(app.GetProfileInt("Options", "Viewer Show", 0), 1u);
    EXPECT_EQ(app.GetProfileInt("Options", "Text Not Number", 3), 3u);
    EXPECT_EQ(std::string(app.GetProfileString("Options", "Last File")), "C:\\Docs\\a.txt");
    EXPECT_EQ(std::string(app.GetProfileString("Options", "Missing", nullptr)), "");
    EXPECT_EQ(std::string(app.GetProfileString("Options", "Number", "not text")), "not text");

    // A null value removes the entry, a null entry the section.
    EXPECT_TRUE(app.WriteProfileString("Options", "Last File", nullptr));
    LONG missing = 0;
    reg::Get(HKEY_CURRENT_USER, key, "Last File", &missing);
    EXPECT_NE(missing, 0);
    EXPECT_EQ(app.GetProfileInt("Options", "Viewer Show", 0), 1u);
    EXPECT_TRUE(app.WriteProfileString("Options", nullptr, nullptr));
    EXPECT_FALSE(keyExists(key));
    EXPECT_TRUE(keyExists("Software\\Varnholt\\Lintor"));
}

TEST_F(AppProfile, WithoutARegistryKeyTheProfileIsAnIniFile) {
    CWinApp app("Plain");
    EXPECT_TRUE(app.WriteProfileInt("Window", "Left", 40));
    EXPECT_EQ(app.GetProfileInt("Window", "Left", 0), 40u);
    EXPECT_FALSE(keyExists("Software\\Plain"));
    // The same values through the INI reader, in the file of the Windows folder.
    char buffer[64] = {};
    p::GetPrivateProfileStringA("Window", "Left", "", buffer, sizeof buffer, "Plain.ini");
    EXPECT_STREQ(buffer, "40");
}

} // namespace
