// The fax dialogs driven as the user would, the modem strings and their custom string, the
// fax printer's set-up with a stand-in installer, and the broadcast a default change sends.
#include <QWidget>

#include <filesystem>
#include <string>
#include <vector>

#include <tessaly/automation.h>
#include <tessaly/messages.h>
#include <tessaly/printers.h>
#include <tessaly/wnd.h>

#include "foundation/windows_version.h"
#include "platform/printers.h"
#include "support/environment.h"
#include "support/outside_programs.h"
#include "support/print_server.h"

namespace tessaly::testing {
namespace {

namespace fs = std::filesystem;
const char* const kOptions = "Software\\Varnholt\\Tessaly2001\\Options";

class FaxTest : public OutsideProgramTest {
  protected:
    void SetUp() override {
        OutsideProgramTest::SetUp();
        UseCupsServer(kNoScheduler);
        automation::SetMessageBoxHandler([this](const automation::MessageBoxInfo& box) {
            seen.push_back(box.text);
            return IDOK;
        });
    }
    void TearDown() override {
        automation::SetMessageBoxHandler(nullptr);
        OutsideProgramTest::TearDown();
    }
    std::string storedCustom() {
        return reg::Get(HKEY_CURRENT_USER, kOptions, "Fax Custom Init String").c_str();
    }
};

TEST_F(FaxTest, ModemStringsFollowTheTypeAndTheStoredCustomString) {
    const std::vector<std::string> fixed = {
        "AT&FE0V1&C1&D2S0=0",    "AT&F1E0V1&C1&D2S0=0",   "AT&F1&H3&I2&R2E0V1&C1&D2S0=0",
        "AT&FE0V1&C1&D2&K4S0=0", "AT&FE0V1&C1&D2&E5S0=0", "AT&FE0V1&C1&D2&E4&E11S0=0",
        "AT&FE0V1&C1&D2/Q1S0=0"};
    for (int type = 0; type < 7; ++type)
        EXPECT_EQ(std::string(GetFaxInitString(type)), fixed[type]);
    for (int type : {7, 8, -1})
        EXPECT_EQ(std::string(GetFaxInitString(type)), "") << type;
    PutRegText(HKEY_CURRENT_USER, kOptions, "Fax Custom Init String", "ATZ&K3");
    EXPECT_EQ(std::string(GetFaxInitString(7)), "ATZ&K3");
    EXPECT_EQ(std::string(GetFaxInitString(8)), "");
}

TEST_F(FaxTest, EachDialogShowsItsTemplateAndEndsWithTheButtonPressed) {
    const struct {
        std::function<int()> show;
        int button;
        int result;
        std::string dialog;
    } rows[] = {
        {ShowFaxSuccessfulDlg, IDOK, 1, "23016"},
        {ShowFaxSuccessfulDlg, IDCANCEL, 2, "23016"},
        {ShowFaxInfoDlg, IDOK, 1, "23017"},
        {ShowFaxNeedFiles, IDCANCEL, 2, "23014"},
        {[] { return ShowFaxErrorDlg(23020, "fax.chm"); }, IDOK, 1, "23020"},
        {[] { return ShowFaxModemDiagnosticsDlg(2, "fax.chm"); }, IDCANCEL, 2, "23030"},
    };
    for (const auto& row : rows) {
        Expect({row.button});
        EXPECT_EQ(row.show(), row.result) << row.dialog;
        EXPECT_TRUE(Seen({row.dialog}));
    }
    Expect({});
    EXPECT_EQ(ShowFaxErrorDlg(4242, "fax.chm"), -1) << "a template that does not exist";
}

TEST_F(FaxTest, ButtonsOpenTheHelpFileTheControlPanelAndTheDownloadPage) {
    Associate(".chm", "chm.file", "helpviewer");
    for (const char* help : {"Merrow.chm", "Diag.chm"})
        WriteFile(install + "/" + help, "help");
    const std::string bin = prefix_.scratch() + "/bin";
    fs::create_directories(bin);
    Recorder(bin + "/Control.exe", "control");
    ScopedEnv path("PATH", bin + ":" + std::getenv("PATH"));
    const struct {
        std::function<int()> show;
        std::deque<int> clicks;
        Strings runs;
    } rows[] = {
        {[] { return ShowFaxErrorDlg(23018, "Merrow.chm"); },
         {1008, IDOK},
         {"run helpviewer", "arg C:\\Orvo\\Merrow.chm"}},
        {[] { return ShowFaxModemDiagnosticsDlg(0, "Diag.chm"); },
         {1008, IDCANCEL},
         {"run helpviewer", "arg C:\\Orvo\\Diag.chm"}},
        {[] { return ShowFaxModemDiagnosticsDlg(0, "Diag.chm"); },
         {603, IDCANCEL},
         {"run control"}},
        {[] { return ShowFaxModemDiagnosticsDlg(0, "Diag.chm"); },
         {1234, IDCANCEL},
         {"run control", "arg modem.CPL"}},
        {ShowFaxNeedFiles,
         {IDOK},
         {"run browser", "arg https://www.varnholt.com/download/faxdriver.htm"}},
    };
    for (const auto& row : rows) {
        Expect(row.clicks);
        row.show();
        EXPECT_EQ(RunsAfter(row.runs.size()), row.runs);
    }
}

TEST_F(FaxTest, TheInitStringDialogEnablesTheFieldForTheCustomTypeAndStoresIt) {
    PutRegText(HKEY_CURRENT_USER, kOptions, "Fax Custom Init String", "ATOLD");
    struct Row {
        int typeIn;
        std::function<void(automation::Dialog&)> script;
        int result, typeOut;
        std::string stored;
    } rows[] = {
        // Opening with type 7: the field is enabled and holds the stored string.
        {7,
         [](automation::Dialog& d) {
             EXPECT_EQ(d.GetCheck(1778), 1);
             EXPECT_TRUE(d.IsEnabled(1770));
             EXPECT_EQ(d.GetText(1770), "ATOLD");
             d.SetText(1770, "ATNEW&K4");
             d.Click(IDOK);
         },
         1, 7, "ATNEW&K4"},
        // Another type: the field is disabled, nothing is stored.
        {0,
         [](automation::Dialog& d) {
             EXPECT_FALSE(d.IsEnabled(1770));
             d.Click(1167);
             EXPECT_EQ(d.GetCheck(1167), 1);
             d.Click(IDOK);
         },
         1, 3, "ATNEW&K4"},
        // Clicking the custom button enables the field, another disables it again.
        {2,
         [](automation::Dialog& d) {
             d.Click(1778);
             EXPECT_TRUE(d.IsEnabled(1770));
             d.Click(1775);
             EXPECT_FALSE(d.IsEnabled(1770));
             d.PressEscape();
         },
         2, 4, "ATNEW&K4"},
    };
    for (Row& row : rows) {
        automation::SetDialogHandler([&](automation::Dialog& d) {
            EXPECT_EQ(d.TemplateId(), 23029u);
            EXPECT_EQ(d.Caption(), "Change modem configuration string....");
            row.script(d);
        });
        int type = row.typeIn;
        EXPECT_EQ(ShowFaxInitStringDlg(type), row.result) << row.typeIn;
        EXPECT_EQ(type, row.typeOut) << row.typeIn;
        EXPECT_EQ(storedCustom(), row.stored) << row.typeIn;
    }
}

TEST_F(FaxTest, DiagnosticsChangeTheModemTypeOnlyWhileOpen) {
    std::vector<int> checked;
    automation::SetDialogHandler([&](automation::Dialog& d) {
        if (d.TemplateId() == 23030) {
            d.Click(609); // the first choice: type 5 picked
            d.Click(609); // the second shows the type held since
            d.Click(IDCANCEL);
            return;
        }
        for (int id : {1771, 1772, 1773, 1167, 1775, 1776, 1777, 1778})
            if (d.GetCheck(id) == 1) checked.push_back(id);
        d.Click(1776);
        d.Click(IDOK);
    });
    EXPECT_EQ(ShowFaxModemDiagnosticsDlg(1, "Diag.chm"), 2);
    EXPECT_EQ(checked, (std::vector<int>{1772, 1776}));
    EXPECT_EQ(storedCustom(), "");
}

TEST_F(FaxTest, SettingUpTheFaxDriverMakesItDefaultOrRunsTheInstaller) {
    PresentWindows(2, 5, 1);
    // No installer: the driver files dialog.
    Expect({IDCANCEL});
    EXPECT_EQ(OnSetFaxDriver(), 0);
    EXPECT_TRUE(Seen({"23014"}));

    // The installer: the notice, then the installer runs with the fax program and printer;
    // without the fax program its short path fails: the error, and an empty path.
    fs::create_directories(install + "/FaxPrinters");
    fs::copy_file(FAX_INSTALLER, install + "/FaxPrinters/faxinstall.exe");
    const std::string installLog = prefix_.scratch() + "/install.log";
    ScopedEnv logEnv("FAX_INSTALL_LOG", installLog);
    const std::string notice =
        "I will install fax driver for you. After finished, please try again.";
    const struct {
        bool program;
        Strings messages;
        Strings arguments;
    } rows[] = {
        {false, {notice, "Error: 2"}, {"arg Merrow", "arg Merrow Driver"}},
        {true, {notice}, {"arg Merrow", "arg C:\\Orvo\\Merrow.exe", "arg Merrow Driver"}},
    };
    for (const auto& row : rows) {
        if (row.program) WriteFile(install + "/Merrow.exe", "fax program");
        ASSERT_TRUE(!FindPrinter("Merrow Driver") ||
                    platform::DeletePrefixPrinter("Merrow Driver"));
        fs::remove(installLog);
        Expect({});
        EXPECT_EQ(OnSetFaxDriver(), 0);
        EXPECT_EQ(seen, row.messages);
        EXPECT_EQ(RunsAfter(row.arguments.size(), installLog), row.arguments);
        for (int i = 0; i < 100 && !FindPrinter("Merrow Driver"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    // Present: made default, the installer is not run again.
    fs::remove(installLog);
    Expect({});
    EXPECT_EQ(OnSetFaxDriver(), 1);
    char name[64];
    unsigned long size = sizeof name;
    ASSERT_EQ(DPGetDefaultPrinter(name, &size), 1);
    EXPECT_STREQ(name, "Merrow Driver");
    EXPECT_TRUE(seen.empty());
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(installLog));
}

// A top-level window noting the setting changes it is told about.
class SettingListener : public QWidget {
  public:
    std::vector<std::string> sections;

  protected:
    bool event(QEvent* e) override {
        if (e->type() == CWndMessageEvent::EventType()) {
            auto* m = static_cast<CWndMessageEvent*>(e);
            if (m->message() == WM_SETTINGCHANGE) {
                const char* text = reinterpret_cast<const char*>(m->lParam());
                sections.push_back(text ? text : "(none)");
                m->setResult(0);
                return true;
            }
        }
        return QWidget::event(e);
    }
};

TEST_F(FaxTest, ChangingTheDefaultTellsTheTopLevelWindows) {
    ASSERT_TRUE(platform::AddPrefixPrinter("Merrow Driver", "Merrow Fax", "FAX1:", {}));
    SettingListener window;
    window.show();
    char name[] = "Merrow Driver";
    const struct {
        DWORD platformId, major;
        std::string section;
    } rows[] = {{1, 4, "windows"}, {2, 5, "(none)"}, {2, 4, "(none)"}};
    for (const auto& row : rows) {
        PresentWindows(row.platformId, row.major, 0);
        window.sections.clear();
        ASSERT_EQ(DPSetDefaultPrinter(name), 1);
        EXPECT_EQ(window.sections, Strings{row.section}) << row.platformId << "." << row.major;
    }
    window.sections.clear();
    char unknown[] = "Nowhere";
    EXPECT_EQ(DPSetDefaultPrinter(unknown), 0);
    EXPECT_TRUE(window.sections.empty());
}

} // namespace
} // namespace tessaly::testing
