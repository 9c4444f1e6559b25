#pragma once
// UI automation: a script (a test, the tessaly command) sees each message box as it opens
// and answers it by pressing one of its buttons.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <tessaly/types.h>

namespace tessaly::automation {

struct MessageBoxInfo {
    std::string caption;
    std::string text; // in the ANSI code page, as the library passed it
    UINT type = 0;    // button set and icon bits, as for the system's message box
};

// Called while the box is open; returns the identifier of the button to press (IDOK 1,
// IDCANCEL 2, IDYES 6 ...), or 0 to leave the box to the user. Null removes the handler.
using MessageBoxHandler = std::function<int(const MessageBoxInfo&)>;
TESSALY_API void SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace tessaly::automation

class CDialog;

namespace tessaly::automation {

// A dialog of the framework as a script sees it while it is open. Texts are in the ANSI
// code page, as the library's interface passes them. Control ids are the template's.
struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
};

class TESSALY_API Dialog {
  public:
    explicit Dialog(CDialog& dialog) : dialog_(&dialog) {}

    UINT TemplateId() const; // 0 for a dialog of a named template
    std::string TemplateName() const;
    std::string Caption() const;
    HWND Handle() const;

    // False (and nothing changed) when the dialog has no control of that id.
    bool HasControl(int id) const;
    std::string GetText(int id) const;
    bool SetText(int id, const std::string& text);
    // BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2; -1 for no such control.
    int GetCheck(int id) const;
    bool SetCheck(int id, int state);
    bool IsVisible(int id) const;
    bool IsEnabled(int id) const;
    // The system icon a static icon control shows (32513 stop, 32514 question, 32515
    // exclamation, 32516 information), 0 for none.
    int GetIcon(int id) const;
    // A control's rectangle in pixels in the dialog's client area; id 0: the client area.
    // Empty for no such control.
    Rect GetRect(int id) const;
    // Clicks an enabled, visible button, or follows the first link of a link control, as the
    // user's click would; false when it cannot be clicked.
    bool Click(int id);
    // Presses Escape (the dialog's cancel command).
    void PressEscape();
    // Saves a picture of the dialog; false when it cannot be written.
    bool SavePng(const std::string& path) const;

    // Whether the window has a caption bar.
    bool HasCaption() const;
    // The dialog's client area on the screen.
    Rect ScreenRect() const;
    // The colour of a pixel of the dialog's picture at a point of its client area, as a
    // Windows colour value (0x00BBGGRR); -1 outside the dialog.
    long GetPixel(int x, int y) const;
    // The mouse as the user moves it, at a point of a control (id 0: of the dialog's client
    // area; automation_input.cpp): the cursor goes there and the window under it gets the
    // move, press or release of the left button; a press gives the focus to the control
    // under it that takes the focus by click. False when there is no such control.
    bool MouseMove(int id, int x, int y);
    bool MouseDown(int id, int x, int y);
    bool MouseUp(int id, int x, int y);
    // Lets the dialog run (timers, painting) for that many milliseconds.
    void Wait(int milliseconds);
    // Whether the dialog is still open (not yet ended).
    bool IsOpen() const;
    // The control that has the keyboard focus within the dialog (the one that gets it back
    // when the dialog is active again), 0 for none.
    int GetFocus() const;

    // Every control of the dialog in creation order (several statics may share one id).
    struct Control {
        int id = 0;
        std::string className; // "Button", "Edit", "Static", "ComboBox", "ListBox",
                               // "ScrollBar", "RichEdit", or the template's class name
        DWORD style = 0;       // window and class style bits, as the template gave them
        Rect rect;             // in the dialog's client area
        bool visible = false;
        bool enabled = false;
        std::string text; // as GetText gives it
    };
    std::vector<Control> Controls() const;

    // Items of a list box, combo box or list view (automation_items.cpp; a list view's
    // first column): their texts, the selected item (-1 none or no such control), and
    // selecting one as the user would (-1 clears).
    std::vector<std::string> GetItems(int id) const;
    int GetCurSel(int id) const;
    bool SetCurSel(int id, int index);
    // Moves the keyboard focus to a control, as a click or Tab would; the control that had
    // it is left. False when there is no such control.
    bool SetFocus(int id);

    // The user's mouse and keys on one control (automation_input.cpp). DoubleClick: a
    // double click of the left button at a point of the control (press, release, double
    // click, release). PressKey and TypeText first move the focus to the control, as the
    // user does before typing. PressKey: a key pressed and released in the control, by its
    // virtual key code (VK_UP 0x26, VK_DOWN 0x28, VK_LEFT 0x25, VK_RIGHT 0x27, VK_HOME
    // 0x24, VK_END 0x23, VK_RETURN 0x0D, VK_SPACE 0x20, VK_BACK 0x08, VK_DELETE 0x2E, digits
    // and capital letters). TypeText: the text typed key by key (into an editable combo box's
    // field). GetItemRect: an item of a list box, list view or tree view (items in display order,
    // the children of expanded tree items counted) in the control's coordinates, empty
    // when there is no such item. False, or empty, when there is no such control.
    bool DoubleClick(int id, int x, int y);
    bool PressKey(int id, int virtualKey);
    bool TypeText(int id, const std::string& text);
    Rect GetItemRect(int id, int index) const;

    // ActiveX controls (automation_activex.cpp). The date-and-time picker's value as a
    // date (days since 30 December 1899; false when the control is no picker), and setting
    // it as its value property does.
    bool GetDateValue(int id, double* value) const;
    bool SetDateValue(int id, double value);
    // The folder view: the items under a path (empty: the top level, the special folders
    // and the drives), reading that level when it was not yet read; the selected item's
    // path; and selecting the item of a path as the user would (the view's selection event
    // reaches the dialog). Empty, or false, when there is no such control or path.
    struct FolderItem {
        std::string text; // as shown
        std::string path; // as the control's selection path gives it
    };
    std::vector<FolderItem> GetFolderItems(int id, const std::string& path = std::string()) const;
    std::string GetSelectedFolder(int id) const;
    bool SelectFolder(int id, const std::string& path);

    // Combo boxes, owner-drawn ones in particular (owner_draw_automation.cpp): the items'
    // data (what SetItemData gave, or what AddString stored without CBS_HASSTRINGS); opening
    // and closing the drop-down list as the user would; an item's rectangle in the open list
    // and the colour of a pixel there (a Windows colour value), both in the list's own
    // coordinates: empty and -1 when the list is closed or the point outside it.
    std::vector<ULONG_PTR> GetItemData(int id) const;
    bool ShowDropDown(int id, bool show);
    Rect GetDropDownItemRect(int id, int index) const;
    long GetDropDownPixel(int id, int x, int y) const;

  private:
    CDialog* dialog_;
};

// Called whenever a dialog of the framework opens (after its initialisation, when it is
// shown). The handler may click a button that ends the dialog; when it leaves the dialog
// open, the user answers it. Null removes the handler.
using DialogHandler = std::function<void(Dialog&)>;
TESSALY_API void SetDialogHandler(DialogHandler handler);
// The handler set now (empty when none), so a script can answer some dialogs itself and hand
// the others on.
TESSALY_API DialogHandler GetDialogHandler();

// The print set-up and print dialogs (the framework's, returning a printer device context)
// as a script answers them: cancel, print into a PDF file (the print dialog's "print to
// file", the file dialog then given pdfPath; an empty path cancels the file dialog),
// confirm without a device context coming back, or print on the printer of that name.
// Null removes the handler; without one the user answers.
struct PrintSetupAnswer {
    enum Action { Cancel, PdfFile, NoDevice, Printer };
    Action action = Cancel;
    std::string pdfPath; // PdfFile: the file the pages are written to
    std::string printer; // Printer: the printer's name
};
using PrintSetupHandler = std::function<PrintSetupAnswer()>;
TESSALY_API void SetPrintSetupHandler(PrintSetupHandler handler);

// The framework's file chooser (opening a file) as a script answers it: it sees the filter
// (description and pattern pairs), the initial folder (a Windows path) and the chooser's
// flags, and returns the chosen file's Windows path, or the empty text to cancel. Null
// removes the handler; without one the user answers.
struct FileChooserInfo {
    std::vector<std::pair<std::string, std::string>> filter;
    std::string initialFolder;
    DWORD flags = 0;
};
using FileChooserHandler = std::function<std::string(const FileChooserInfo&)>;
TESSALY_API void SetFileChooserHandler(FileChooserHandler handler);

} // namespace tessaly::automation
