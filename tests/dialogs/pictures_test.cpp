// LoadPictureFile: each picture format decoded with its size, drawing into a device context,
// and each failure path with its one message.
#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <tessaly/automation.h>
#include <tessaly/dialogs.h>
#include <tessaly/gdi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/prefix.h"
#include "support/qt_app.h"

using tessaly::testing::WriteFile;

namespace {

class Pictures : public tessaly::testing::DrivePrefixTest {
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

// 40 x 20 pixels at 96 dots per inch: the left half red, the right half blue.
QImage halves() {
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            image.setPixelColor(x, y, Qt::red);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return image;
}

// A 2 x 1 GIF (Qt reads GIF but writes none): red then blue.
const unsigned char kGif[] = {'G', 'I',  'F', '8', '9', 'a', 2,    0,    1,    0, 0x80, 0,
                              0,   0xFF, 0,   0,   0,   0,   0xFF, ',',  0,    0, 0,    0,
                              2,   0,    1,   0,   0,   2,   2,    0x44, 0x0A, 0, ';'};

} // namespace

TEST_F(Pictures, EachFormatLoadsWithItsSizeAndDraws) {
    const QImage image = halves();
    ASSERT_TRUE(image.save(QString::fromStdString(c + "/p.bmp"), "BMP"));
    ASSERT_TRUE(image.save(QString::fromStdString(c + "/p.png"), "PNG"));
    ASSERT_TRUE(image.save(QString::fromStdString(c + "/p.jpg"), "JPEG", 100));
    ASSERT_TRUE(image.convertToFormat(QImage::Format_ARGB32)
                    .save(QString::fromStdString(c + "/p.ico"), "ICO"));
    WriteFile(c + "/p.gif", std::string(reinterpret_cast<const char*>(kGif), sizeof kGif));
    struct Row {
        const char* path;
        const char* format;
        SHORT type;
        LONG width, height; // pixels
    } const rows[] = {
        {"C:\\p.bmp", "bmp", PICTYPE_BITMAP, 40, 20},  {"C:\\P.PNG", "png", PICTYPE_BITMAP, 40, 20},
        {"C:\\p.jpg", "jpeg", PICTYPE_BITMAP, 40, 20}, {"C:\\p.ico", "ico", PICTYPE_ICON, 40, 20},
        {"C:\\p.gif", "gif", PICTYPE_BITMAP, 2, 1},
    };
    IPicture* picture = nullptr;
    for (const Row& row : rows) {
        ASSERT_EQ(LoadPictureFile(row.path, &picture), 1) << row.path;
        ASSERT_NE(picture, nullptr);
        const char* format = nullptr;
        SHORT type = 0;
        LONG w = 0, h = 0;
        picture->get_Format(&format);
        picture->get_Type(&type);
        picture->get_PixelSize(&w, &h);
        EXPECT_STREQ(format, row.format);
        EXPECT_EQ(type, row.type) << row.path;
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(row.width, row.height)) << row.path;
    }
    EXPECT_TRUE(messages.empty());

    // 40 x 20 pixels at 96 dpi is 1058 x 529 hundredths of a millimetre; drawn upright at
    // twice its size.
    ASSERT_EQ(LoadPictureFile("C:\\p.bmp", &picture), 1); // the GIF is released first
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    picture->get_Width(&width);
    picture->get_Height(&height);
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(LONG(1058), LONG(529)));
    QImage canvas(100, 60, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        CDC dc(&painter);
        EXPECT_EQ(
            picture->Render(dc.GetSafeHdc(), 10, 10, 80, 40, 0, height, width, -height, nullptr),
            S_OK);
        CDC none;
        EXPECT_EQ(
            picture->Render(none.GetSafeHdc(), 0, 0, 1, 1, 0, height, width, -height, nullptr),
            E_INVALIDARG);
    }
    EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(20, 30), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(80, 30), QColor(Qt::blue));
    EXPECT_EQ(picture->Release(), 0u);
}

TEST_F(Pictures, EachFailureShowsItsOneMessage) {
    QByteArray png;
    {
        QImage image = halves();
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    WriteFile(c + "/cut.png", std::string(png.constData(), png.size() / 2));
    WriteFile(c + "/empty.png", "");
    WriteFile(c + "/text.png", "not a picture at all\r\n");
    // A bitmap header claiming 30000 x 30000 pixels of 32 bits (3.6 GB decoded) in a 100 MB
    // file: refused by the decoder's limit, never allocated.
    {
        std::string header(54, '\0');
        auto put32 = [&](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i)
                header[at + i] = static_cast<char>(v >> (8 * i));
        };
        header[0] = 'B', header[1] = 'M';
        put32(2, 100u << 20), put32(10, 54), put32(14, 40), put32(18, 30000), put32(22, 30000);
        header[26] = 1, header[28] = 32;
        WriteFile(c + "/huge.bmp", header);
        std::filesystem::resize_file(c + "/huge.bmp", 100u << 20);
    }
    // Larger than a picture may be: refused before any memory is taken.
    WriteFile(c + "/giant.bmp", "BM");
    std::filesystem::resize_file(c + "/giant.bmp", (256u << 20) + 1);
    struct Row {
        const char* path;
        const char* message;
    } const rows[] = {
        {"C:\\none.png", "Could not read file"},
        {"C:\\empty.png", "File seems to be empty"},
        {"C:\\giant.bmp", "Could not allocate memory for image"},
        {"C:\\cut.png", "Could not load image (hr failure)"},
        {"C:\\text.png", "Could not load image (hr failure)"},
        {"C:\\huge.bmp", "Could not load image (hr failure)"},
    };
    for (const Row& row : rows) {
        messages.clear();
        IPicture* picture = nullptr;
        EXPECT_EQ(LoadPictureFile(row.path, &picture), 0) << row.path;
        EXPECT_EQ(picture, nullptr) << row.path;
        EXPECT_EQ(messages, std::vector<std::string>{row.message}) << row.path;
    }
    messages.clear();
    WriteFile(c + "/good.png", std::string(png.constData(), png.size()));
    EXPECT_EQ(LoadPictureFile("C:\\good.png", nullptr), 0);
    EXPECT_EQ(messages, std::vector<std::string>{"Could not load image (pgpPicture failure)"});
}
