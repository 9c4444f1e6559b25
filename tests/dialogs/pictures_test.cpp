// LoadPictureFile: each format with its size, drawing into a device context, and each failure
// with its one message.
#include <QImage>
#include <QPainter>

#include <tessaly/automation.h>
#include <tessaly/dialogs.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/prefix.h"
#include "support/qt_app.h"

namespace {

class Pictures : public tessaly::testing::DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::testing::EnsureQtApplication();
        tessaly::automation::SetMessageBoxHandler(
            [this](const auto& box) { return messages.push_back(box.text), IDOK; });
    }
    void TearDown() override { tessaly::automation::SetMessageBoxHandler(nullptr); }
    // Loads the picture; its format, type and pixel size, or the messages shown on failure.
    std::string load(const char* path, IPicture** picture) {
        messages.clear();
        if (!LoadPictureFile(path, picture))
            return *picture ? "kept a picture" : "failed: " + messages.at(0);
        const char* format = nullptr;
        SHORT type = 0;
        LONG w = 0, h = 0;
        (*picture)->get_Format(&format), (*picture)->get_Type(&type),
            (*picture)->get_PixelSize(&w, &h);
        return std::string(format) + " " + std::to_string(type) + " " + std::to_string(w) + "x" +
               std::to_string(h);
    }
    std::vector<std::string> messages;
};

// A 2 x 1 GIF, red then blue (Qt reads GIF but writes none).
const std::string kGif("GIF89a\2\0\1\0\x80\0\0\xFF\0\0\0\0\xFF,\0\0\0\0\2\0\1\0\0\2\2\x44\n\0;",
                       35);

} // namespace

TEST_F(Pictures, EachFormatLoadsWithItsSizeAndDrawsUpright) {
    QImage image(40, 20, QImage::Format_ARGB32); // left half red, right half blue, 96 dpi
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 20, 20, Qt::red);
    image.setDotsPerMeterX(3780), image.setDotsPerMeterY(3780);
    for (const char* format : {"BMP", "PNG", "JPEG", "ICO"})
        ASSERT_TRUE(image.save(QString::fromStdString(c + "/p." + format), format));
    tessaly::testing::WriteFile(c + "/p.gif", kGif);
    const std::pair<const char*, const char*> rows[] = {{"C:\\p.jpeg", "jpeg 1 40x20"},
                                                        {"C:\\P.PNG", "png 1 40x20"},
                                                        {"C:\\p.ico", "ico 3 40x20"},
                                                        {"C:\\p.gif", "gif 1 2x1"},
                                                        {"C:\\p.bmp", "bmp 1 40x20"}};
    IPicture* picture = nullptr;
    for (const auto& [path, seen] : rows)
        EXPECT_EQ(load(path, &picture), seen); // each load releases the picture before
    OLE_XSIZE_HIMETRIC width = 0, height = 0;
    picture->get_Width(&width), picture->get_Height(&height);
    EXPECT_EQ(std::make_pair(width, height),
              std::make_pair(LONG(1058), LONG(529))); // 0.01 mm at 96 dpi
    QImage canvas(100, 60, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        CDC dc(&painter), none;
        EXPECT_EQ(
            picture->Render(dc.GetSafeHdc(), 10, 10, 80, 40, 0, height, width, -height, nullptr),
            S_OK);
        EXPECT_EQ(
            picture->Render(none.GetSafeHdc(), 0, 0, 9, 9, 0, height, width, -height, nullptr),
            E_INVALIDARG);
    }
    EXPECT_EQ(
        (std::vector{canvas.pixel(5, 5), canvas.pixel(20, 30), canvas.pixel(80, 30)}),
        (std::vector{QColor(Qt::white).rgb(), QColor(Qt::red).rgb(), QColor(Qt::blue).rgb()}));
    EXPECT_EQ(picture->Release(), 0u);
}

TEST_F(Pictures, EachFailureShowsItsOneMessage) {
    QImage(30, 30, QImage::Format_RGB32).save(QString::fromStdString(c + "/good.png"), "PNG");
    tessaly::testing::WriteFile(c + "/empty.png", "");
    tessaly::testing::WriteFile(c + "/text.png", "not a picture\r\n");
    // 100 MB whose bitmap header claims 30000 x 30000 pixels of 32 bits: the decoder's limit
    // refuses it; above 256 MB the file is refused before memory is taken.
    std::string header("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x30\x75\0\0\x30\x75\0\0\x01\0\x20\0",
                       30);
    tessaly::testing::WriteFile(c + "/huge.bmp", header + std::string(24, '\0'));
    std::filesystem::resize_file(c + "/huge.bmp", 100u << 20);
    tessaly::testing::WriteFile(c + "/giant.bmp", header);
    std::filesystem::resize_file(c + "/giant.bmp", (256u << 20) + 1);
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\none.png", "failed: Could not read file"},
        {"C:\\empty.png", "failed: File seems to be empty"},
        {"C:\\giant.bmp", "failed: Could not allocate memory for image"},
        {"C:\\text.png", "failed: Could not load image (hr failure)"},
        {"C:\\huge.bmp", "failed: Could not load image (hr failure)"}};
    for (const auto& [path, seen] : rows) {
        IPicture* picture = nullptr;
        EXPECT_EQ(load(path, &picture), seen);
        EXPECT_EQ(messages.size(), 1u) << path;
    }
    messages.clear();
    EXPECT_EQ(LoadPictureFile("C:\\good.png", nullptr), 0);
    EXPECT_EQ(messages, std::vector<std::string>{"Could not load image (pgpPicture failure)"});
}
