// Dialog templates compiled by the resource compiler, read back field by field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/module.h"
#include "support/prefix.h"
#include "support/rc_compile.h"

namespace p = tessaly::platform;
using tessaly::testing::CompileResourceModule;
using tessaly::testing::PrefixTest;

namespace {

const char* const kScript = R"(#include <winresrc.h>
#pragma code_page(65001)
LANGUAGE 9, 1
100 DIALOGEX 10, 20, 200, 120
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
EXSTYLE WS_EX_TOOLWINDOW
CAPTION "Größe & Maß"
FONT 8, "MS Shell Dlg", 700, 1, 0x1
BEGIN
    DEFPUSHBUTTON "&OK", 1, 140, 100, 50, 14
    EDITTEXT 1104, 10, 40, 100, 12, ES_PASSWORD | ES_AUTOHSCROLL
    ICON 32515, 1071, 120, 55, 20, 20
    CONTROL "", 1100, "RichEdit20A", ES_MULTILINE | WS_BORDER, 130, 7, 40, 20
    CONTROL "Named", 1500, "button", BS_AUTOCHECKBOX, 7, 20, 40, 10
END
OPTIONSDLG DIALOG 0, 0, 100, 50
STYLE WS_POPUP | WS_CAPTION
CAPTION "Old form"
FONT 10, "Arial"
BEGIN
    PUSHBUTTON "Close", 2, 25, 30, 50, 14
    CTEXT "Centred", 7, 5, 5, 90, 8
END
101 DIALOGEX 0, 0, 60, 40
STYLE WS_POPUP
BEGIN
END
)";

std::u16string u(const char16_t* text) {
    return text;
}

class DialogTemplates : public PrefixTest {
  protected:
    void SetUp() override {
        module_ = CompileResourceModule(prefix_.scratch(), "Dialogs", kScript);
        ASSERT_NE(module_, nullptr);
    }
    HMODULE module_ = nullptr;
};

} // namespace

TEST_F(DialogTemplates, ExtendedHeaderFontAndControls) {
    p::DialogTemplate t;
    ASSERT_TRUE(p::LoadDialogTemplate(module_, 100, t));
    EXPECT_TRUE(t.extended);
    EXPECT_EQ((std::vector<int>{t.x, t.y, t.cx, t.cy}), (std::vector<int>{10, 20, 200, 120}));
    // Popup, caption, system menu; tool window.
    EXPECT_EQ(t.style & 0xFFFF0000u, 0x80000000u | 0x00C00000u | 0x00080000u);
    EXPECT_TRUE(t.style & DS_SETFONT);
    EXPECT_EQ(t.exStyle, 0x80u);
    EXPECT_EQ(t.caption, u(u"Größe & Maß"));
    EXPECT_TRUE(t.menu.empty() && t.windowClass.empty());
    ASSERT_TRUE(t.hasFont);
    EXPECT_EQ((std::vector<int>{t.pointSize, t.weight, t.italic, t.charset}),
              (std::vector<int>{8, 700, 1, 1}));
    EXPECT_EQ(t.typeface, u(u"MS Shell Dlg"));
    struct Case {
        DWORD id;
        WORD atom;
        const char16_t* className; // for a named class (the compiler writes it in capitals)
        const char16_t* text;
        DWORD styleLow;     // the class's own style bits (low 16)
        DWORD windowStyles; // window style bits that must be set
        short x, y, cx, cy;
    };
    const DWORD visible = WS_VISIBLE, tab = WS_TABSTOP;
    const Case cases[] = {
        {1, p::CLASS_BUTTON, u"", u"&OK", 0x1, visible | tab, 140, 100, 50, 14},
        {1104, p::CLASS_EDIT, u"", u"", 0x20 | 0x80, visible, 10, 40, 100, 12},
        {1071, p::CLASS_STATIC, u"", nullptr, 0x3, visible, 120, 55, 0, 0}, // sized by its icon
        {1100, 0, u"RICHEDIT20A", u"", 0x4, visible | 0x00800000, 130, 7, 40, 20},
        {1500, p::CLASS_BUTTON, u"BUTTON", u"Named", 0x3, visible, 7, 20, 40, 10},
    };
    ASSERT_EQ(t.items.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        const p::DialogItemTemplate& item = t.items[i];
        SCOPED_TRACE(c.id);
        EXPECT_EQ(item.id, c.id);
        EXPECT_EQ(item.classAtom(), c.atom);
        EXPECT_EQ(item.windowClass.isOrdinal, !*c.className);
        EXPECT_EQ(item.windowClass.isOrdinal ? u"" : item.windowClass.text, u(c.className));
        if (c.text) {
            EXPECT_FALSE(item.title.isOrdinal);
            EXPECT_EQ(item.title.text, u(c.text));
        }
        EXPECT_EQ(item.style & 0xFFFFu, c.styleLow);
        EXPECT_EQ(item.style & c.windowStyles, c.windowStyles);
        EXPECT_EQ((std::vector<int>{item.x, item.y, item.cx, item.cy}),
                  (std::vector<int>{c.x, c.y, c.cx, c.cy}));
        EXPECT_TRUE(item.creationData.empty());
    }
    // The icon control names its icon by number.
    EXPECT_TRUE(t.items[2].title.isOrdinal);
    EXPECT_EQ(t.items[2].title.ordinal, 32515);
}

TEST_F(DialogTemplates, OlderFormByNameAndEmptyDialog) {
    p::DialogTemplate t;
    ASSERT_TRUE(p::LoadDialogTemplate(module_, "optionsdlg", t));
    EXPECT_FALSE(t.extended);
    EXPECT_EQ(t.caption, u(u"Old form"));
    EXPECT_EQ((std::vector<int>{t.cx, t.cy, t.hasFont, t.pointSize}),
              (std::vector<int>{100, 50, 1, 10}));
    EXPECT_EQ(t.typeface, u(u"Arial"));
    ASSERT_EQ(t.items.size(), 2u);
    EXPECT_EQ(t.items[0].classAtom(), p::CLASS_BUTTON);
    EXPECT_EQ(t.items[0].title.text, u(u"Close"));
    EXPECT_EQ(t.items[1].id, 7u);
    EXPECT_EQ(t.items[1].classAtom(), p::CLASS_STATIC);
    EXPECT_EQ(t.items[1].style & 0xFu, 1u); // centred

    p::DialogTemplate empty;
    ASSERT_TRUE(p::LoadDialogTemplate(module_, 101, empty));
    EXPECT_TRUE(empty.items.empty() && !empty.hasFont && empty.caption.empty());

    EXPECT_FALSE(p::LoadDialogTemplate(module_, "NODLG", t));
    EXPECT_FALSE(p::LoadDialogTemplate(nullptr, 100, t));
}

// Cut short in its header or its last item, a template is refused rather than read past its
// end; whole, it reads.
TEST_F(DialogTemplates, DamagedTemplates) {
    DWORD size = 0;
    const auto* data =
        static_cast<const BYTE*>(p::FindResourceData(module_, p::RT_DIALOG, 100, &size));
    ASSERT_NE(data, nullptr);
    ASSERT_GT(size, 100u);
    p::DialogTemplate whole;
    ASSERT_TRUE(p::ParseDialogTemplate(data, size, whole));
    // The last item's padding is optional, so the cut stays clear of the last four bytes.
    for (size_t cut : {size_t(10), size_t(size - 5)}) {
        std::vector<BYTE> copy(data, data + cut); // a heap block of exactly the cut's size
        EXPECT_FALSE(p::ParseDialogTemplate(copy.data(), copy.size(), whole)) << cut;
    }
    EXPECT_FALSE(p::ParseDialogTemplate(nullptr, 100, whole));
}
