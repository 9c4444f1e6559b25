// The family's skin: no caption, a pale yellow rounded background, button frames, dragging.
#include <tessaly/automation.h>
#include <tessaly/dialogs.h>
#include <tessaly/foundation.h>

#include <functional>
#include <tuple>
#include <vector>

#include "support/prefix.h"

using tessaly::automation::Dialog;
using tessaly::automation::Rect;
using tessaly::testing::PrefixTest;

namespace {

constexpr long kSkin = 0xCCFFFF;        // the background, as a Windows colour value
constexpr long kMessageBack = 0xCAFFFF; // the two-choice message's text field
constexpr long kBlack = 0x000000, kWhite = 0xFFFFFF;
constexpr long kFlatFrame = 0xC4C4C4, kPressedFrame = 0xE1E1E1, kShadow = 0x808080;

class SkinDialog : public PrefixTest {
  protected:
    void TearDown() override { tessaly::automation::SetDialogHandler(nullptr); }

    // Runs the script on the two-choice message and returns its end code.
    int onMessage(std::function<void(Dialog&)> script) {
        tessaly::automation::SetDialogHandler(std::move(script));
        return ShowMsgBoxDlg("Skin");
    }
};

bool inside(const Rect& r, int x, int y) {
    return x >= r.left && x < r.left + r.width && y >= r.top && y < r.top + r.height;
}

// A point of the background that no control covers, near the top edge's middle.
std::pair<int, int> freePoint(Dialog& d) {
    const Rect client = d.GetRect(0);
    for (int y = 4; y < client.height; ++y) {
        bool covered = false;
        for (const auto& control : d.Controls())
            covered = covered || (control.visible && inside(control.rect, client.width / 2, y));
        if (!covered) return {client.width / 2, y};
    }
    return {-1, -1};
}

} // namespace

// No caption bar; skin colour inside the rounded corner, a black border, the field's own shade.
TEST_F(SkinDialog, FramelessBackgroundAndBorderColours) {
    onMessage([&](Dialog& d) {
        EXPECT_FALSE(d.HasCaption());
        const Rect client = d.GetRect(0), text = d.GetRect(1100);
        const auto [x, y] = freePoint(d);
        ASSERT_GE(y, 0);
        EXPECT_EQ(d.GetPixel(client.width - 7, client.height - 7), kSkin);
        EXPECT_EQ(d.GetPixel(x, y), kSkin);
        EXPECT_EQ(d.GetPixel(client.width / 2, client.height - 1), kBlack);
        EXPECT_EQ(d.GetPixel(text.left + text.width - 24, text.top + text.height - 6),
                  kMessageBack);
        d.Click(IDOK);
    });
}

// A skin button: flat at rest, raised under the cursor, light while pressed; release clicks it.
TEST_F(SkinDialog, ButtonFramesFollowTheMouse) {
    std::vector<std::tuple<long, long, long>> frames; // top left, bottom right, face
    long focusRect = 0;
    const int result = onMessage([&](Dialog& d) {
        const Rect b = d.GetRect(IDCANCEL);
        const auto note = [&] {
            frames.emplace_back(d.GetPixel(b.left, b.top),
                                d.GetPixel(b.left + b.width - 1, b.top + b.height - 1),
                                d.GetPixel(b.left + 5, b.top + b.height / 2));
        };
        note(); // at rest
        d.MouseMove(IDCANCEL, 4, 4);
        d.Wait(100);
        note(); // hovered
        const auto [x, y] = freePoint(d);
        d.MouseMove(0, x, y);
        d.Wait(100);
        note(); // left again
        d.MouseDown(IDCANCEL, 4, 4);
        d.Wait(20);
        note(); // pressed
        focusRect = d.GetPixel(b.left + 3, b.top + b.height / 2);
        d.MouseUp(IDCANCEL, 4, 4);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_NE(focusRect, kSkin);
    EXPECT_EQ(frames,
              (std::vector<std::tuple<long, long, long>>{{kFlatFrame, kFlatFrame, kSkin},
                                                         {kWhite, kShadow, kSkin},
                                                         {kFlatFrame, kFlatFrame, kSkin},
                                                         {kPressedFrame, kPressedFrame, kSkin}}));
}

// Dragging the background moves the dialog on the drag timer's ticks; a control does not drag.
TEST_F(SkinDialog, DraggingByTheBackgroundMovesTheDialog) {
    Rect before, during, after, onControl;
    onMessage([&](Dialog& d) {
        const auto [x, y] = freePoint(d);
        before = d.ScreenRect();
        d.MouseDown(0, x, y);
        d.MouseMove(0, x + 40, y + 30);
        d.Wait(350);
        during = d.ScreenRect();
        d.MouseUp(0, x, y);
        d.MouseMove(0, x + 80, y + 80);
        d.Wait(350);
        after = d.ScreenRect();
        // On the text field the press is the field's own.
        d.MouseDown(1100, 10, 10);
        d.MouseMove(1100, 60, 60);
        d.Wait(350);
        onControl = d.ScreenRect();
        d.MouseUp(1100, 60, 60);
        d.Click(IDOK);
    });
    const auto place = [](const Rect& r) { return std::tuple(r.left, r.top, r.width, r.height); };
    EXPECT_EQ(place(during),
              std::tuple(before.left + 40, before.top + 30, before.width, before.height));
    EXPECT_EQ(place(after), place(during));
    EXPECT_EQ(place(onControl), place(after));
}
