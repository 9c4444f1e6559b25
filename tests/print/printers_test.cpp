// The printer table (prefix printers and a private CUPS scheduler's queues), the default
// printer on the three Windows families, and the device blocks handed to print dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
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

// A device mode with extra private bytes (each set to its index) and the given settings.
std::vector<BYTE> devModeWith(WORD extra, short orientation, short paper) {
    std::vector<BYTE> bytes = DefaultDevMode("x");
    bytes.resize(sizeof(DEVMODEA) + extra);
    for (WORD i = 0; i < extra; ++i)
        bytes[sizeof(DEVMODEA) + i] = BYTE(i + 1);
    auto* dm = reinterpret_cast<DEVMODEA*>(bytes.data());
    dm->dmDriverExtra = extra;
    dm->dmOrientation = orientation;
    dm->dmPaperSize = paper;
    dm->dmFields |= DM_PAPERSIZE;
    return bytes;
}

std::vector<BYTE> levelTwo(HANDLE printer) {
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterA(printer, 2, buffer.data(), needed, &needed)) buffer.clear();
    return buffer;
}

std::string userDevice() {
    return reg::Get(HKEY_CURRENT_USER, kWindowsKey, "Device").c_str();
}

std::string profileDevice() {
    char text[300] = "";
    GetProfileStringA("windows", "device", "", text, sizeof text);
    return text;
}

class PrefixPrinters : public DrivePrefixTest {
  protected:
    void SetUp() override {
        DrivePrefixTest::SetUp();
        UseCupsServer(kNoScheduler);
        ASSERT_TRUE(AddPrefixPrinter("PDF Compatible Printer Driver", "PDF Driver",
                                     "PDF:", devModeWith(8, DMORIENT_LANDSCAPE, DMPAPER_A4)));
        ASSERT_TRUE(AddPrefixPrinter("Merrow Driver", "Merrow Fax", "FAX1:", {}));
    }
};

TEST_F(PrefixPrinters, AddingRefusesBadNamesAndDeviceModes) {
    std::vector<BYTE> shortMode(100, 0);
    std::vector<BYTE> lyingMode = devModeWith(4, DMORIENT_PORTRAIT, DMPAPER_A4);
    lyingMode.resize(sizeof(DEVMODEA)); // says 4 extra bytes, has none
    struct Row {
        std::string name;
        std::vector<BYTE> mode;
        DWORD error;
    } rows[] = {
        {"", {}, ERROR_INVALID_PRINTER_NAME},
        {std::string(221, 'p'), {}, ERROR_INVALID_PRINTER_NAME},
        {"left,right", {}, ERROR_INVALID_PRINTER_NAME},
        {"server\\share", {}, ERROR_INVALID_PRINTER_NAME},
        {"Short", shortMode, ERROR_INVALID_PARAMETER},
        {"Lying", lyingMode, ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows) {
        SetLastError(0);
        EXPECT_FALSE(AddPrefixPrinter(row.name, "D", "P:", row.mode)) << row.name;
        EXPECT_EQ(GetLastError(), row.error) << row.name;
        PrinterEntry entry;
        EXPECT_FALSE(LookupPrinter(row.name, entry)) << row.name;
    }
    EXPECT_TRUE(AddPrefixPrinter(std::string(220, 'p'), "D", "P:", {}));
}

TEST_F(PrefixPrinters, LevelTwoHoldsNamesAndDeviceModeWithItsExtraBytes) {
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA("pdf compatible printer driver", &printer, nullptr));
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterA(printer, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    std::vector<BYTE> small(needed - 1);
    EXPECT_FALSE(GetPrinterA(printer, 2, small.data(), DWORD(small.size()), &needed));
    EXPECT_FALSE(GetPrinterA(printer, 1, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_LEVEL));

    std::vector<BYTE> buffer = levelTwo(printer);
    ASSERT_FALSE(buffer.empty());
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    EXPECT_STREQ(info->pPrinterName, "PDF Compatible Printer Driver");
    EXPECT_STREQ(info->pDriverName, "PDF Driver");
    EXPECT_STREQ(info->pPortName, "PDF:");
    EXPECT_EQ(info->Attributes & PRINTER_ATTRIBUTE_DEFAULT, 0u);
    const BYTE* end = buffer.data() + buffer.size();
    for (const void* p : {(const void*)info->pPrinterName, (const void*)info->pDevMode})
        EXPECT_TRUE(p > (const void*)buffer.data() && p < (const void*)end);
    ASSERT_EQ(info->pDevMode->dmDriverExtra, 8);
    EXPECT_EQ(info->pDevMode->dmOrientation, DMORIENT_LANDSCAPE);
    const BYTE* extra = reinterpret_cast<const BYTE*>(info->pDevMode) + sizeof(DEVMODEA);
    EXPECT_EQ(std::vector<BYTE>(extra, extra + 8), (std::vector<BYTE>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_TRUE(ClosePrinter(printer));
    EXPECT_FALSE(ClosePrinter(printer));
}

TEST_F(PrefixPrinters, OpeningRefusesUnknownEmptyAndOverlongNames) {
    for (const std::string& name : {std::string("Nowhere"), std::string(), std::string(256, 'M')}) {
        HANDLE printer = reinterpret_cast<HANDLE>(1);
        EXPECT_FALSE(OpenPrinterA(name.c_str(), &printer, nullptr)) << name.size();
        EXPECT_EQ(printer, nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINTER_NAME));
    }
}

TEST_F(PrefixPrinters, APrinterThatVanishesFailsTheNextCall) {
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA("Merrow Driver", &printer, nullptr));
    ASSERT_TRUE(DeletePrefixPrinter("Merrow Driver"));
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterA(printer, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINTER_NAME));
    EXPECT_EQ(DocumentPropertiesA(nullptr, printer, nullptr, nullptr, nullptr, 0), -1);
    ClosePrinter(printer);
    EXPECT_FALSE(DeletePrefixPrinter("Merrow Driver"));
}

TEST_F(PrefixPrinters, DefaultPrinterIsTheUsersDeviceValueAndTheEnumerationsFlag) {
    DWORD size = 100;
    char name[100];
    EXPECT_FALSE(GetDefaultPrinterA(name, &size));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(SetDefaultPrinterA("merrow driver"));
    EXPECT_EQ(userDevice(), "Merrow Driver,winspool,FAX1:");
    EXPECT_EQ(profileDevice(), "Merrow Driver,winspool,FAX1:");
    size = 13; // the name's length: no room for its terminator
    EXPECT_FALSE(GetDefaultPrinterA(name, &size));
    EXPECT_EQ(size, 14u);
    EXPECT_TRUE(GetDefaultPrinterA(name, &size));
    EXPECT_STREQ(name, "Merrow Driver");

    DWORD needed = 0, returned = 0;
    EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 2, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed);
    ASSERT_TRUE(
        EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 2, buffer.data(), needed, &needed, &returned));
    ASSERT_EQ(returned, 1u);
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    EXPECT_STREQ(info->pPrinterName, "Merrow Driver");
    EXPECT_NE(info->Attributes & PRINTER_ATTRIBUTE_DEFAULT, 0u);

    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
    buffer.assign(needed, 0);
    ASSERT_TRUE(
        EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &returned));
    EXPECT_EQ(returned, 2u);
    // A default printer deleted later is no longer reported.
    ASSERT_TRUE(DeletePrefixPrinter("Merrow Driver"));
    size = 100;
    EXPECT_FALSE(GetDefaultPrinterA(name, &size));
    EXPECT_FALSE(SetDefaultPrinterA("Nowhere"));
    EXPECT_FALSE(SetDefaultPrinterA(nullptr));
}

TEST_F(PrefixPrinters, DocumentPropertiesSizesCopiesAndStoresTheSettings) {
    EXPECT_EQ(
        DocumentPropertiesA(nullptr, nullptr, "PDF Compatible Printer Driver", nullptr, nullptr, 0),
        LONG(sizeof(DEVMODEA) + 8));
    EXPECT_EQ(DocumentPropertiesA(nullptr, nullptr, "Merrow Driver", nullptr, nullptr, 0),
              LONG(sizeof(DEVMODEA)));
    DEVMODEA in{};
    in.dmSize = sizeof in;
    in.dmFields = DM_ORIENTATION | DM_PAPERSIZE;
    in.dmOrientation = DMORIENT_LANDSCAPE;
    in.dmPaperSize = DMPAPER_A3;
    DEVMODEA out{};
    ASSERT_EQ(DocumentPropertiesA(nullptr, nullptr, "Merrow Driver", &out, &in,
                                  DM_IN_BUFFER | DM_OUT_BUFFER),
              1);
    EXPECT_EQ(out.dmPaperSize, DMPAPER_A3);
    DEVMODEA stored{};
    DocumentPropertiesA(nullptr, nullptr, "Merrow Driver", &stored, nullptr, DM_OUT_BUFFER);
    EXPECT_EQ(stored.dmPaperSize, 0) << "not stored without DM_UPDATE";
    ASSERT_EQ(DocumentPropertiesA(nullptr, nullptr, "Merrow Driver", nullptr, &in,
                                  DM_IN_BUFFER | DM_UPDATE),
              1);
    DocumentPropertiesA(nullptr, nullptr, "Merrow Driver", &stored, nullptr, DM_OUT_BUFFER);
    EXPECT_EQ(stored.dmPaperSize, DMPAPER_A3);
    EXPECT_EQ(stored.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_NE(stored.dmFields & DM_PAPERSIZE, 0u);
}

// ---- The exported functions on the three Windows families ----

struct Family {
    const char* label;
    DWORD platformId;
    DWORD major;
};

class DefaultPrinterFamilies : public PrefixPrinters, public ::testing::WithParamInterface<Family> {
  protected:
    void SetUp() override {
        PrefixPrinters::SetUp();
        PresentWindows(GetParam().platformId, GetParam().major, 0);
    }
};

TEST_P(DefaultPrinterFamilies, SetThenGetGivesTheNameAndSizesFollowTheRule) {
    char name[] = "Merrow Driver";
    ASSERT_EQ(DPSetDefaultPrinter(name), 1);
    char buffer[256] = "";
    unsigned long size = 13;
    EXPECT_EQ(DPGetDefaultPrinter(buffer, &size), 0);
    EXPECT_EQ(size, 14ul);
    size = sizeof buffer;
    ASSERT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_STREQ(buffer, "Merrow Driver");
    EXPECT_EQ(size, 14ul);
    char unknown[] = "Nowhere";
    EXPECT_EQ(DPSetDefaultPrinter(unknown), 0);
    EXPECT_EQ(DPSetDefaultPrinter(nullptr), 0);
}

TEST_P(DefaultPrinterFamilies, EachFamilyKeepsTheDefaultInItsOwnPlace) {
    char name[] = "PDF Compatible Printer Driver";
    ASSERT_EQ(DPSetDefaultPrinter(name), 1);
    const bool nt4 = GetParam().platformId == 2 && GetParam().major < 5;
    EXPECT_EQ(profileDevice(), nt4 ? "PDF Compatible Printer Driver,PDF Driver,PDF:"
                                   : "PDF Compatible Printer Driver,winspool,PDF:");
    EXPECT_EQ(userDevice(), nt4 ? "" : "PDF Compatible Printer Driver,winspool,PDF:");
}

INSTANTIATE_TEST_SUITE_P(Families, DefaultPrinterFamilies,
                         ::testing::Values(Family{"Windows98", 1, 4}, Family{"Windows2000", 2, 5},
                                           Family{"WindowsXP", 2, 5}, Family{"NT4", 2, 4}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(PrefixPrinters, NtFourReadsTheNameBeforeTheFirstCommaAndNeedsDriverAndPort) {
    PresentWindows(2, 4, 0);
    WriteProfileStringA("windows", "device", "Office Laser,HP Driver,LPT1:");
    char buffer[64];
    unsigned long size = sizeof buffer;
    ASSERT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_STREQ(buffer, "Office Laser");
    EXPECT_EQ(size, 13ul);
    ASSERT_TRUE(AddPrefixPrinter("No Port", "Some Driver", "", {}));
    char noPort[] = "No Port";
    EXPECT_EQ(DPSetDefaultPrinter(noPort), 0);
    EXPECT_EQ(profileDevice(), "Office Laser,HP Driver,LPT1:");
    WriteProfileStringA("windows", "device", nullptr);
    size = sizeof buffer;
    // The default ",,," is read: an empty name, copied.
    EXPECT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(size, 1ul);
}

TEST_F(PrefixPrinters, OtherPlatformsDoNothingAndSucceed) {
    PresentWindows(0, 3, 1);
    char buffer[8] = "keep";
    unsigned long size = sizeof buffer;
    EXPECT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_STREQ(buffer, "keep");
    char name[] = "Merrow Driver";
    EXPECT_EQ(DPSetDefaultPrinter(name), 1);
    EXPECT_EQ(userDevice(), "");
}

TEST_F(PrefixPrinters, FindPrinterOpensByName) {
    const struct {
        std::string name;
        int found;
    } rows[] = {{"Merrow Driver", 1},
                {"MERROW DRIVER", 1},
                {"Merrow", 0},
                {"", 0},
                {std::string(300, 'x'), 0}};
    for (const auto& row : rows)
        EXPECT_EQ(FindPrinter(CString(row.name.c_str())), row.found);
}

TEST_F(PrefixPrinters, PrinterDeviceBlocksFollowTheDeviceNamesLayout) {
    struct Row {
        const char* printer;
        const char* driver;
        const char* port;
        size_t modeBytes;
    } rows[] = {{"PDF Compatible Printer Driver", "PDF Driver", "PDF:", 156 + 8},
                {"Merrow Driver", "Merrow Fax", "FAX1:", 156}};
    for (const Row& row : rows) {
        HGLOBAL names = nullptr, mode = nullptr;
        std::string printer = row.printer;
        ASSERT_EQ(GetPrinterDevice(printer.data(), &names, &mode), 1) << row.printer;
        EXPECT_EQ(GlobalSize(mode), row.modeBytes);
        const auto* dm = static_cast<const DEVMODEA*>(GlobalLock(mode));
        EXPECT_EQ(dm->dmSize, 156);
        auto* dn = static_cast<const DEVNAMES*>(GlobalLock(names));
        const char* base = reinterpret_cast<const char*>(dn);
        EXPECT_EQ(dn->wDriverOffset, 8);
        EXPECT_EQ(dn->wDeviceOffset, 8 + std::strlen(row.driver) + 1);
        EXPECT_EQ(dn->wOutputOffset, dn->wDeviceOffset + std::strlen(row.printer) + 1);
        EXPECT_EQ(dn->wDefault, 0);
        EXPECT_STREQ(base + dn->wDriverOffset, row.driver);
        EXPECT_STREQ(base + dn->wDeviceOffset, row.printer);
        EXPECT_STREQ(base + dn->wOutputOffset, row.port);
        EXPECT_EQ(GlobalSize(names), size_t(dn->wOutputOffset + std::strlen(row.port) + 1));
        GlobalUnlock(names);
        GlobalUnlock(mode);
        EXPECT_EQ(GlobalFree(names), nullptr);
        EXPECT_EQ(GlobalFree(mode), nullptr);
    }
    HGLOBAL names = nullptr, mode = nullptr;
    char merrow[] = "Merrow Driver", nowhere[] = "Nowhere";
    EXPECT_EQ(GetPrinterDevice(merrow, nullptr, &mode), 0);
    EXPECT_EQ(GetPrinterDevice(merrow, &names, nullptr), 0);
    EXPECT_EQ(GetPrinterDevice(nowhere, &names, &mode), 0);
    EXPECT_EQ(names, nullptr);
    EXPECT_EQ(mode, nullptr);
}

// ---- Against a real scheduler ----

class SchedulerPrinters : public DrivePrefixTest {
  protected:
    static void SetUpTestSuite() {
        server = new PrintServer;
        if (!server->failure().empty()) return;
        queueError = server->AddQueue("Office", {"-D", "Office laser", "-L", "Room 2"});
        if (queueError.empty())
            queueError = server->AddQueue("Plans", {"-o", "media-default=iso_a3_297x420mm"});
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        DrivePrefixTest::SetUp();
        ASSERT_EQ(server->failure(), "");
        ASSERT_EQ(queueError, "");
        UseCupsServer(server->address());
        PresentWindows(2, 5, 1);
    }
    // The user's CUPS default as lpstat reports it.
    static std::string lpstatDefault() { return RunProgram({"lpstat", "-d"}).out; }

    static PrintServer* server;
    static std::string queueError;
};
PrintServer* SchedulerPrinters::server = nullptr;
std::string SchedulerPrinters::queueError;

TEST_F(SchedulerPrinters, QueuesJoinTheTableWithDriverPortAndSettings) {
    ASSERT_EQ(RunProgram({"lpoptions", "-p", "Office", "-o", "media=Letter", "-o",
                          "orientation-requested=4", "-o", "printer-resolution=600x300dpi"})
                  .status,
              0);
    struct Row {
        const char* name;
        short paper;
        short orientation;
        short xDpi, yDpi;
    } rows[] = {{"Office", DMPAPER_LETTER, DMORIENT_LANDSCAPE, 600, 300},
                {"plans", DMPAPER_A3, DMORIENT_PORTRAIT, 0, 0}};
    for (const Row& row : rows) {
        PrinterEntry entry;
        ASSERT_TRUE(LookupPrinter(row.name, entry)) << row.name;
        EXPECT_TRUE(entry.cups);
        EXPECT_EQ(entry.driver, "Local Raw Printer");
        EXPECT_EQ(entry.port, "file://" + server->OutputOf(entry.name));
        const auto* dm = reinterpret_cast<const DEVMODEA*>(entry.devMode.data());
        EXPECT_EQ(dm->dmPaperSize, row.paper) << row.name;
        EXPECT_EQ(dm->dmOrientation, row.orientation) << row.name;
        EXPECT_EQ(dm->dmPrintQuality, row.xDpi) << row.name;
        EXPECT_EQ(dm->dmYResolution, row.yDpi) << row.name;
    }
    ASSERT_TRUE(AddPrefixPrinter("Merrow Driver", "Merrow Fax", "FAX1:", {}));
    std::vector<std::string> names;
    for (const PrinterEntry& e : ListPrinters())
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Merrow Driver", "Office", "Plans"}));
}

TEST_F(SchedulerPrinters, APrefixPrinterWinsOverAQueueOfTheSameName) {
    ASSERT_TRUE(AddPrefixPrinter("Office", "Prefix Driver", "LPT1:", {}));
    PrinterEntry entry;
    ASSERT_TRUE(LookupPrinter("Office", entry));
    EXPECT_FALSE(entry.cups);
    EXPECT_EQ(entry.driver, "Prefix Driver");
    EXPECT_EQ(ListPrinters().size(), 2u);
}

TEST_F(SchedulerPrinters, SettingAQueueAsDefaultSetsTheUsersCupsDefault) {
    char office[] = "Office";
    ASSERT_EQ(DPSetDefaultPrinter(office), 1);
    EXPECT_NE(lpstatDefault().find("destination: Office"), std::string::npos) << lpstatDefault();
    EXPECT_EQ(userDevice(), "Office,winspool,file://" + server->OutputOf("Office"));
    // Without a Device value the user's CUPS default (set here as lpoptions -d does) counts.
    reg::Put(HKEY_CURRENT_USER, kWindowsKey, "Device", REG_SZ, std::string("", 1));
    ASSERT_EQ(RunProgram({"lpoptions", "-d", "Plans"}).status, 0);
    char buffer[64];
    unsigned long size = sizeof buffer;
    ASSERT_EQ(DPGetDefaultPrinter(buffer, &size), 1);
    EXPECT_STREQ(buffer, "Plans");
}

TEST_F(SchedulerPrinters, StoredSettingsBecomeTheUsersQueueOptions) {
    DEVMODEA in{};
    in.dmSize = sizeof in;
    in.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PRINTQUALITY;
    in.dmOrientation = DMORIENT_LANDSCAPE;
    in.dmPaperSize = DMPAPER_LEGAL;
    in.dmPrintQuality = 300;
    ASSERT_EQ(
        DocumentPropertiesA(nullptr, nullptr, "Plans", nullptr, &in, DM_IN_BUFFER | DM_UPDATE), 1);
    std::string options = RunProgram({"lpoptions", "-p", "Plans"}).out;
    for (const char* option :
         {"media=na_legal_8.5x14in", "orientation-requested=4", "printer-resolution=300dpi"})
        EXPECT_NE(options.find(option), std::string::npos) << option << " in " << options;
    DEVMODEA out{};
    ASSERT_EQ(DocumentPropertiesA(nullptr, nullptr, "Plans", &out, nullptr, DM_OUT_BUFFER), 1);
    EXPECT_EQ(out.dmPaperSize, DMPAPER_LEGAL);
}

TEST_F(SchedulerPrinters, AQueueRemovedBetweenCallsIsGone) {
    ASSERT_EQ(server->AddQueue("Brief"), "");
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA("Brief", &printer, nullptr));
    ASSERT_EQ(server->DeleteQueue("Brief"), "");
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterA(printer, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINTER_NAME));
    ClosePrinter(printer);
    char brief[] = "Brief";
    EXPECT_EQ(DPSetDefaultPrinter(brief), 0);
}

} // namespace
} // namespace tessaly::testing
