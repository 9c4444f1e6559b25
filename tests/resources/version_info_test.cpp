// Checks the version records of the library and its language modules the way a version query
// reads them: the translation pair names the string block, which holds the entries.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "modules.h"
#include "resource_files.h"

namespace res = tessaly::testing::res;

namespace {

constexpr std::uint16_t kVersionType = 16;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;

struct ProjectVersion {
    unsigned major = 0, minor = 0, patch = 0;
    std::string Text() const {
        return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(patch);
    }
};

// The version the build gives the project, from the top-level CMake script.
ProjectVersion ReadProjectVersion() {
    std::ifstream in(TESSALY_SOURCE_DIR "/CMakeLists.txt");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    std::smatch m;
    static const std::regex project(R"(project\(\s*Tessaly\s+VERSION\s+(\d+)\.(\d+)\.(\d+))");
    if (!std::regex_search(text, m, project)) throw std::runtime_error("no project version");
    return {unsigned(std::stoul(m[1])), unsigned(std::stoul(m[2])), unsigned(std::stoul(m[3]))};
}

const res::Resource* VersionResource(const std::vector<res::Resource>& resources) {
    for (const res::Resource& r : resources)
        if (r.type.numeric && r.type.number == kVersionType) return &r;
    return nullptr;
}

std::uint32_t Dword(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | b.at(at + 3) << 24);
}

std::u16string Wide(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

TEST(VersionInfo, TranslationNamesTheBlockHoldingTheEntries) {
    struct Case {
        const res::Module* module;
        const char* description;
    };
    const Case cases[] = {
        {&res::EnglishModule(), "Tessaly services library"},
        {&res::GermanModule(), "Tessaly Sprachmodul Deutsch"},
    };
    const std::string version = ReadProjectVersion().Text();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module->name);
        std::vector<res::Resource> resources = res::ReadResFile(c.module->res);
        const res::Resource* resource = VersionResource(resources);
        ASSERT_NE(resource, nullptr) << "no version resource in " << c.module->res;
        EXPECT_EQ(resource->language, c.module->language);

        res::VersionNode root = res::ParseVersionInfo(resource->data);
        EXPECT_EQ(res::ToUtf8(root.key), "VS_VERSION_INFO");
        const res::VersionNode* vars = root.Child(u"VarFileInfo");
        ASSERT_NE(vars, nullptr);
        const res::VersionNode* translation = vars->Child(u"Translation");
        ASSERT_NE(translation, nullptr);
        ASSERT_EQ(translation->value.size(), 4u);
        unsigned language = translation->value[0] | translation->value[1] << 8;
        unsigned codePage = translation->value[2] | translation->value[3] << 8;
        EXPECT_EQ(language, c.module->language);
        EXPECT_EQ(codePage, 1200u);

        // A version query asks for "\StringFileInfo\%04x%04x\<entry>" from the translation pair.
        char blockName[16];
        std::snprintf(blockName, sizeof blockName, "%04x%04x", language, codePage);
        const res::VersionNode* strings = root.Child(u"StringFileInfo");
        ASSERT_NE(strings, nullptr);
        const res::VersionNode* block = nullptr;
        for (const res::VersionNode& child : strings->children)
            if (Lower(res::ToUtf8(child.key)) == blockName) block = &child;
        ASSERT_NE(block, nullptr) << "no string block " << blockName;

        const std::pair<const char*, std::string> entries[] = {
            {"CompanyName", "Varnholt"}, {"FileDescription", c.description},
            {"FileVersion", version},    {"ProductName", "Tessaly"},
            {"ProductVersion", version},
        };
        for (const auto& [key, expected] : entries) {
            const res::VersionNode* entry = block->Child(Wide(key));
            ASSERT_NE(entry, nullptr) << key;
            EXPECT_EQ(res::ToUtf8(entry->Text()), expected) << key;
        }
    }
}

TEST(VersionInfo, FixedVersionMatchesTheProjectVersion) {
    const ProjectVersion v = ReadProjectVersion();
    const std::uint32_t high = v.major << 16 | v.minor;
    const std::uint32_t low = v.patch << 16;
    for (const res::Module* module : res::AllModules()) {
        SCOPED_TRACE(module->name);
        std::vector<res::Resource> resources = res::ReadResFile(module->res);
        const res::Resource* resource = VersionResource(resources);
        ASSERT_NE(resource, nullptr);
        res::VersionNode root = res::ParseVersionInfo(resource->data);
        ASSERT_GE(root.value.size(), 52u) << "fixed file information missing";
        EXPECT_EQ(Dword(root.value, 0), kFixedInfoSignature);
        EXPECT_EQ(Dword(root.value, 8), high) << "file version, high word pair";
        EXPECT_EQ(Dword(root.value, 12), low) << "file version, low word pair";
        EXPECT_EQ(Dword(root.value, 16), high) << "product version, high word pair";
        EXPECT_EQ(Dword(root.value, 20), low) << "product version, low word pair";
    }
}
