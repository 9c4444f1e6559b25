#pragma once
// What the zoom dialog needs of its percent field that the framework does not send: the
// field's leave notification (EN_KILLFOCUS). Its change arrives as EN_CHANGE.
#include <tessaly/controls.h>

#include <functional>

namespace tessaly::dialogs::choices {

// Calls back when the focus leaves the field.
void OnEditLeave(CEdit* edit, std::function<void()> left);

} // namespace tessaly::dialogs::choices
