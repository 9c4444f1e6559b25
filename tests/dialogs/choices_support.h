#pragma once
// Running a dialog function under scripts that end it; message boxes are noted and answered.
#include <tessaly/automation.h>
#include <tessaly/collections.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/prefix.h"

namespace choices_test {

using tessaly::automation::Dialog;
using Script = std::function<void(Dialog&)>;

class ScriptedDialogs : public tessaly::testing::PrefixTest {
  protected:
    static constexpr UINT kMessageDialog = 1789;

    void TearDown() override {
        tessaly::automation::SetDialogHandler(nullptr);
        tessaly::automation::SetMessageBoxHandler(nullptr);
        tessaly::automation::SetPrintSetupHandler(nullptr);
    }

    // Each dialog gets the next script (the last repeats); message boxes get their first button.
    template <typename Call> int Run(std::vector<Script> scripts, Call call) {
        opened.clear();
        messages.clear();
        size_t next = 0;
        tessaly::automation::SetDialogHandler([&, scripts](Dialog& d) {
            if (d.TemplateId() == kMessageDialog) {
                messages.push_back(d.GetText(1501));
                d.Click(1785);
                return;
            }
            opened.push_back(static_cast<int>(d.TemplateId()));
            captions.push_back(d.Caption());
            scripts[std::min(next++, scripts.size() - 1)](d);
        });
        tessaly::automation::SetMessageBoxHandler(
            [this](const tessaly::automation::MessageBoxInfo& box) {
                messages.push_back(box.text);
                return 1;
            });
        return call();
    }
    template <typename Call> int Run(Script script, Call call) {
        return Run(std::vector<Script>{std::move(script)}, call);
    }

    std::vector<int> opened;           // template ids of the dialogs seen
    std::vector<std::string> captions; // their window titles
    std::vector<std::string> messages; // texts of the message boxes shown
};

// Scripts that end a dialog.
inline Script Click(int id) {
    return [id](Dialog& d) { EXPECT_TRUE(d.Click(id)) << "button " << id; };
}
inline Script Escape() {
    return [](Dialog& d) { d.PressEscape(); };
}
// Runs the steps, then the closing script.
inline Script Then(std::function<void(Dialog&)> steps, Script end) {
    return [steps, end](Dialog& d) {
        steps(d);
        end(d);
    };
}

// Clicks OK and tells whether the dialog refused to close (the control is still shown).
inline bool OkRefused(Dialog& d, int control) {
    d.Click(IDOK);
    return d.IsVisible(control);
}

// The texts of an array, and an array of texts.
inline std::vector<std::string> Texts(const CStringArray& array) {
    std::vector<std::string> texts;
    for (int i = 0; i < array.GetSize(); ++i)
        texts.push_back(std::string(array[i]));
    return texts;
}
inline void Fill(CStringArray& array, const std::vector<std::string>& texts) {
    for (const std::string& text : texts)
        array.Add(text.c_str());
}

} // namespace choices_test
