// The German module's dialog templates: the English ones translated, usable in the code page.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "resource_files.h"

namespace p = tessaly::platform;
namespace res = tessaly::testing::res;

namespace {

constexpr WORD kStaticAtom = 0x82, kComboBoxAtom = 0x85;
constexpr DWORD kStaticNoPrefix = 0x80;

std::string ClassOf(const p::DialogItemTemplate& item) {
    if (item.windowClass.isOrdinal) return "#" + std::to_string(item.windowClass.ordinal);
    return "#" + std::to_string(item.classAtom()) + ":" + res::ToUtf8(item.windowClass.text);
}

// The accelerator of a text: the character after a single "&" ("&&" is an ampersand).
std::optional<char16_t> Mnemonic(const std::u16string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[++i] == u'&') continue;
        const char16_t c = text[i];
        return c < 0x80 ? char16_t(std::tolower(int(c))) : c;
    }
    return std::nullopt;
}

class DialogTemplates : public ::testing::Test {
  protected:
    void SetUp() override {
        english_ = res::Templates(res::EnglishModule());
        german_ = res::Templates(res::GermanModule());
        ASSERT_GE(english_.size(), 30u);
    }
    std::map<unsigned, p::DialogTemplate> english_, german_;
};

} // namespace

// Each English template has a German one with the same controls and some text translated.
TEST_F(DialogTemplates, GermanModuleCarriesEveryTemplateTranslatedWithTheSameControls) {
    EXPECT_EQ(german_.size(), english_.size());
    int translated = 0;
    for (const auto& [id, en] : english_) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        auto it = german_.find(id);
        ASSERT_NE(it, german_.end()) << "missing from the German module";
        const p::DialogTemplate& ge = it->second;
        EXPECT_EQ(std::tie(ge.extended, ge.style, ge.exStyle, ge.pointSize, ge.typeface),
                  std::tie(en.extended, en.style, en.exStyle, en.pointSize, en.typeface));
        ASSERT_EQ(ge.items.size(), en.items.size());
        bool wordy = false, differs = ge.caption != en.caption;
        for (size_t i = 0; i < en.items.size(); ++i) {
            const p::DialogItemTemplate &e = en.items[i], &g = ge.items[i];
            EXPECT_EQ(std::tie(g.id, g.style, g.exStyle, g.title.isOrdinal),
                      std::tie(e.id, e.style, e.exStyle, e.title.isOrdinal))
                << "control " << e.id;
            EXPECT_EQ(ClassOf(g), ClassOf(e)) << "control " << e.id;
            for (char16_t c : e.title.text)
                wordy = wordy || (c < 0x80 && std::isalpha(int(c)));
            differs = differs || e.title.text != g.title.text;
        }
        EXPECT_TRUE(differs || !wordy) << res::ToUtf8(en.caption) << " is the English one";
        translated += differs;
    }
    EXPECT_GE(translated, 30);
}

// Texts fit Windows-1252; Alt plus a letter reaches one control; controls lie inside the
// dialog (a combo box's height is its list's).
TEST_F(DialogTemplates, GermanTextsAcceleratorsAndPlacesAreUsable) {
    int marked = 0;
    for (const auto& [id, ge] : german_) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        EXPECT_TRUE(res::ToCp1252(ge.caption)) << res::ToUtf8(ge.caption);
        std::map<char16_t, std::string> seen;
        for (const p::DialogItemTemplate& item : ge.items) {
            const std::string text = res::ToUtf8(item.title.text);
            EXPECT_TRUE(res::ToCp1252(item.title.text)) << text;
            const bool combo = item.classAtom() == kComboBoxAtom;
            EXPECT_TRUE(item.x >= 0 && item.y >= 0 && item.x + item.cx <= ge.cx &&
                        (combo || item.y + item.cy <= ge.cy))
                << "control " << item.id << " outside";
            if (item.title.isOrdinal) continue;
            if (item.classAtom() == kStaticAtom && (item.style & kStaticNoPrefix)) continue;
            const auto mnemonic = Mnemonic(item.title.text);
            if (!mnemonic) continue;
            ++marked;
            auto [it, fresh] = seen.emplace(*mnemonic, text);
            EXPECT_TRUE(fresh) << "\"" << text << "\" and \"" << it->second
                               << "\" share an accelerator";
        }
    }
    EXPECT_GT(marked, 50);
}
