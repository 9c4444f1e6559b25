#pragma once
// The library's dialog family: CSkinDialog, a dialog without a caption bar on a pale yellow
// rounded background that the user drags by its background, and CSkinButton, the owner-drawn
// push button it puts on its OK and Cancel buttons.
//
// Declared here because the public printable dialog (tessaly/print.h) derives from it. Its
// members stay inside the library: a calling program reaches them only through CPrintableDlg,
// which overrides every virtual function the family overrides, so a caller's class derived
// from it links against the exported CPrintableDlg alone.
//
// A dialog of the family derives from CSkinDialog and calls CSkinDialog::OnInitDialog()
// first in its own OnInitDialog (the controls exist by then).
#include <tessaly/controls.h>
#include <tessaly/gdi.h>
#include <tessaly/wnd.h>

#include <memory>

namespace tessaly::dialogs {

// An owner-drawn push button: flat grey frame, raised frame while the cursor is over it,
// light frame while pressed, caption centred on one line in "Small Fonts" 7 pt, focus
// rectangle when focused. A double click sends the same command as a click.
class CSkinButton : public CButton {
  public:
    CSkinButton();
    ~CSkinButton() override;

    // Makes the parent's push button with that id owner-drawn by this object and tracks the
    // mouse over it. False when the parent has no push button of that id. DDX_Control binds
    // it the same way.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    BOOL IsHovering() const;
    void SetFaceColor(COLORREF color);
    void SetTextColor(COLORREF color);

    void DrawItem(DRAWITEMSTRUCT* item) override;

  protected:
    // The hover check's timer.
    void OnTimer(UINT_PTR id) override;
    // Installs the owner drawing and hover tracking on the push button just bound.
    void PreSubclassWindow() override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class CSkinDialog : public CDialog {
  public:
    explicit CSkinDialog(UINT templateId, CWnd* parent = nullptr);
    explicit CSkinDialog(const char* templateName, CWnd* parent = nullptr);
    ~CSkinDialog() override;

    // The background colour of the dialog and of its children (edits, lists, statics).
    // Set before DoModal or during OnInitDialog.
    void SetBackgroundColor(COLORREF color);
    COLORREF GetBackgroundColor() const;
    // Whether a left button press on the background drags the dialog (set by default).
    void SetDraggable(BOOL draggable);

  protected:
    // Removes the caption bar, paints the skin, binds the skin buttons to controls 1 and 2
    // (when the template has them) and starts watching for drags.
    BOOL OnInitDialog() override;
    // The drag timer (11); a derived dialog's own timers go to CDialog's.
    void OnTimer(UINT_PTR id) override;

    CSkinButton m_okButton;     // control 1
    CSkinButton m_cancelButton; // control 2

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace tessaly::dialogs
