// The PDF printer's driver library: the printer it installs, the values it takes, and what a
// job printed through the framework's print path on that printer becomes.
#include <tessaly/dialogs.h>
#include <tessaly/printers.h>

#include <QImage>

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <tuple>

#include <tessaly/wnd.h>

#include "dialogs/choices_support.h"
#include "platform/prefix.h"
#include "print/pdf_reading.h"
#include "print/pdf_support.h"
#include "support/run.h"

using namespace print_test;
namespace fs = std::filesystem;
namespace p = tessaly::platform;
using A = tessaly::automation::PrintSetupAnswer;

namespace {

class PdfDriver : public choices_test::ScriptedDialogs {
  protected:
    void SetUp() override {
        ScriptedDialogs::SetUp();
        fs::create_directories(prefix_.scratch());
    }
    std::string Pdf(const std::string& name) { return prefix_.scratch() + "/" + name + ".pdf"; }
};

// Every match of the pattern's groups in a poppler tool's output, distinct, joined by " ".
std::string column(const std::vector<std::string>& command, const char* pattern) {
    const std::string out = tessaly::testing::RunProgram(command).out;
    std::set<std::string> found;
    const std::regex row(pattern);
    for (std::sregex_iterator it(out.begin(), out.end(), row), end; it != end; ++it)
        found.insert(it->size() > 2 ? (*it)[1].str() + " " + (*it)[2].str() : (*it)[1].str());
    std::string joined;
    for (const std::string& f : found)
        joined += (joined.empty() ? "" : " ") + f;
    return joined;
}

// "yes" or "no" in pdffonts' embedded column.
std::string embedded(const std::string& pdf) {
    return column({"pdffonts", pdf}, R"((yes|no)\s+(?:yes|no)\s+(?:yes|no)\s+\d+\s+\d+\s*\n)");
}

// A page's letters, blanks left out: a diagonal watermark comes back in pieces.
std::string letters(const Page& page) {
    std::string text = Text(page);
    std::erase(text, ' ');
    return text;
}

// The PDF printer's driver values set through the library between its init and end.
void configure(const std::function<void(const Driver&, HANDLE)>& values) {
    Driver d;
    HANDLE h = d.init(kPdfPrinterName);
    ASSERT_NE(h, nullptr);
    values(d, h);
    d.end(h);
}

} // namespace

TEST_F(PdfDriver, InstallsItsPrinterAndRefusesOthers) {
    Driver d;
    ASSERT_TRUE(d.module && d.init && d.end);
    EXPECT_EQ(FindPrinter(kPdfPrinterName), 0);
    HANDLE h = d.init(kPdfPrinterName);
    ASSERT_NE(h, nullptr);
    p::PrinterEntry entry;
    ASSERT_TRUE(p::LookupPrinter(kPdfPrinterName, entry));
    EXPECT_EQ(entry.driver + "|" + entry.port, std::string(kPdfPrinterName) + "|" + kPdfPortName);
    // A value the driver does not know leaves the one before.
    for (auto [set, bad, good] : {std::tuple{d.paper, 2, 8},
                                  {d.orientation, 3, 2},
                                  {d.resolution, 0, 150},
                                  {d.jpeg, -1, 4}})
        EXPECT_EQ(std::pair(set(h, good), set(h, bad)), std::pair(1, 0)) << good;
    EXPECT_EQ(d.config(h), 1);
    const Stored s = ReadStored();
    EXPECT_EQ(
        std::vector<long>({s.dm.dmPaperSize, s.dm.dmOrientation, s.dm.dmPrintQuality,
                           s.dm.dmDriverExtra, s.extra.lJpegLevel}),
        std::vector<long>({DMPAPER_A3, DMORIENT_LANDSCAPE, 150, sizeof(PDF_DRIVER_EXTRA), 4}));
    d.end(h);
    ASSERT_TRUE(p::AddPrefixPrinter("Office Laser", "Laser Driver", "LPT1:", {}));
    for (const char* name : {"", "Office Laser"})
        EXPECT_EQ(d.init(name), nullptr) << name;
}

// Each job prints two pages of text and, on the first, a picture of 9216 colours: pdfimages
// tells how the compression choice stored it (the private 256-colour flag is given through
// DocumentPropertiesA, as the options dialog gives it).
TEST_F(PdfDriver, SettingsShapeThePrintedFile) {
    QImage image(96, 96, QImage::Format_RGB32);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x)
            image.setPixel(x, y, qRgb(x * 2, y * 2, 255 - x - y));
    const std::string png = prefix_.scratch() + "/picture.png";
    ASSERT_TRUE(image.save(QString::fromStdString(png)));
    TwoPages job;
    ASSERT_EQ(LoadPictureFile(p::ToWindowsPath(png).c_str(), &job.picture), 1);
    const struct {
        const char* name;
        LONG paper, orientation, dpi, fonts, jpeg, flag, options;
        const char* watermark;
        const char* size;    // pdfinfo's page size
        const char* picture; // pdfimages' colour and encoding
        bool watermarked;
    } cases[] = {
        {"letter", DMPAPER_LETTER, 1, 600, 1, 0, 0, 3 + 16, "", "612 x 792 pts (letter)",
         "rgb image", false},
        {"legal landscape JPEG", DMPAPER_LEGAL, 2, 300, 1, 4, 0, 3 + 16, "", "1008 x 612 pts",
         "rgb jpeg", false},
        {"A4 256 colours", DMPAPER_A4, 1, 75, 0, 0, PDF_FLAG_256_COLOURS, 3, "",
         "595 x 842 pts (A4)", "index image", false},
        {"A3 watermark", DMPAPER_A3, 1, 1200, 1, 0, 0, 3 + 16 + 64, "DRAFT COPY",
         "842 x 1191 pts (A3)", "rgb image", true},
        {"watermark without its option", DMPAPER_A4, 1, 600, 0, 0, 0, 3, "DRAFT COPY",
         "595 x 842 pts (A4)", "rgb image", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string pdf = Pdf(c.name);
        configure([&](const Driver& d, HANDLE h) {
            d.paper(h, c.paper);
            d.resolution(h, c.dpi);
            d.orientation(h, c.orientation);
            d.fonts(h, c.fonts);
            d.jpeg(h, c.jpeg);
            d.watermark(h, c.watermark, "Arial", 30, 450, 0xFF0000, 100, -100, 1);
            d.config(h);
            d.makeDefault(h);
            d.fileName(h, p::ToWindowsPath(pdf).c_str());
            d.fileOptions(h, c.options);
        });
        std::vector<BYTE> settings(sizeof(Stored));
        auto* stored = reinterpret_cast<Stored*>(settings.data());
        p::DocumentPropertiesA(nullptr, nullptr, kPdfPrinterName, &stored->dm, nullptr,
                               DM_OUT_BUFFER);
        stored->extra.dwFlags = DWORD(c.flag);
        p::DocumentPropertiesA(nullptr, nullptr, kPdfPrinterName, nullptr, &stored->dm,
                               DM_IN_BUFFER | DM_UPDATE);
        ASSERT_TRUE(job.DoPrint(FALSE));
        EXPECT_EQ(job.dpi, c.dpi);
        auto info = ReadInfo(pdf);
        EXPECT_EQ(info["Pages"] + ", " + info["Page size"] + ", " + info["Creator"],
                  "2, " + std::string(c.size) + ", Tessaly PDF printer, " + std::to_string(c.dpi) +
                      " dpi");
        EXPECT_EQ(embedded(pdf), c.fonts ? "yes" : "no");
        EXPECT_EQ(column({"pdfimages", "-list", pdf},
                         R"(\n\s*\d+\s+\d+\s+image\s+\d+\s+\d+\s+(\S+)\s+\d+\s+\d+\s+(\S+))"),
                  c.picture);
        const std::vector<Page> pages = ReadPages(pdf);
        ASSERT_EQ(pages.size(), 2u);
        for (const Page& page : pages)
            EXPECT_EQ(letters(page).find("DRAFTCOPY") != std::string::npos, c.watermarked);
    }
    job.picture->Release();
}

TEST_F(PdfDriver, FileNameOptionsDecideWhereTheJobGoes) {
    const std::string set = Pdf("set"), asked = Pdf("asked");
    // The options, whether the set file exists before the job, whether the job succeeds, and
    // the file written.
    const std::tuple<const char*, LONG, bool, bool, std::string> cases[] = {
        {"default name", 3, false, true, set},
        {"asks for the name", 2, false, true, asked},
        {"replaces", 3, true, true, set},
        {"keeps an existing file", 1, true, false, ""},
    };
    for (const auto& [name, options, existing, printed, out] : cases) {
        SCOPED_TRACE(name);
        fs::remove(set);
        fs::remove(asked);
        if (existing) tessaly::testing::WriteFile(set, "old");
        configure([&](const Driver& d, HANDLE h) {
            d.makeDefault(h);
            d.fileName(h, set.c_str());
            d.fileOptions(h, options);
        });
        tessaly::automation::SetPrintSetupHandler([&] { return A{A::PdfFile, asked, {}}; });
        TwoPages job;
        EXPECT_EQ(Run(choices_test::Click(IDOK), [&] { return job.DoPrint(FALSE); }),
                  printed ? TRUE : FALSE);
        EXPECT_EQ(messages, printed ? std::vector<std::string>{}
                                    : std::vector<std::string>{"Failed to start printing."});
        EXPECT_TRUE(out.empty() || ReadInfo(out)["Pages"] == "2");
        EXPECT_TRUE(printed || tessaly::testing::ReadFile(set) == "old");
        EXPECT_EQ(fs::exists(asked), out == asked);
    }
}

// A file system that fills up while the PDF is written: the job fails with the message, no
// cut-off file is left, and the disk's earlier contents stay.
TEST_F(PdfDriver, AFullDiskLeavesNoFile) {
    const std::string full = prefix_.scratch() + "/full", pdf = full + "/out.pdf";
    fs::create_directories(full);
    if (mount("tmpfs", full.c_str(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
    tessaly::testing::WriteFile(full + "/kept", "kept");
    configure([&](const Driver& d, HANDLE h) {
        d.makeDefault(h);
        d.fileName(h, pdf.c_str());
        d.fileOptions(h, 3 + 16);
    });
    TwoPages job;
    EXPECT_EQ(Run(choices_test::Click(IDOK), [&] { return job.DoPrint(FALSE); }), FALSE);
    EXPECT_EQ(messages, std::vector<std::string>{"The document could not be written completely."});
    EXPECT_FALSE(fs::exists(pdf));
    EXPECT_EQ(tessaly::testing::ReadFile(full + "/kept"), "kept");
    umount2(full.c_str(), MNT_DETACH);
}

// The command's options reach the driver; the former default printer comes back.
TEST_F(PdfDriver, CommandPrintsATextFile) {
    ASSERT_TRUE(p::AddPrefixPrinter("Office Laser", "Laser Driver", "LPT1:", {}));
    ASSERT_TRUE(DPSetDefaultPrinter(const_cast<char*>("Office Laser")));
    const std::string text =
        tessaly::testing::WriteFile(prefix_.scratch() + "/note.txt", "alpha line\nbeta line\n");
    const std::string pdf = Pdf("note");
    const auto run = tessaly::testing::RunTessaly(
        {"pdf", text, pdf, "--paper", "a4", "--landscape", "--watermark", "SAMPLE", "--no-embed"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadInfo(pdf)["Page size"], "842 x 595 pts (A4)");
    EXPECT_EQ(embedded(pdf), "no");
    const std::string printed = letters(ReadPages(pdf).at(0));
    EXPECT_NE(printed.find("alphalinebetaline"), std::string::npos) << printed;
    EXPECT_NE(printed.find("SAMPLE"), std::string::npos) << printed;
    char name[256];
    unsigned long size = sizeof name;
    ASSERT_TRUE(DPGetDefaultPrinter(name, &size));
    EXPECT_STREQ(name, "Office Laser");
}
