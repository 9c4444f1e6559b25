// Text viewers, named dialogs of the dialog library, and pictures: the installation's files in
// the viewer, version texts brought up to date, each picture format and each failure.
#include <QImage>

#include <tessaly/automation.h>
#include <tessaly/dialogs.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "../languages/frame_support.h"
#include "support/qt_app.h"

namespace {

namespace a = tessaly::automation;
using tessaly::testing::WriteFile;

class Viewers : public tessaly::testing::DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        tessaly::testing::EnsureQtApplication();
        frame_test::SetInstallDir(install = c + "/Program Files/Tessaly");
        a::SetMessageBoxHandler(
            [this](const auto& box) { return messages += box.text + ";", IDOK; });
        a::SetDialogHandler([this](a::Dialog& d) {
            shown.push_back(d.TemplateId() ? std::to_string(d.TemplateId()) + ":" + d.GetText(1100)
                                           : d.TemplateName());
            d.Click(IDOK);
        });
    }
    void TearDown() override { a::SetDialogHandler(nullptr), a::SetMessageBoxHandler(nullptr); }
    std::string install, messages;
    std::vector<std::string> shown;
};

} // namespace

// Rows: installed language, file, what the viewer shows. Only an English installation parses
// "version.txt": the product line names this release, the version line stays while the
// program's date is unknown.
TEST_F(Viewers, ScrollMessageShowsAtMostTheFirst4096Bytes) {
    const std::string page(4096, 'a'),
        version = "Product Name: Tessaly Office Version 7.0 beta\r\nVersion: 7.0.1\r\nRest\r\n";
    WriteFile(install + "/long.txt", page + "beyond");
    WriteFile(install + "/empty.txt", "");
    WriteFile(install + "/binary.dat", std::string("MZ\x90\0\x03", 5));
    WriteFile(install + "/version.txt", version);
    const std::tuple<int, const char*, std::vector<std::string>> rows[] = {
        {1033, "long.txt", {"293:" + page}},
        {1033, "empty.txt", {}},
        {1033, "binary.dat", {"293:MZ\x90"}}, // the text ends at the first zero byte
        {1033,
         "VERSION.txt",
         {"293:Product Name: Tessaly Office Version 8.5\r\nVersion: 7.0.1\r\nRest\r\n"}},
        {1031, "version.txt", {"293:" + version}}};
    for (const auto& [language, name, viewed] : rows) {
        frame_test::SetInstallLanguage(language);
        shown.clear();
        ScrollMessageEx(name);
        EXPECT_EQ(shown, viewed) << name;
    }
}

// A template missing from the library, or the library missing, gives IDCANCEL unseen.
TEST_F(Viewers, ShowDialogBoxRunsNamedTemplatesOfTheDialogLibrary) {
    for (const auto& [folder, name, result] : {std::tuple{"/selwin", "viewerchoice", IDOK},
                                               {"/selwin", "NOSUCHDIALOG", IDCANCEL},
                                               {"/nothing-here", "VIEWERNOTICE", IDCANCEL}}) {
        setenv("TESSALY_MODULE_PATH", (frame_test::kLibFolder + folder).c_str(), 1);
        EXPECT_EQ(ShowDialogBox(name), result);
    }
    EXPECT_EQ(shown.size(), 1u);
}

// Rows: file, then its format, type and pixel size, or the messages shown. Bitmaps claiming
// 30000 x 30000 pixels of 32 bits: at 100 MB the decoder's limit refuses one, above 256 MB the
// file is refused before memory is taken.
TEST_F(Viewers, PicturesLoadWithTheirSizeOrShowTheirOneMessage) {
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (const char* format : {"BMP", "JPEG", "ICO"})
        ASSERT_TRUE(image.save(QString::fromStdString(c + "/p." + format), format));
    WriteFile(c + "/p.gif",
              {"GIF89a\2\0\1\0\x80\0\0\xFF\0\0\0\0\xFF,\0\0\0\0\2\0\1\0\0\2\2\x44\n\0;", 35});
    WriteFile(c + "/empty.png", "");
    WriteFile(c + "/text.png", "not a picture\r\n");
    for (const auto& [name, size] :
         {std::pair{"/huge.bmp", 100u << 20}, {"/giant.bmp", (256u << 20) + 1}}) {
        WriteFile(
            c + name,
            {"BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x30\x75\0\0\x30\x75\0\0\x01\0\x20\0", 30});
        std::filesystem::resize_file(c + name, size);
    }
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\none.png", "Could not read file;"},
        {"C:\\empty.png", "File seems to be empty;"},
        {"C:\\giant.bmp", "Could not allocate memory for image;"},
        {"C:\\text.png", "Could not load image (hr failure);"},
        {"C:\\huge.bmp", "Could not load image (hr failure);"},
        {"C:\\P.JPEG", "jpeg 1 40x20"},
        {"C:\\p.ico", "ico 3 40x20"},
        {"C:\\p.gif", "gif 1 2x1"},
        {"C:\\p.bmp", "bmp 1 40x20"}}; // each load releases the picture before
    IPicture* picture = nullptr;
    for (const auto& [path, seen] : rows) {
        messages.clear();
        const char* format = "";
        SHORT type = 0;
        LONG w = 0, h = 0;
        if (LoadPictureFile(path, &picture))
            picture->get_Format(&format), picture->get_Type(&type), picture->get_PixelSize(&w, &h);
        EXPECT_EQ(picture ? std::string(format) + " " + std::to_string(type) + " " +
                                std::to_string(w) + "x" + std::to_string(h)
                          : messages,
                  seen);
    }
    EXPECT_EQ(picture->Release(), 0u);
    EXPECT_EQ(LoadPictureFile("C:\\p.bmp", nullptr), 0);
    EXPECT_EQ(messages, "Could not load image (pgpPicture failure);");
}
