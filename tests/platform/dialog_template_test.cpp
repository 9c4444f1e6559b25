// Dialog templates compiled by the resource compiler, read back field by field.
#include <gtest/gtest.h>

#include <cstdio>
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

// A control as "id class 'title' style x,y,cx,cy atom data-size"; a number as #n.
std::string describe(const p::DialogItemTemplate& item) {
    auto name = [](const p::SzOrOrdinal& v) {
        return v.isOrdinal ? "#" + std::to_string(v.ordinal)
                           : std::string(v.text.begin(), v.text.end());
    };
    char text[160];
    std::snprintf(text, sizeof text, "%u %s '%s' %08X %d,%d,%d,%d %u %zu", unsigned(item.id),
                  name(item.windowClass).c_str(), name(item.title).c_str(), unsigned(item.style),
                  item.x, item.y, item.cx, item.cy, unsigned(item.classAtom()),
                  item.creationData.size());
    return text;
}

std::vector<std::string> describe(const p::DialogTemplate& t) {
    std::vector<std::string> items;
    for (const auto& item : t.items)
        items.push_back(describe(item));
    return items;
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
    // Popup, caption, system menu, modal frame, font; tool window.
    EXPECT_EQ((std::vector<long long>{t.extended, t.style, t.exStyle, t.x, t.y, t.cx, t.cy,
                                      t.hasFont, t.pointSize, t.weight, t.italic, t.charset}),
              (std::vector<long long>{1, 0x80C800C0, 0x80, 10, 20, 200, 120, 1, 8, 700, 1, 1}));
    EXPECT_EQ(t.caption + u"|" + t.typeface, u"Größe & Maß|MS Shell Dlg");
    EXPECT_TRUE(t.menu.empty() && t.windowClass.empty());
    // The icon control names its icon by number and is sized by it; the compiler writes a
    // named class in capitals.
    EXPECT_EQ(describe(t), (std::vector<std::string>{
                               "1 #128 '&OK' 50010001 140,100,50,14 128 0",
                               "1104 #129 '' 508100A0 10,40,100,12 129 0",
                               "1071 #130 '#32515' 50000003 120,55,0,0 130 0",
                               "1100 RICHEDIT20A '' 50800004 130,7,40,20 0 0",
                               "1500 BUTTON 'Named' 50000003 7,20,40,10 128 0",
                           }));
}

TEST_F(DialogTemplates, OlderFormByNameAndEmptyDialog) {
    p::DialogTemplate t;
    ASSERT_TRUE(p::LoadDialogTemplate(module_, "optionsdlg", t));
    EXPECT_EQ((std::vector<int>{t.extended, t.cx, t.cy, t.hasFont, t.pointSize}),
              (std::vector<int>{0, 100, 50, 1, 10}));
    EXPECT_EQ(t.caption + u"|" + t.typeface, u"Old form|Arial");
    EXPECT_EQ(describe(t), (std::vector<std::string>{"2 #128 'Close' 50010000 25,30,50,14 128 0",
                                                     "7 #130 'Centred' 50020001 5,5,90,8 130 0"}));

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
