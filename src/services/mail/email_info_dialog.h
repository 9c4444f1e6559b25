#pragma once
// The "E-Mail Infomation" dialog (template 191): a display name and an address, shown
// read-only for a resolved recipient or editable for entering a contact.
#include <tessaly/cstring.h>
#include <tessaly/wnd.h>

namespace tessaly::mail {

class CEmailInfoDlg : public CDialog {
  public:
    explicit CEmailInfoDlg(CWnd* parent = nullptr);

    // 0 shows the data read-only (Cancel hidden); nonzero lets the user enter it.
    int m_editable = 0;
    // Window title; empty keeps the template's.
    CString m_caption;
    // Exchanged with control 1277.
    CString m_address;
    // Exchanged with control 1216.
    CString m_displayName;

    // Runs the dialog; on IDOK the fields hold the values the user confirmed.
    using CDialog::DoModal;

  protected:
    BOOL OnInitDialog() override;
    // The address with control 1277, the display name with control 1216.
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
};

} // namespace tessaly::mail
