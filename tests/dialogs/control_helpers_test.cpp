// Helpers for the caller's controls: clipboard, splash window, rich edits, lists, toolbars.
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QListWidget>
#include <QPointer>
#include <QScreen>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>

#include <tessaly/automation.h>
#include <tessaly/dialogs.h>

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/memory.h"
#include "support/prefix.h"
#include "support/qt_app.h"

namespace p = tessaly::platform;

namespace {

// A bitmap file: the left half red, the right half blue.
void WriteBitmap(const std::string& path, int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::blue);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width / 2; ++x)
            image.setPixelColor(x, y, Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "BMP"));
}

class ControlHelpers : public tessaly::testing::DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::testing::EnsureQtApplication();
        tessaly::automation::SetMessageBoxHandler([this](const auto& box) {
            messages.push_back(box.text);
            return IDOK;
        });
    }
    void TearDown() override { tessaly::automation::SetMessageBoxHandler(nullptr); }
    std::vector<std::string> messages;
};

TEST_F(ControlHelpers, ClipboardTextGoesInAndComesOutOnceWithTheEmptyingReader) {
    const char* text = "two\r\ncaf\xE9 \x80";
    SetClipData(text);
    EXPECT_EQ(GetClipBoardString(), CString(text));
    EXPECT_EQ(GetClipBoardString(), CString(text)); // left as it was
    EXPECT_EQ(GetClipBoardText(nullptr), CString(text));
    EXPECT_EQ(GetClipBoardText(nullptr), CString()); // taken once only
    CopyToClipboard("again", nullptr);
    EmptyClipData();
    EXPECT_EQ(GetClipBoardText(nullptr), CString());
    EXPECT_TRUE(messages.empty());
}

TEST_F(ControlHelpers, SplashWindowShowsTheBitmapAtItsSizeCentred) {
    const int before = static_cast<int>(QApplication::topLevelWidgets().size());
    EXPECT_EQ(ShowSplashWnd("C:\\no such.bmp"), nullptr);
    QImage png(8, 8, QImage::Format_RGB32);
    png.fill(Qt::red);
    ASSERT_TRUE(png.save(QString::fromStdString(c + "/png.bmp"), "PNG"));
    EXPECT_EQ(ShowSplashWnd("C:\\png.bmp"), nullptr) << "a picture of another kind";
    EXPECT_EQ(static_cast<int>(QApplication::topLevelWidgets().size()), before);

    WriteBitmap(c + "/splash.bmp", 40, 30);
    CWnd* splash = ShowSplashWnd("C:\\splash.bmp");
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->IsWindowVisible());
    RECT rect;
    splash->GetWindowRect(&rect);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top),
              QRect(screen.x() + (screen.width() - 40) / 2, screen.y() + (screen.height() - 30) / 2,
                    40, 30));
    // The picture is painted from the window's top left corner.
    EXPECT_EQ(splash->GetWidget()->grab().toImage().pixelColor(2, 2), QColor(Qt::red));

    QPointer<QWidget> window = splash->GetWidget();
    ReleaseSplashScreen(&splash);
    EXPECT_EQ(splash, nullptr);
    EXPECT_TRUE(window.isNull());
}

TEST_F(ControlHelpers, EditHeightIsTheFontHeightPerLineShownPlusEight) {
    QTextEdit widget;
    widget.setLineWrapMode(QTextEdit::NoWrap);
    QFont font = widget.font();
    font.setPixelSize(17);
    widget.setFont(font);
    CRichEditCtrl edit(&widget);
    const int fontHeight = QFontMetrics(widget.document()->defaultFont()).height();
    // Text, the most lines asked for, the lines shown.
    for (auto [text, maxLines, lines] : {std::tuple{"a\r\nb", 5, 2}, {"1\r\n2\r\n3\r\n4", 3, 3}}) {
        edit.SetWindowText(text);
        EXPECT_EQ(GetEditHeight(&edit, maxLines), fontHeight * lines + 8) << text;
    }
    EXPECT_EQ(GetEditHeight(nullptr, 3), 0);
}

TEST_F(ControlHelpers, RichEditTextInAndOutAsUtf16WithCrLf) {
    QTextEdit widget;
    CRichEditCtrl edit(&widget);
    widget.setPlainText(QString::fromUtf8("Gr\u00FC\u00DFe \u20AC\nzweite Zeile"));
    HGLOBAL memory = GetRichEditTextW(&edit);
    ASSERT_NE(memory, nullptr);
    const std::u16string expected = u"Gr\u00FC\u00DFe \u20AC\r\nzweite Zeile";
    EXPECT_EQ(p::GlobalSize(memory), (expected.size() + 1) * 2);
    EXPECT_EQ(std::u16string(static_cast<const char16_t*>(p::GlobalLock(memory))), expected);
    p::GlobalUnlock(memory);
    EXPECT_EQ(p::GlobalFree(memory), nullptr);

    // Replacing all the text: plain, undo history gone.
    QTextCursor cursor(widget.document());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText("old bold text", bold);
    const char16_t replacement[] = u"neu\r\n\u00E9t\u00E9";
    EXPECT_NE(SetRichEditTextW(&edit, reinterpret_cast<const WCHAR*>(replacement)), 0);
    EXPECT_EQ(widget.toPlainText(), QString::fromUtf8("neu\n\u00E9t\u00E9"));
    EXPECT_FALSE(widget.document()->isUndoAvailable());
    EXPECT_EQ(GetRichEditTextW(nullptr), nullptr);
}

TEST_F(ControlHelpers, LineStartIndexOfTheSelectionStart) {
    QTextEdit widget;
    widget.setLineWrapMode(QTextEdit::NoWrap);
    CRichEditCtrl edit(&widget);
    // Text, selection start and end, the line start expected; a selection counts from its start.
    for (auto [text, start, end, expected] : {std::tuple{"a\nbb\nccc", 7L, 7L, 5L},
                                              {"a\nbb\nccc", 9L, 3L, 2L},
                                              {"\n\n\n", 3L, 3L, 3L}}) {
        widget.setPlainText(QString::fromLatin1(text));
        edit.SetSel(start, end);
        EXPECT_EQ(GetLineStartIndex(&edit), expected) << text << " at " << start;
    }
}

// Cells as wide as the widest label and 20 pixels, as many to a row as fit; rows as high as items.
TEST_F(ControlHelpers, ArrangedListPutsItemsInAGridOfTheWidestLabel) {
    QListWidget widget;
    widget.setViewMode(QListView::IconMode);
    widget.setFrameShape(QFrame::NoFrame);
    widget.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    widget.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    widget.resize(250, 600);
    CListCtrl list(&widget);
    const char* labels[] = {"a", "bb", "the widest label", "c", "dd"};
    for (int i = 0; i < 5; ++i)
        list.InsertItem(i, labels[i]);
    const int cell = QFontMetrics(widget.font()).horizontalAdvance(labels[2]) + 20;
    const int perRow = 250 / cell;
    ASSERT_GE(perRow, 2) << "the widest label leaves one item to a row in this font";
    EXPECT_EQ(SetArrangedListCtrl(&list), 1);
    for (int i = 0; i < 5; ++i) {
        RECT item;
        list.GetItemRect(i, &item, LVIR_BOUNDS);
        POINT at;
        ASSERT_TRUE(list.GetItemPosition(i, &at));
        EXPECT_EQ(at.x, (i % perRow) * cell) << "item " << i;
        EXPECT_EQ(at.y, (i / perRow) * (item.bottom - item.top)) << "item " << i;
    }
}

TEST_F(ControlHelpers, ListHeightFitsItsRowsUpToAMaximum) {
    QTreeWidget widget;
    widget.setHeaderHidden(true);
    widget.setRootIsDecorated(false);
    widget.setUniformRowHeights(true);
    widget.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    widget.resize(200, 123);
    CListCtrl list(&widget);
    EXPECT_EQ(GetListAdjustCtrlHeight(list, 5), 123); // empty: its height as it is

    // Items, the most rows, a client edge, a column wider than the list; the rows the height is
    // made of (all items, or negative: three) and the extra of the edge and the scroll bar.
    const std::tuple<int, int, bool, bool, int, int> cases[] = {
        {5, 5, false, false, 5, 6}, {6, 5, false, false, -3, 0}, {2, 5, true, true, 2, 6 + 4 + 18}};
    for (const auto& [items, maxRows, clientEdge, wide, rows, extra] : cases) {
        list.DeleteAllItems();
        for (int i = 0; i < items; ++i)
            list.InsertItem(i, ("row " + std::to_string(i)).c_str());
        widget.setFrameShape(clientEdge ? QFrame::StyledPanel : QFrame::NoFrame);
        widget.setFrameShadow(QFrame::Sunken);
        widget.header()->setStretchLastSection(false);
        widget.header()->resizeSection(0, wide ? 900 : 100);
        RECT first;
        ASSERT_TRUE(list.GetItemRect(0, &first, LVIR_BOUNDS));
        const int row = first.bottom - first.top;
        ASSERT_GT(row, 0);
        const int expected =
            rows > 0 ? first.top + rows * row + extra : first.top + (row + 2) * 3 + extra;
        EXPECT_EQ(GetListAdjustCtrlHeight(list, maxRows), expected) << items << " items";
    }
}

// The separator counts as a button; an empty bar has no size.
TEST_F(ControlHelpers, ToolBarSizeSumsTheButtonWidths) {
    QToolBar widget;
    CToolBarCtrl bar(&widget);
    CSize size(5, 5);
    GetToolBarSize(bar, size);
    EXPECT_EQ(std::make_pair(size.cx, size.cy), std::make_pair(LONG(0), LONG(0)));
    widget.addAction(QStringLiteral("Save as"));
    widget.addSeparator();
    CSize one;
    GetToolBarSize(bar, one);
    widget.addAction(QStringLiteral("Print"));
    GetToolBarSize(bar, size);
    ASSERT_EQ(bar.GetButtonCount(), 3);
    RECT last;
    ASSERT_TRUE(bar.GetItemRect(2, &last));
    EXPECT_EQ(size.cx, one.cx + last.right - last.left);
    EXPECT_EQ(size.cy, last.bottom - last.top);
    EXPECT_GT(one.cx, QFontMetrics(widget.font()).horizontalAdvance("Save as"));
}

} // namespace
