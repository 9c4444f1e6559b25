// tessaly pdf TEXTFILE OUT.pdf [...]: a text file printed through the PDF printer and the
// framework's print path.
#include <tessaly/pdf_driver.h>
#include <tessaly/print.h>
#include <tessaly/printers.h>

#include <QProcess>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "commands.h"
#include "platform/module.h"
#include "platform/prefix.h"
#include "shell.h"

namespace fs = std::filesystem;
namespace pf = tessaly::platform;

namespace tessaly::cli {

namespace {

// The text's lines, as many to a page as fit.
class TextDocument : public CPrintJob {
  public:
    explicit TextDocument(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    int pages = 0;

  protected:
    void OnPrint(CDC* dc, CPrintInfo* info) override {
        ++pages;
        const int margin = dc->GetDeviceCaps(LOGPIXELSY) / 2;
        TEXTMETRICA metrics;
        dc->GetTextMetrics(&metrics);
        const int step = metrics.tmHeight + metrics.tmExternalLeading;
        int y = margin;
        while (next_ < lines_.size() && y + step <= info->m_rectDraw.bottom - margin) {
            RECT box{margin, y, info->m_rectDraw.right - margin, y + step};
            dc->DrawText(lines_[next_++].c_str(), -1, &box, DT_SINGLELINE | DT_NOPREFIX);
            y += step;
        }
        info->m_bContinuePrinting = next_ < lines_.size();
    }

  private:
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

struct PdfArgs {
    std::string text, out, paper = "letter", watermark;
    bool landscape = false, noEmbed = false;
    int resolution = 600;
};

// Prints the lines through the PDF printer with those settings, giving back the former
// default printer afterwards: the pages printed, or -1 with the reason in why.
int printThroughPdfPrinter(const PdfArgs& a, const std::vector<std::string>& lines,
                           std::string& why) {
    static const std::map<std::string, LONG> papers = {{"letter", DMPAPER_LETTER},
                                                       {"legal", DMPAPER_LEGAL},
                                                       {"a4", DMPAPER_A4},
                                                       {"a3", DMPAPER_A3}};
    if (!papers.count(a.paper)) {
        why = "unknown paper \"" + a.paper + "\"";
        return -1;
    }
    HMODULE module = platform::LoadLibraryA("CDIntf.dll");
    if (!module) {
        why = "the PDF printer's driver library is missing";
        return -1;
    }
    auto entry = [module](const char* name) { return platform::GetProcAddress(module, name); };
    auto init = reinterpret_cast<PDF_DRIVER_INIT>(entry("DriverInit"));
    auto set = [&](const char* name, HANDLE h, LONG value) {
        reinterpret_cast<PDF_DRIVER_SET_LONG>(entry(name))(h, value);
    };
    HANDLE h = init ? init(kPdfPrinterName) : nullptr;
    if (!h) {
        platform::FreeLibrary(module);
        why = "the PDF printer is not available";
        return -1;
    }
    char former[256] = "";
    unsigned long size = sizeof former;
    if (!DPGetDefaultPrinter(former, &size)) former[0] = '\0';
    set("SetPaperSize", h, papers.at(a.paper));
    set("SetResolution", h, a.resolution);
    set("SetOrientation", h, a.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
    set("SetFontEmbedding", h, a.noEmbed ? 0 : 1);
    if (!a.watermark.empty())
        reinterpret_cast<PDF_DRIVER_SET_WATERMARK>(entry("SetWatermark"))(
            h, a.watermark.c_str(), "Arial", 30, 450, 0xFF0000, 100, -100, 1);
    reinterpret_cast<PDF_DRIVER_CALL>(entry("SetDefaultConfig"))(h);
    reinterpret_cast<PDF_DRIVER_CALL>(entry("SetDefaultPrinter"))(h);
    reinterpret_cast<PDF_DRIVER_SET_TEXT>(entry("SetDefaultFileName"))(h, a.out.c_str());
    set("SetFileNameOptions", h,
        3 + (a.noEmbed ? 0 : int(PDF_FILENAME_EMBED_FONTS)) +
            (a.watermark.empty() ? 0 : int(PDF_FILENAME_WATERMARK)));
    reinterpret_cast<PDF_DRIVER_CALL>(entry("DriverEnd"))(h);
    platform::FreeLibrary(module);

    TextDocument document(lines);
    const BOOL printed = document.DoPrint(FALSE, a.text.c_str());
    // The former default printer comes back whatever happened.
    if (former[0]) DPSetDefaultPrinter(former);
    if (!printed) {
        why = "printing " + a.out + " failed";
        return -1;
    }
    return document.pages;
}

void printPdf(PdfArgs a) {
    StartApplication("pdf", false);
    std::ifstream in(a.text);
    if (!in) Fail("pdf", "cannot read " + a.text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(ToAnsi("pdf", line));
    const std::string shown = a.out;
    a.out = std::filesystem::absolute(a.out).string();
    a.watermark = ToAnsi("pdf", a.watermark);
    std::string why;
    const int pages = printThroughPdfPrinter(a, lines, why);
    if (pages < 0) Fail("pdf", why);
    std::cout << shown << ": " << pages << " page(s)\n";
}

void tourLine(const std::string& what, const std::string& value) {
    std::printf("  %s %s\n", PadToWidth(what, kTourColumn).c_str(), value.c_str());
}

// What a poppler tool prints about the file, or empty when it did not run.
std::string popplerReport(const char* tool, const std::string& file) {
    QProcess process;
    process.start(QString::fromLatin1(tool), {QString::fromStdString(file)});
    if (!process.waitForFinished(10000) || process.exitCode() != 0) return {};
    return process.readAllStandardOutput().toStdString();
}

} // namespace

int RunPdfTour() {
    StartApplication("demo", false);
    const fs::path folder = fs::path(pf::EnsurePrefix()) / "drive_c" / "Tour" / "Pdf";
    std::error_code ec;
    fs::create_directories(folder, ec);
    PdfArgs letter;
    letter.text = "Letter to Anna";
    letter.out = (folder / "letter.pdf").string();
    letter.paper = "a4";
    letter.watermark = "DRAFT";
    const std::vector<std::string> lines = {"Dear Anna,",
                                            "",
                                            "the proofs of the spring catalogue are enclosed.",
                                            "Please mark any changes by Friday.",
                                            "",
                                            "Kind regards,",
                                            "Ben"};
    std::string why;
    const int pages = printThroughPdfPrinter(letter, lines, why);
    tourLine("A4 letter with the watermark \"DRAFT\"",
             pages < 0 ? why : std::to_string(pages) + " page(s) printed");
    if (pages < 0) return 1;
    // The file read back: its page count and size, then each font and whether it is embedded.
    std::istringstream info(popplerReport("pdfinfo", letter.out));
    int failures = 1;
    for (std::string line; std::getline(info, line);) {
        for (const char* field : {"Pages:", "Page size:"})
            if (line.rfind(field, 0) == 0)
                tourLine(std::string("pdfinfo: ") + field,
                         line.substr(line.find_first_not_of(' ', std::strlen(field))));
        if (line.rfind("Pages:", 0) == 0) failures = std::stoi(line.substr(6)) != pages;
    }
    std::istringstream fonts(popplerReport("pdffonts", letter.out));
    std::string line;
    std::getline(fonts, line);
    const size_t embedded = line.find("emb"); // the column of the "emb" heading
    std::getline(fonts, line);                // the rule under the headings
    int fontCount = 0;
    while (std::getline(fonts, line) && line.size() > embedded) {
        tourLine("pdffonts: font",
                 line.substr(0, line.find(' ')) +
                     (line.compare(embedded, 3, "yes") == 0 ? ", embedded" : ", not embedded"));
        ++fontCount;
    }
    return failures + (fontCount == 0);
}

void addPdfCommand(CLI::App& app) {
    auto args = std::make_shared<PdfArgs>();
    CLI::App* pdf = app.add_subcommand("pdf", "Print a text file through the PDF printer");
    pdf->add_option("TEXTFILE", args->text)->required();
    pdf->add_option("OUT", args->out)->required();
    pdf->add_option("--paper", args->paper, "letter, legal, a4 or a3");
    pdf->add_flag("--landscape", args->landscape);
    pdf->add_option("--resolution", args->resolution, "dots per inch");
    pdf->add_option("--watermark", args->watermark, "text on every page");
    pdf->add_flag("--no-embed", args->noEmbed, "leave the fonts out");
    pdf->callback([args] { printPdf(*args); });
}

} // namespace tessaly::cli
