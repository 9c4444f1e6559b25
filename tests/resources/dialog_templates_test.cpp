// The German language module's dialog templates as the build compiled them, read with the
// platform's template reader: the same templates as the English resources, control for
// control, with German texts that fit the ANSI code page and accelerators that do not clash.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <string>

#include "modules.h"
#include "platform/dialog_template.h"
#include "resource_files.h"

namespace p = tessaly::platform;
namespace res = tessaly::testing::res;

namespace {

constexpr std::uint16_t kDialogType = 5;
constexpr WORD kStaticAtom = 0x82, kComboBoxAtom = 0x85;
constexpr DWORD kStaticNoPrefix = 0x80;

// Every dialog template of a compiled resource file, by number.
std::map<unsigned, p::DialogTemplate> Templates(const res::Module& module) {
    std::map<unsigned, p::DialogTemplate> templates;
    for (const res::Resource& r : res::ReadResFile(module.res)) {
        if (!r.type.numeric || r.type.number != kDialogType) continue;
        EXPECT_TRUE(r.name.numeric) << module.name << ": a dialog with a name";
        p::DialogTemplate t;
        EXPECT_TRUE(p::ParseDialogTemplate(r.data.data(), r.data.size(), t))
            << module.name << " dialog " << r.name.number;
        EXPECT_EQ(r.language, module.language) << module.name << " dialog " << r.name.number;
        templates[r.name.number] = t;
    }
    return templates;
}

std::string ClassOf(const p::DialogItemTemplate& item) {
    if (item.windowClass.isOrdinal) return "#" + std::to_string(item.windowClass.ordinal);
    return "#" + std::to_string(item.classAtom()) + ":" + res::ToUtf8(item.windowClass.text);
}

// The accelerator of a text: the character after a single "&" ("&&" is an ampersand).
std::optional<char16_t> Mnemonic(const std::u16string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&') continue;
        if (text[i + 1] == u'&') {
            ++i;
            continue;
        }
        char16_t c = text[i + 1];
        if (c < 0x80) c = static_cast<char16_t>(std::tolower(static_cast<int>(c)));
        return c;
    }
    return std::nullopt;
}

bool HasLetters(const std::u16string& text) {
    for (char16_t c : text)
        if (c < 0x80 && std::isalpha(static_cast<int>(c))) return true;
    return false;
}

class DialogTemplates : public ::testing::Test {
  protected:
    void SetUp() override {
        english_ = Templates(res::EnglishModule());
        german_ = Templates(res::GermanModule());
        ASSERT_FALSE(english_.empty());
    }
    std::map<unsigned, p::DialogTemplate> english_, german_;
};

} // namespace

// Each English template has its German counterpart with the same controls: ids, classes,
// styles and order; only texts, places and sizes may differ.
TEST_F(DialogTemplates, GermanModuleCarriesEveryTemplateWithTheSameControls) {
    for (const auto& [id, en] : english_) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        auto it = german_.find(id);
        ASSERT_NE(it, german_.end()) << "missing from the German module";
        const p::DialogTemplate& ge = it->second;
        EXPECT_EQ(ge.extended, en.extended);
        EXPECT_EQ(ge.style, en.style);
        EXPECT_EQ(ge.exStyle, en.exStyle);
        EXPECT_EQ(ge.pointSize, en.pointSize);
        EXPECT_EQ(ge.typeface, en.typeface);
        ASSERT_EQ(ge.items.size(), en.items.size());
        for (size_t i = 0; i < en.items.size(); ++i) {
            SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(en.items[i].id));
            EXPECT_EQ(ge.items[i].id, en.items[i].id);
            EXPECT_EQ(ClassOf(ge.items[i]), ClassOf(en.items[i]));
            EXPECT_EQ(ge.items[i].style, en.items[i].style);
            EXPECT_EQ(ge.items[i].exStyle, en.items[i].exStyle);
            EXPECT_EQ(ge.items[i].title.isOrdinal, en.items[i].title.isOrdinal);
        }
    }
    for (const auto& [id, ge] : german_)
        EXPECT_TRUE(english_.count(id)) << "German dialog " << id << " has no English template";
}

// A template with English words shows German ones: its caption or some control text differs.
TEST_F(DialogTemplates, GermanTemplatesAreTranslated) {
    int translated = 0;
    for (const auto& [id, en] : english_) {
        auto it = german_.find(id);
        if (it == german_.end()) continue; // reported above
        const p::DialogTemplate& ge = it->second;
        bool wordy = false, differs = ge.caption != en.caption;
        for (size_t i = 0; i < en.items.size() && i < ge.items.size(); ++i) {
            wordy = wordy || HasLetters(en.items[i].title.text);
            differs = differs || en.items[i].title.text != ge.items[i].title.text;
        }
        if (!wordy) continue;
        EXPECT_TRUE(differs) << "dialog " << id << " (" << res::ToUtf8(en.caption)
                             << ") is the English one";
        translated += differs;
    }
    EXPECT_GE(translated, 30);
}

// The library hands texts out in Windows-1252: a character outside it would show as "?".
TEST_F(DialogTemplates, GermanTextsFitWindows1252) {
    for (const auto& [id, ge] : german_) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        EXPECT_TRUE(res::ToCp1252(ge.caption)) << res::ToUtf8(ge.caption);
        for (const p::DialogItemTemplate& item : ge.items)
            EXPECT_TRUE(res::ToCp1252(item.title.text)) << res::ToUtf8(item.title.text);
    }
}

// Alt plus a letter must reach one control: no two texts of a dialog mark the same letter.
TEST_F(DialogTemplates, GermanAcceleratorsAreUniqueWithinADialog) {
    int marked = 0;
    for (const auto& [id, ge] : german_) {
        std::map<char16_t, std::string> seen;
        for (const p::DialogItemTemplate& item : ge.items) {
            if (item.title.isOrdinal) continue;
            if (item.classAtom() == kStaticAtom && (item.style & kStaticNoPrefix)) continue;
            const auto mnemonic = Mnemonic(item.title.text);
            if (!mnemonic) continue;
            ++marked;
            const std::string text = res::ToUtf8(item.title.text);
            auto [it, fresh] = seen.emplace(*mnemonic, text);
            EXPECT_TRUE(fresh) << "dialog " << id << ": \"" << text << "\" and \"" << it->second
                               << "\" share an accelerator";
        }
    }
    EXPECT_GT(marked, 50);
}

TEST(DialogTemplateText, MnemonicReadsTheMarkedCharacter) {
    EXPECT_EQ(Mnemonic(u"&Kennwort:"), u'k');
    EXPECT_EQ(Mnemonic(u"Trenn&linie"), u'l');
    EXPECT_EQ(Mnemonic(u"A && B &C"), u'c');
    EXPECT_EQ(Mnemonic(u"&\u00c4ndern"), u'\u00c4');
    EXPECT_FALSE(Mnemonic(u"OK"));
    EXPECT_FALSE(Mnemonic(u"Ende&"));
}

// Controls lie inside the dialog in the German templates (a combo box's height is its list's,
// so only its width counts); the gallery checks the rendered places as well.
TEST_F(DialogTemplates, GermanControlsLieInsideTheirDialog) {
    for (const auto& [id, ge] : german_) {
        SCOPED_TRACE("dialog " + std::to_string(id));
        for (const p::DialogItemTemplate& item : ge.items) {
            EXPECT_GE(item.x, 0) << "control " << item.id;
            EXPECT_GE(item.y, 0) << "control " << item.id;
            EXPECT_LE(item.x + item.cx, ge.cx) << "control " << item.id;
            if (item.classAtom() != kComboBoxAtom) { // a combo's height includes its list
                EXPECT_LE(item.y + item.cy, ge.cy) << "control " << item.id;
            }
        }
    }
}
