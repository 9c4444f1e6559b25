#pragma once
// What the zoom dialog needs of its percent field that the edit control class does not
// offer: the field's change and leave notifications (EN_CHANGE, EN_KILLFOCUS).
#include <tessaly/controls.h>

#include <functional>

namespace tessaly::dialogs::choices {

// Calls back when the field's text changes (typed or set) and when the focus leaves it.
void OnEditChange(CEdit* edit, std::function<void()> changed);
void OnEditLeave(CEdit* edit, std::function<void()> left);

} // namespace tessaly::dialogs::choices
