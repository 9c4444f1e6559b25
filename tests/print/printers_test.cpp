// The printer table (prefix printers and a private CUPS scheduler's queues), the default
// printer on the three Windows families, and the device blocks handed to print dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include <tessaly/messages.h>
#include <tessaly/printers.h>
#include <tessaly/wnd.h>

#include <QWidget>

#include "foundation/windows_version.h"
#include "platform/errors.h"
#include "platform/memory.h"
#include "platform/printers.h"
#include "platform/shell.h"
#include "support/prefix.h"
#include "support/print_server.h"
#include "support/qt_app.h"
#include "support/run.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;

const char kPdf[] = "PDF Compatible Printer Driver";

// A device mode with private bytes 1, 2, ... after it, the fields given set.
std::vector<BYTE> devModeWith(WORD extra, short orientation, short paper = 0, short dpi = 0) {
    std::vector<BYTE> bytes = DefaultDevMode("x");
    for (WORD i = 0; i < extra; ++i)
        bytes.push_back(BYTE(i + 1));
    auto* dm = reinterpret_cast<DEVMODEA*>(bytes.data());
    dm->dmDriverExtra = extra;
    dm->dmOrientation = orientation;
    dm->dmPaperSize = paper;
    dm->dmPrintQuality = dpi;
    dm->dmFields = DM_ORIENTATION | DM_PAPERSIZE | (dpi ? DM_PRINTQUALITY : 0);
    return bytes;
}

DEVMODEA* mode(std::vector<BYTE>& bytes) {
    return reinterpret_cast<DEVMODEA*>(bytes.data());
}

// The user's "Device" value and win.ini's [windows] device=, joined by "/".
std::string devices() {
    char text[300] = "";
    GetProfileStringA("windows", "device", "", text, sizeof text);
    return std::string(reg::Get(HKEY_CURRENT_USER, kWindowsKey, "Device").c_str()) + "/" + text;
}

// A top-level window noting the setting changes it is told of ("(none)" without a text).
struct SettingListener : QWidget {
    std::vector<std::string> told;
    bool event(QEvent* e) override {
        auto* m = dynamic_cast<CWndMessageEvent*>(e);
        if (!m || m->message() != WM_SETTINGCHANGE) return QWidget::event(e);
        told.push_back(m->lParam() ? reinterpret_cast<const char*>(m->lParam()) : "(none)");
        m->setResult(0);
        return true;
    }
};

class PrefixPrinters : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        UseCupsServer(kNoScheduler);
        ASSERT_TRUE(AddPrefixPrinter(kPdf, "PDF Driver", "PDF:", devModeWith(8, 2)));
        ASSERT_TRUE(AddPrefixPrinter("Merrow Driver", "Merrow Fax", "FAX1:", {}));
    }
};

TEST_F(PrefixPrinters, AddingRefusesBadNamesAndDeviceModes) {
    std::vector<BYTE> lying = devModeWith(4, 1);
    lying.resize(sizeof(DEVMODEA)); // says 4 extra bytes, has none
    for (const auto& [name, devMode, error] :
         {std::tuple<std::string, std::vector<BYTE>, DWORD>{
              std::string(221, 'p'), {}, ERROR_INVALID_PRINTER_NAME},
          {"server\\share", {}, ERROR_INVALID_PRINTER_NAME},
          {"Lying", lying, ERROR_INVALID_PARAMETER}}) {
        EXPECT_FALSE(AddPrefixPrinter(name, "D", "P:", devMode));
        EXPECT_EQ(GetLastError(), error) << name;
    }
    EXPECT_TRUE(AddPrefixPrinter(std::string(220, 'p'), "D", "P:", {}));
}

// The public part merges field by field; the private bytes after it go in whole when they
// are the driver's size, in both directions, and are stored only with DM_UPDATE.
TEST_F(PrefixPrinters, DocumentPropertiesTakesBothPartsAndStoresOnUpdate) {
    EXPECT_EQ(DocumentPropertiesA(nullptr, nullptr, kPdf, nullptr, nullptr, 0), 156 + 8);
    EXPECT_EQ(DocumentPropertiesA(nullptr, nullptr, "Merrow Driver", nullptr, nullptr, 0), 156);
    // The private size given and the mode; the paper and first private byte stored after.
    for (auto [extra, how, paper, first] :
         {std::tuple<WORD, DWORD, int, int>{8, DM_IN_BUFFER | DM_OUT_BUFFER, 0, 1},
          {4, DM_IN_BUFFER | DM_UPDATE, DMPAPER_A3, 1},
          {8, DM_IN_BUFFER | DM_UPDATE, DMPAPER_A3, 0xA5}}) {
        std::vector<BYTE> in = devModeWith(extra, 1, DMPAPER_A3), out(164), stored(164);
        mode(in)->dmFields = DM_PAPERSIZE; // the orientation is not taken
        in[156] = 0xA5;
        ASSERT_EQ(DocumentPropertiesA(nullptr, nullptr, kPdf, mode(out), mode(in), how), 1);
        EXPECT_TRUE(!(how & DM_OUT_BUFFER) || out[156] == 0xA5);
        DocumentPropertiesA(nullptr, nullptr, kPdf, mode(stored), nullptr, DM_OUT_BUFFER);
        EXPECT_EQ(
            std::vector<int>({mode(stored)->dmPaperSize, mode(stored)->dmOrientation, stored[156]}),
            std::vector<int>({paper, 2, first}))
            << extra << " " << how;
    }
}

// Each family also tells the top-level windows, but not after a failed change.
TEST_F(PrefixPrinters, EachFamilyKeepsTheDefaultInItsOwnPlaceAndTellsTheWindows) {
    EnsureQtApplication();
    SettingListener window;
    window.show();
    const std::string pdf = kPdf, spooler = pdf + ",winspool,PDF:";
    // The family; the user's value and win.ini's the default is kept in; the texts told.
    const std::tuple<DWORD, DWORD, std::string, std::vector<std::string>> rows[] = {
        {1, 4, spooler + "/" + spooler, {"windows"}},
        {2, 5, spooler + "/" + spooler, {"(none)"}},
        {2, 4, "/" + pdf + ",PDF Driver,PDF:", {"(none)"}},
        {0, 3, "/", {}}}; // another platform: nothing done, success
    char buffer[64];
    unsigned long size = sizeof buffer;
    EXPECT_EQ(DPSetDefaultPrinter(nullptr), 0);
    for (const auto& [platformId, major, kept, told] : rows) {
        SCOPED_TRACE(std::to_string(platformId) + "." + std::to_string(major));
        reg::Put(HKEY_CURRENT_USER, kWindowsKey, "Device", REG_SZ, std::string(1, '\0'));
        WriteProfileStringA("windows", "device", nullptr);
        PresentWindows(platformId, major, 0);
        window.told.clear();
        ASSERT_EQ(DPSetDefaultPrinter(const_cast<char*>(kPdf)), 1);
        EXPECT_EQ(devices(), kept);
        std::strcpy(buffer, "keep");
        size = pdf.size(); // no room for the terminator
        EXPECT_EQ(DPGetDefaultPrinter(buffer, &size), platformId ? 0 : 1);
        EXPECT_EQ(size, platformId ? pdf.size() + 1 : pdf.size());
        size = sizeof buffer;
        EXPECT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
        EXPECT_STREQ(buffer, platformId ? kPdf : "keep");
        EXPECT_EQ(DPSetDefaultPrinter(const_cast<char*>("Nowhere")), platformId ? 0 : 1);
        EXPECT_EQ(window.told, told);
    }
    // NT 4: the name before the first comma of another program's value; driver and port needed.
    PresentWindows(2, 4, 0);
    WriteProfileStringA("windows", "device", "Office Laser,HP Driver,LPT1:");
    ASSERT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_EQ(std::string(buffer) + "/" + std::to_string(size), "Office Laser/13");
    ASSERT_TRUE(AddPrefixPrinter("No Port", "Some Driver", "", {}));
    EXPECT_EQ(DPSetDefaultPrinter(const_cast<char*>("No Port")), 0);
    // NT 5: a default printer deleted later is no longer reported.
    PresentWindows(2, 5, 0);
    ASSERT_EQ(DPSetDefaultPrinter(const_cast<char*>("Merrow Driver")), 1);
    ASSERT_TRUE(DeletePrefixPrinter("Merrow Driver"));
    EXPECT_EQ(DPGetDefaultPrinter(buffer, &size), 0);
}

// The blocks come from the printer's level-2 information: the device mode with its extra
// bytes, the names after the four offsets (the block's size, the strings' places).
TEST_F(PrefixPrinters, FindPrinterDeviceBlocksAndAPrinterThatVanishes) {
    for (auto [name, found] : {std::pair{"MERROW DRIVER", 1}, {"Merrow", 0}, {"", 0}})
        EXPECT_EQ(FindPrinter(CString(name)), found) << name;
    HGLOBAL names = nullptr, devMode = nullptr;
    ASSERT_EQ(
        GetPrinterDevice(const_cast<char*>("pdf compatible printer driver"), &names, &devMode), 1);
    const auto* extra = static_cast<const char*>(GlobalLock(devMode)) + 156;
    EXPECT_EQ(std::string(extra, GlobalSize(devMode) - 156), "\1\2\3\4\5\6\7\x08");
    const auto* dn = static_cast<const DEVNAMES*>(GlobalLock(names));
    const char* base = reinterpret_cast<const char*>(dn);
    EXPECT_EQ(
        std::vector<WORD>({dn->wDriverOffset, dn->wDeviceOffset, dn->wOutputOffset, dn->wDefault}),
        std::vector<WORD>({8, 8 + 11, 8 + 11 + 30, 0}));
    EXPECT_EQ(std::string(base + 8, GlobalSize(names) - 8),
              std::string("PDF Driver\0PDF Compatible Printer Driver\0PDF:", 46));
    GlobalFree(names);
    GlobalFree(devMode);
    names = devMode = nullptr;
    EXPECT_EQ(GetPrinterDevice(const_cast<char*>("Merrow Driver"), nullptr, &devMode), 0);
    EXPECT_EQ(GetPrinterDevice(const_cast<char*>("Nowhere"), &names, &devMode), 0);
    EXPECT_TRUE(names == nullptr && devMode == nullptr);
    // A printer deleted while open fails the next call.
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA(kPdf, &printer, nullptr));
    ASSERT_TRUE(DeletePrefixPrinter(kPdf));
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterA(printer, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINTER_NAME));
    EXPECT_TRUE(ClosePrinter(printer));
    EXPECT_FALSE(ClosePrinter(printer));
}

// ---- Against a real scheduler ----

class SchedulerPrinters : public DrivePrefixTest {
  protected:
    static void SetUpTestSuite() {
        server = new PrintServer;
        if (server->failure().empty()) queueError = server->AddQueue("Office");
        if (queueError.empty())
            queueError = server->AddQueue("Plans", {"-o", "media-default=iso_a3_297x420mm"});
    }
    static void TearDownTestSuite() { delete server; }
    void SetUp() override {
        DrivePrefixTest::SetUp();
        ASSERT_EQ(server->failure() + queueError, "");
        UseCupsServer(server->address());
        PresentWindows(2, 5, 1);
    }
    static std::string lpoptions(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "lpoptions");
        return RunProgram(arguments).out;
    }
    inline static PrintServer* server = nullptr;
    inline static std::string queueError;
};

TEST_F(SchedulerPrinters, QueuesJoinTheTableWithDriverPortAndSettings) {
    lpoptions({"-p", "Office", "-o", "media=Letter", "-o", "orientation-requested=4", "-o",
               "printer-resolution=600x300dpi"});
    // The queue, its paper, orientation and resolution across and down.
    for (auto [name, paper, orientation, xDpi, yDpi] :
         {std::tuple<const char*, short, short, short, short>{"Office", DMPAPER_LETTER,
                                                              DMORIENT_LANDSCAPE, 600, 300},
          {"plans", DMPAPER_A3, DMORIENT_PORTRAIT, 0, 0}}) {
        PrinterEntry entry;
        ASSERT_TRUE(LookupPrinter(name, entry)) << name;
        EXPECT_EQ(entry.driver + "|" + entry.port,
                  "Local Raw Printer|file://" + server->OutputOf(entry.name));
        const auto* dm = mode(entry.devMode);
        EXPECT_EQ(std::vector<short>(
                      {dm->dmPaperSize, dm->dmOrientation, dm->dmPrintQuality, dm->dmYResolution}),
                  std::vector<short>({paper, orientation, xDpi, yDpi}));
    }
}

TEST_F(SchedulerPrinters, TheDefaultAndTheSettingsReachTheUsersCupsOptions) {
    ASSERT_EQ(DPSetDefaultPrinter(const_cast<char*>("Office")), 1);
    EXPECT_NE(RunProgram({"lpstat", "-d"}).out.find("destination: Office"), std::string::npos);
    EXPECT_EQ(devices(), "Office,winspool,file://" + server->OutputOf("Office") + "/Office," +
                             "winspool,file://" + server->OutputOf("Office"));
    // Without a Device value the user's CUPS default counts.
    reg::Put(HKEY_CURRENT_USER, kWindowsKey, "Device", REG_SZ, std::string(1, '\0'));
    lpoptions({"-d", "Plans"});
    char buffer[64];
    unsigned long size = sizeof buffer;
    ASSERT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_STREQ(buffer, "Plans");
    std::vector<BYTE> in = devModeWith(0, DMORIENT_LANDSCAPE, DMPAPER_LEGAL, 300);
    ASSERT_EQ(
        DocumentPropertiesA(nullptr, nullptr, "Plans", nullptr, mode(in), DM_IN_BUFFER | DM_UPDATE),
        1);
    const std::string options = lpoptions({"-p", "Plans"});
    for (const char* option :
         {"media=na_legal_8.5x14in", "orientation-requested=4", "printer-resolution=300dpi"})
        EXPECT_NE(options.find(option), std::string::npos) << option << " in " << options;
}

// A prefix printer comes first and hides a queue of the same name.
TEST_F(SchedulerPrinters, TheCommandListsAndSetsTheDefault) {
    ASSERT_TRUE(AddPrefixPrinter("Office", "Prefix Driver", "LPT1:", {}));
    const std::tuple<std::vector<std::string>, int, std::string> rows[] = {
        {{"printer", "default", "Nowhere"}, 1, ""},
        {{"printer", "default", "Plans"}, 0, ""},
        {{"printer", "default"}, 0, "Plans\n"},
        {{"printers"},
         0,
         " \tOffice\tPrefix Driver\tLPT1:\n*\tPlans\tLocal Raw Printer\tfile://" +
             server->OutputOf("Plans") + "\n"},
    };
    for (const auto& [arguments, status, out] : rows) {
        RunResult run = RunTessaly(arguments);
        EXPECT_EQ(std::to_string(run.status) + run.out, std::to_string(status) + out)
            << arguments.back() << run.err;
    }
}

} // namespace
} // namespace tessaly::testing
