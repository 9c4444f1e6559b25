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
#include <sstream>
#include <string>

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

class PdfDriver : public choices_test::ScriptedDialogs {};

// "yes" or "no" in pdffonts' embedded column, per font.
std::vector<std::string> embedded(const std::string& pdf) {
    const auto run = tessaly::testing::RunProgram({"pdffonts", pdf});
    std::vector<std::string> marks;
    static const std::regex row(R"((yes|no)\s+(yes|no)\s+(yes|no)\s+\d+\s+\d+\s*\n)");
    for (std::sregex_iterator it(run.out.begin(), run.out.end(), row), end; it != end; ++it)
        marks.push_back((*it)[1]);
    return marks;
}

// The mark every font of the file should have (at least one font).
std::vector<std::string> allFonts(const std::string& pdf, const char* mark) {
    return std::vector<std::string>(std::max<size_t>(embedded(pdf).size(), 1), mark);
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
    EXPECT_EQ(entry.driver, kPdfPrinterName);
    EXPECT_EQ(entry.port, kPdfPortName);
    const struct {
        PDF_DRIVER_SET_LONG set;
        LONG value;
        LONG result;
    } values[] = {
        {d.paper, 2, 0},      {d.paper, 8, 1},        {d.orientation, 3, 0}, {d.orientation, 2, 1},
        {d.resolution, 0, 0}, {d.resolution, 150, 1}, {d.jpeg, -1, 0},       {d.jpeg, 4, 1},
    };
    for (const auto& v : values)
        EXPECT_EQ(v.set(h, v.value), v.result) << v.value;
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

TEST_F(PdfDriver, SettingsShapeThePrintedFile) {
    fs::create_directories(prefix_.scratch());
    const struct {
        const char* name;
        LONG paper, orientation, dpi, fonts, options;
        const char* watermark;
        const char* size; // pdfinfo's page size
        bool watermarked;
    } cases[] = {
        {"letter", DMPAPER_LETTER, 1, 600, 1, 3 + 16, nullptr, "612 x 792 pts (letter)", false},
        {"legal landscape", DMPAPER_LEGAL, 2, 300, 1, 3 + 16, nullptr, "1008 x 612 pts", false},
        {"A4 not embedded", DMPAPER_A4, 1, 75, 0, 3, nullptr, "595 x 842 pts (A4)", false},
        {"A3 watermark", DMPAPER_A3, 1, 1200, 1, 3 + 16 + 64, "DRAFT COPY", "842 x 1191 pts (A3)",
         true},
        {"watermark without its option", DMPAPER_A4, 1, 600, 0, 3, "DRAFT COPY",
         "595 x 842 pts (A4)", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string pdf = prefix_.scratch() + "/" + c.name + ".pdf";
        configure([&](const Driver& d, HANDLE h) {
            d.paper(h, c.paper);
            d.resolution(h, c.dpi);
            d.orientation(h, c.orientation);
            d.fonts(h, c.fonts);
            d.watermark(h, c.watermark ? c.watermark : "", "Arial", 30, 450, 0xFF0000, 100, -100,
                        1);
            d.config(h);
            d.makeDefault(h);
            d.fileName(h, p::ToWindowsPath(pdf).c_str());
            d.fileOptions(h, c.options);
        });
        TwoPages job;
        ASSERT_TRUE(job.DoPrint(FALSE));
        EXPECT_EQ(job.dpi, c.dpi);
        auto info = ReadInfo(pdf);
        EXPECT_EQ(info["Pages"], "2");
        EXPECT_EQ(info["Page size"], c.size);
        EXPECT_EQ(info["Creator"], "Tessaly PDF printer, " + std::to_string(c.dpi) + " dpi");
        EXPECT_EQ(embedded(pdf), allFonts(pdf, c.fonts ? "yes" : "no"));
        const std::vector<Page> pages = ReadPages(pdf);
        ASSERT_EQ(pages.size(), 2u);
        for (const Page& page : pages)
            EXPECT_EQ(letters(page).find("DRAFTCOPY") != std::string::npos, c.watermarked);
    }
}

// The compression choice on a picture of 9216 colours: lossless without a JPEG level, JPEG at
// one, and with the private flag (given through DocumentPropertiesA, as the options dialog's
// 256-colour choice gives it) an indexed picture of its most used colours.
TEST_F(PdfDriver, CompressionShapesThePictures) {
    fs::create_directories(prefix_.scratch());
    QImage image(96, 96, QImage::Format_RGB32);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x)
            image.setPixel(x, y, qRgb(x * 2, y * 2, 255 - x - y));
    const std::string png = prefix_.scratch() + "/picture.png";
    ASSERT_TRUE(image.save(QString::fromStdString(png)));
    TwoPages job;
    ASSERT_EQ(LoadPictureFile(p::ToWindowsPath(png).c_str(), &job.picture), 1);
    const struct {
        LONG jpeg;
        bool flag;
        const char* colour; // pdfimages' colour and encoding columns
        const char* encoding;
    } cases[] = {
        {0, false, "rgb", "image"}, {4, false, "rgb", "jpeg"}, {0, true, "index", "image"}};
    for (const auto& c : cases) {
        const std::string pdf = prefix_.scratch() + "/picture.pdf";
        configure([&](const Driver& d, HANDLE h) {
            d.jpeg(h, c.jpeg);
            d.config(h);
            d.makeDefault(h);
            d.fileName(h, pdf.c_str());
            d.fileOptions(h, 3);
        });
        std::vector<BYTE> settings(
            p::DocumentPropertiesA(nullptr, nullptr, kPdfPrinterName, nullptr, nullptr, 0));
        auto* dm = reinterpret_cast<DEVMODEA*>(settings.data());
        p::DocumentPropertiesA(nullptr, nullptr, kPdfPrinterName, dm, nullptr, DM_OUT_BUFFER);
        reinterpret_cast<PDF_DRIVER_EXTRA*>(settings.data() + dm->dmSize)->dwFlags =
            c.flag ? DWORD(PDF_FLAG_256_COLOURS) : 0;
        p::DocumentPropertiesA(nullptr, nullptr, kPdfPrinterName, nullptr, dm,
                               DM_IN_BUFFER | DM_UPDATE);
        ASSERT_TRUE(job.DoPrint(FALSE));
        std::istringstream list(tessaly::testing::RunProgram({"pdfimages", "-list", pdf}).out);
        std::vector<std::string> rows, columns(9);
        for (std::string line; std::getline(list, line);)
            if (std::istringstream(line) >> columns[0] >> columns[1] >> columns[2] >> columns[3] >>
                    columns[4] >> columns[5] >> columns[6] >> columns[7] >> columns[8] &&
                columns[2] == "image")
                rows.push_back(columns[5] + " " + columns[8]);
        EXPECT_EQ(rows, std::vector<std::string>{std::string(c.colour) + " " + c.encoding})
            << c.jpeg << " " << c.flag;
    }
    job.picture->Release();
}

TEST_F(PdfDriver, FileNameOptionsDecideWhereTheJobGoes) {
    fs::create_directories(prefix_.scratch());
    const std::string set = prefix_.scratch() + "/set.pdf",
                      asked = prefix_.scratch() + "/asked.pdf";
    const struct {
        const char* name;
        LONG options;
        bool existing;   // the set file exists before the job
        bool printed;    // the job succeeds
        std::string out; // the file written
    } cases[] = {
        {"default name", 3, false, true, set},
        {"asks for the name", 2, false, true, asked},
        {"replaces", 3, true, true, set},
        {"keeps an existing file", 1, true, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(set);
        fs::remove(asked);
        if (c.existing) tessaly::testing::WriteFile(set, "old");
        configure([&](const Driver& d, HANDLE h) {
            d.makeDefault(h);
            d.fileName(h, set.c_str());
            d.fileOptions(h, c.options);
        });
        tessaly::automation::SetPrintSetupHandler([&] { return A{A::PdfFile, asked, {}}; });
        TwoPages job;
        EXPECT_EQ(Run(choices_test::Click(IDOK), [&] { return job.DoPrint(FALSE); }),
                  c.printed ? TRUE : FALSE);
        EXPECT_EQ(messages, c.printed ? std::vector<std::string>{}
                                      : std::vector<std::string>{"Failed to start printing."});
        EXPECT_TRUE(c.out.empty() || ReadInfo(c.out)["Pages"] == "2");
        EXPECT_TRUE(c.printed || tessaly::testing::ReadFile(set) == "old");
        EXPECT_EQ(fs::exists(asked), c.out == asked);
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

TEST_F(PdfDriver, CommandPrintsATextFile) {
    ASSERT_TRUE(p::AddPrefixPrinter("Office Laser", "Laser Driver", "LPT1:", {}));
    ASSERT_TRUE(DPSetDefaultPrinter(const_cast<char*>("Office Laser")));
    const std::string text =
        tessaly::testing::WriteFile(prefix_.scratch() + "/note.txt", "alpha line\nbeta line\n");
    const struct {
        std::vector<std::string> options;
        const char* size;
        const char* fonts;
        bool watermarked;
    } cases[] = {
        {{}, "612 x 792 pts (letter)", "yes", false},
        {{"--paper", "a4", "--landscape", "--watermark", "SAMPLE", "--no-embed"},
         "842 x 595 pts (A4)",
         "no",
         true},
    };
    for (const auto& c : cases) {
        const std::string pdf = prefix_.scratch() + "/note.pdf";
        std::vector<std::string> args = {"pdf", text, pdf};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto run = tessaly::testing::RunTessaly(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(ReadInfo(pdf)["Page size"], c.size);
        EXPECT_EQ(embedded(pdf), allFonts(pdf, c.fonts));
        const std::string printed = letters(ReadPages(pdf).at(0));
        EXPECT_NE(printed.find("alphalinebetaline"), std::string::npos) << printed;
        EXPECT_EQ(printed.find("SAMPLE") != std::string::npos, c.watermarked);
        char name[256];
        unsigned long size = sizeof name;
        ASSERT_TRUE(DPGetDefaultPrinter(name, &size));
        EXPECT_STREQ(name, "Office Laser");
    }
}
