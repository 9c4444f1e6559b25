// The printer table (prefix printers and a private CUPS scheduler's queues), the default
// printer on the three Windows families, and the device blocks handed to print dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <tessaly/printers.h>

#include "foundation/windows_version.h"
#include "platform/errors.h"
#include "platform/memory.h"
#include "platform/printers.h"
#include "platform/shell.h"
#include "support/prefix.h"
#include "support/print_server.h"
#include "support/run.h"

namespace tessaly::testing {
namespace {

using namespace tessaly::platform;

// A device mode with private bytes 1, 2, ... after it.
std::vector<BYTE> devModeWith(WORD extra, short orientation) {
    std::vector<BYTE> bytes = DefaultDevMode("x");
    for (WORD i = 0; i < extra; ++i)
        bytes.push_back(BYTE(i + 1));
    auto* dm = reinterpret_cast<DEVMODEA*>(bytes.data());
    dm->dmDriverExtra = extra;
    dm->dmOrientation = orientation;
    return bytes;
}

std::string userDevice() {
    return reg::Get(HKEY_CURRENT_USER, kWindowsKey, "Device").c_str();
}

std::string profileDevice() {
    char text[300] = "";
    GetProfileStringA("windows", "device", "", text, sizeof text);
    return text;
}

DEVMODEA settings(short orientation, short paper, short dpi) {
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | (dpi ? DM_PRINTQUALITY : 0);
    dm.dmOrientation = orientation;
    dm.dmPaperSize = paper;
    dm.dmPrintQuality = dpi;
    return dm;
}

class PrefixPrinters : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        UseCupsServer(kNoScheduler);
        ASSERT_TRUE(AddPrefixPrinter("PDF Compatible Printer Driver", "PDF Driver",
                                     "PDF:", devModeWith(8, DMORIENT_LANDSCAPE)));
        ASSERT_TRUE(AddPrefixPrinter("Merrow Driver", "Merrow Fax", "FAX1:", {}));
    }
};

TEST_F(PrefixPrinters, AddingRefusesBadNamesAndDeviceModes) {
    std::vector<BYTE> lying = devModeWith(4, DMORIENT_PORTRAIT);
    lying.resize(sizeof(DEVMODEA)); // says 4 extra bytes, has none
    const struct {
        std::string name;
        std::vector<BYTE> mode;
        DWORD error;
    } rows[] = {{"", {}, ERROR_INVALID_PRINTER_NAME},
                {std::string(221, 'p'), {}, ERROR_INVALID_PRINTER_NAME},
                {"left,right", {}, ERROR_INVALID_PRINTER_NAME},
                {"server\\share", {}, ERROR_INVALID_PRINTER_NAME},
                {"Short", std::vector<BYTE>(100), ERROR_INVALID_PARAMETER},
                {"Lying", lying, ERROR_INVALID_PARAMETER}};
    for (const auto& row : rows) {
        EXPECT_FALSE(AddPrefixPrinter(row.name, "D", "P:", row.mode)) << row.name;
        EXPECT_EQ(GetLastError(), row.error) << row.name;
    }
    EXPECT_TRUE(AddPrefixPrinter(std::string(220, 'p'), "D", "P:", {}));
}

TEST_F(PrefixPrinters, LevelTwoHoldsNamesAndDeviceModeWithItsExtraBytes) {
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA("pdf compatible printer driver", &printer, nullptr));
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterA(printer, 1, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_LEVEL));
    EXPECT_FALSE(GetPrinterA(printer, 2, nullptr, 0, &needed));
    std::vector<BYTE> buffer(needed);
    EXPECT_FALSE(GetPrinterA(printer, 2, buffer.data(), needed - 1, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_TRUE(GetPrinterA(printer, 2, buffer.data(), needed, &needed));
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    EXPECT_EQ(std::string(info->pPrinterName) + "|" + info->pDriverName + "|" + info->pPortName,
              "PDF Compatible Printer Driver|PDF Driver|PDF:");
    ASSERT_EQ(info->pDevMode->dmDriverExtra, 8);
    EXPECT_EQ(info->pDevMode->dmOrientation, DMORIENT_LANDSCAPE);
    const BYTE* extra = reinterpret_cast<const BYTE*>(info->pDevMode) + sizeof(DEVMODEA);
    EXPECT_EQ(std::vector<BYTE>(extra, extra + 8), (std::vector<BYTE>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_LE(extra + 8, buffer.data() + needed);
    // A printer deleted while open fails the next call.
    ASSERT_TRUE(DeletePrefixPrinter("PDF Compatible Printer Driver"));
    EXPECT_FALSE(GetPrinterA(printer, 2, buffer.data(), needed, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINTER_NAME));
    EXPECT_TRUE(ClosePrinter(printer));
    EXPECT_FALSE(ClosePrinter(printer));
}

TEST_F(PrefixPrinters, TheDefaultIsTheUsersDeviceValueAndTheEnumerationsFlag) {
    DWORD size = 100;
    char name[100];
    EXPECT_FALSE(GetDefaultPrinterA(name, &size));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(SetDefaultPrinterA("merrow driver"));
    EXPECT_EQ(userDevice(), "Merrow Driver,winspool,FAX1:");
    EXPECT_EQ(profileDevice(), "Merrow Driver,winspool,FAX1:");
    DWORD needed = 0, returned = 0;
    for (DWORD flags : {PRINTER_ENUM_DEFAULT, PRINTER_ENUM_LOCAL}) {
        EnumPrintersA(flags, nullptr, 2, nullptr, 0, &needed, &returned);
        std::vector<BYTE> buffer(needed);
        ASSERT_TRUE(EnumPrintersA(flags, nullptr, 2, buffer.data(), needed, &needed, &returned));
        const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
        ASSERT_EQ(returned, flags == PRINTER_ENUM_DEFAULT ? 1u : 2u);
        EXPECT_STREQ(info[0].pPrinterName, "Merrow Driver"); // the table is sorted
        EXPECT_EQ(info[0].Attributes & PRINTER_ATTRIBUTE_DEFAULT, 4u);
    }
    // A default printer deleted later is no longer reported.
    ASSERT_TRUE(DeletePrefixPrinter("Merrow Driver"));
    EXPECT_FALSE(GetDefaultPrinterA(name, &size));
}

TEST_F(PrefixPrinters, DocumentPropertiesSizesCopiesAndStoresTheSettings) {
    const char* fax = "Merrow Driver";
    EXPECT_EQ(
        DocumentPropertiesA(nullptr, nullptr, "PDF Compatible Printer Driver", nullptr, nullptr, 0),
        156 + 8);
    EXPECT_EQ(DocumentPropertiesA(nullptr, nullptr, fax, nullptr, nullptr, 0), 156);
    const DEVMODEA in = settings(DMORIENT_LANDSCAPE, DMPAPER_A3, 0);
    DEVMODEA out{}, stored{};
    ASSERT_EQ(DocumentPropertiesA(nullptr, nullptr, fax, &out, &in, DM_IN_BUFFER | DM_OUT_BUFFER),
              1);
    DocumentPropertiesA(nullptr, nullptr, fax, &stored, nullptr, DM_OUT_BUFFER);
    EXPECT_EQ(out.dmPaperSize, DMPAPER_A3);
    EXPECT_EQ(stored.dmPaperSize, 0) << "not stored without DM_UPDATE";
    ASSERT_EQ(DocumentPropertiesA(nullptr, nullptr, fax, nullptr, &in, DM_IN_BUFFER | DM_UPDATE),
              1);
    DocumentPropertiesA(nullptr, nullptr, fax, &stored, nullptr, DM_OUT_BUFFER);
    EXPECT_EQ(stored.dmPaperSize, DMPAPER_A3);
    EXPECT_EQ(stored.dmOrientation, DMORIENT_LANDSCAPE);
}

TEST_F(PrefixPrinters, EachFamilyKeepsTheDefaultInItsOwnPlace) {
    const std::string pdf = "PDF Compatible Printer Driver";
    const struct {
        DWORD platformId, major;
        std::string profile, user;
    } rows[] = {{1, 4, pdf + ",winspool,PDF:", pdf + ",winspool,PDF:"},
                {2, 5, pdf + ",winspool,PDF:", pdf + ",winspool,PDF:"},
                {2, 4, pdf + ",PDF Driver,PDF:", ""},
                {0, 3, "", ""}}; // another platform: nothing done, success
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.platformId) + "." + std::to_string(row.major));
        reg::Put(HKEY_CURRENT_USER, kWindowsKey, "Device", REG_SZ, std::string(1, '\0'));
        WriteProfileStringA("windows", "device", nullptr);
        PresentWindows(row.platformId, row.major, 0);
        std::string name = pdf, unknown = "Nowhere";
        ASSERT_EQ(DPSetDefaultPrinter(name.data()), 1);
        EXPECT_EQ(profileDevice(), row.profile);
        EXPECT_EQ(userDevice(), row.user);
        char buffer[64] = "keep";
        unsigned long size = pdf.size(); // no room for the terminator
        EXPECT_EQ(DPGetDefaultPrinter(buffer, &size), row.platformId ? 0 : 1);
        EXPECT_EQ(size, row.platformId ? pdf.size() + 1 : pdf.size());
        size = sizeof buffer;
        EXPECT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
        EXPECT_STREQ(buffer, row.platformId ? pdf.c_str() : "keep");
        EXPECT_EQ(DPSetDefaultPrinter(unknown.data()), row.platformId ? 0 : 1);
        EXPECT_EQ(DPSetDefaultPrinter(nullptr), 0);
    }
    // NT 4: the name before the first comma of another program's value; driver and port needed.
    PresentWindows(2, 4, 0);
    WriteProfileStringA("windows", "device", "Office Laser,HP Driver,LPT1:");
    char buffer[64];
    unsigned long size = sizeof buffer;
    ASSERT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_EQ(std::string(buffer) + "/" + std::to_string(size), "Office Laser/13");
    ASSERT_TRUE(AddPrefixPrinter("No Port", "Some Driver", "", {}));
    std::string noPort = "No Port";
    EXPECT_EQ(DPSetDefaultPrinter(noPort.data()), 0);
}

TEST_F(PrefixPrinters, FindPrinterAndDeviceBlocks) {
    for (auto [name, found] : {std::pair{"MERROW DRIVER", 1}, {"Merrow", 0}, {"", 0}})
        EXPECT_EQ(FindPrinter(CString(name)), found) << name;
    // The device names block: driver, printer and port after the four offsets.
    std::string pdf = "PDF Compatible Printer Driver";
    HGLOBAL names = nullptr, mode = nullptr;
    ASSERT_EQ(GetPrinterDevice(pdf.data(), &names, &mode), 1);
    EXPECT_EQ(GlobalSize(mode), 156u + 8);
    const auto* dn = static_cast<const DEVNAMES*>(GlobalLock(names));
    const char* base = reinterpret_cast<const char*>(dn);
    EXPECT_EQ(
        std::vector<WORD>({dn->wDriverOffset, dn->wDeviceOffset, dn->wOutputOffset, dn->wDefault}),
        std::vector<WORD>({8, 8 + 11, 8 + 11 + 30, 0}));
    EXPECT_EQ(std::string(base + 8) + "|" + (base + 19) + "|" + (base + 49),
              "PDF Driver|" + pdf + "|PDF:");
    EXPECT_EQ(GlobalSize(names), 49u + 5);
    EXPECT_EQ(GlobalFree(names), nullptr);
    EXPECT_EQ(GlobalFree(mode), nullptr);
    names = mode = nullptr;
    std::string fax = "Merrow Driver", unknown = "Nowhere";
    EXPECT_EQ(GetPrinterDevice(fax.data(), nullptr, &mode), 0);
    EXPECT_EQ(GetPrinterDevice(unknown.data(), &names, &mode), 0);
    EXPECT_TRUE(names == nullptr && mode == nullptr);
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
    static std::string lpoptions(const std::vector<std::string>& arguments) {
        std::vector<std::string> command{"lpoptions"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return RunProgram(command).out;
    }
    inline static PrintServer* server = nullptr;
    inline static std::string queueError;
};

TEST_F(SchedulerPrinters, QueuesJoinTheTableWithDriverPortAndSettings) {
    lpoptions({"-p", "Office", "-o", "media=Letter", "-o", "orientation-requested=4", "-o",
               "printer-resolution=600x300dpi"});
    const struct {
        const char* name;
        short paper, orientation, xDpi, yDpi;
    } rows[] = {{"Office", DMPAPER_LETTER, DMORIENT_LANDSCAPE, 600, 300},
                {"plans", DMPAPER_A3, DMORIENT_PORTRAIT, 0, 0}};
    for (const auto& row : rows) {
        PrinterEntry entry;
        ASSERT_TRUE(LookupPrinter(row.name, entry)) << row.name;
        EXPECT_EQ(entry.driver, "Local Raw Printer");
        EXPECT_EQ(entry.port, "file://" + server->OutputOf(entry.name));
        const auto* dm = reinterpret_cast<const DEVMODEA*>(entry.devMode.data());
        EXPECT_EQ(std::vector<short>(
                      {dm->dmPaperSize, dm->dmOrientation, dm->dmPrintQuality, dm->dmYResolution}),
                  std::vector<short>({row.paper, row.orientation, row.xDpi, row.yDpi}));
    }
    // A prefix printer comes first and wins over a queue of the same name.
    ASSERT_TRUE(AddPrefixPrinter("Office", "Prefix Driver", "LPT1:", {}));
    std::vector<std::string> table;
    for (const PrinterEntry& e : ListPrinters())
        table.push_back(e.name + "|" + e.driver);
    EXPECT_EQ(table, (std::vector<std::string>{"Office|Prefix Driver", "Plans|Local Raw Printer"}));
}

TEST_F(SchedulerPrinters, AQueueMadeDefaultIsTheUsersCupsDefaultAndViceVersa) {
    std::string office = "Office";
    ASSERT_EQ(DPSetDefaultPrinter(office.data()), 1);
    EXPECT_NE(RunProgram({"lpstat", "-d"}).out.find("destination: Office"), std::string::npos);
    EXPECT_EQ(userDevice(), "Office,winspool,file://" + server->OutputOf("Office"));
    // Without a Device value the user's CUPS default counts.
    reg::Put(HKEY_CURRENT_USER, kWindowsKey, "Device", REG_SZ, std::string(1, '\0'));
    lpoptions({"-d", "Plans"});
    char buffer[64];
    unsigned long size = sizeof buffer;
    ASSERT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_STREQ(buffer, "Plans");
}

TEST_F(SchedulerPrinters, StoredSettingsBecomeTheUsersQueueOptions) {
    const DEVMODEA in = settings(DMORIENT_LANDSCAPE, DMPAPER_LEGAL, 300);
    ASSERT_EQ(
        DocumentPropertiesA(nullptr, nullptr, "Plans", nullptr, &in, DM_IN_BUFFER | DM_UPDATE), 1);
    const std::string options = lpoptions({"-p", "Plans"});
    for (const char* option :
         {"media=na_legal_8.5x14in", "orientation-requested=4", "printer-resolution=300dpi"})
        EXPECT_NE(options.find(option), std::string::npos) << option << " in " << options;
}

TEST_F(SchedulerPrinters, TheCommandListsAndSetsTheDefault) {
    ASSERT_TRUE(AddPrefixPrinter("Merrow Driver", "Merrow Fax", "FAX1:", {}));
    const struct {
        std::vector<std::string> arguments;
        int status;
        std::string out;
    } rows[] = {
        {{"printer", "default"}, 1, ""},
        {{"printer", "default", "Nowhere"}, 1, ""},
        {{"printer", "default", "Plans"}, 0, ""},
        {{"printer", "default"}, 0, "Plans\n"},
        {{"printers"},
         0,
         " \tMerrow Driver\tMerrow Fax\tFAX1:\n \tOffice\tLocal Raw Printer\tfile://" +
             server->OutputOf("Office") + "\n*\tPlans\tLocal Raw Printer\tfile://" +
             server->OutputOf("Plans") + "\n"},
        {{"fax", "init-string", "3"}, 0, "AT&FE0V1&C1&D2&K4S0=0\n"},
    };
    for (const auto& row : rows) {
        RunResult run = RunTessaly(row.arguments);
        EXPECT_EQ(std::to_string(run.status) + run.out, std::to_string(row.status) + row.out)
            << row.arguments.back() << run.err;
    }
}

} // namespace
} // namespace tessaly::testing
