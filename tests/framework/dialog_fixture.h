#pragma once
// The dialog tests' fixture: a resource script compiled as the program's, dialogs scripted.
#include <tessaly/automation.h>
#include <tessaly/wnd.h>

#include <gtest/gtest.h>

#include <functional>

#include "support/prefix.h"
#include "support/rc_compile.h"

namespace framework_test {

using tessaly::automation::Dialog;

template <class Base = tessaly::testing::PrefixTest> class TemplateTest : public Base {
  protected:
    TemplateTest(const char* name, const char* script) : name_(name), script_(script) {}
    void SetUp() override {
        Base::SetUp();
        HMODULE module =
            tessaly::testing::CompileResourceModule(this->prefix_.scratch(), name_, script_);
        ASSERT_NE(module, nullptr);
        AfxSetResourceHandle(module);
    }
    void TearDown() override {
        tessaly::automation::SetDialogHandler(nullptr);
        tessaly::automation::SetMessageBoxHandler(nullptr);
        AfxSetResourceHandle(nullptr);
        Base::TearDown();
    }
    // Runs the dialog with the script; a dialog the script leaves open is cancelled.
    int run(CDialog& dialog, const std::function<void(Dialog&)>& script) {
        handlerCalls = 0;
        tessaly::automation::SetDialogHandler([&](Dialog& d) {
            ++handlerCalls;
            script(d);
            if (d.IsOpen()) d.PressEscape();
        });
        return dialog.DoModal();
    }
    int handlerCalls = 0;

  private:
    const char* name_;
    const char* script_;
};

} // namespace framework_test
