#pragma once
// What the document-choice and notice dialogs need of their list, combo and edit controls
// beyond the window's text: items of lists and drop-down lists, and the edit field's change
// and leave notifications.
#include <tessaly/cstring.h>
#include <tessaly/wnd.h>

#include <functional>

namespace tessaly::dialogs::choices {

// List boxes and combo boxes alike. Indexes count from 0; -1 is "none".
int ListAdd(CWnd* list, const char* text);
int ListCount(CWnd* list);
CString ListText(CWnd* list, int index);
int ListCurSel(CWnd* list);
void ListSetCurSel(CWnd* list, int index);
void ListDelete(CWnd* list, int index);

// Calls back when the field's text changes (typed or set) and when the focus leaves it.
void OnEditChange(CWnd* edit, std::function<void()> changed);
void OnEditLeave(CWnd* edit, std::function<void()> left);
// Focuses the field and selects all of its text.
void FocusAndSelectAll(CWnd* edit);

} // namespace tessaly::dialogs::choices
