// Recipient verification: the mail composer's recipient field turned into display names and
// addresses (resolved entries as they are, lists expanded, typed text looked up among the
// contacts), and the read-only address information dialog.
#include <tessaly/mail.h>

#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "mail/contact_lookup.h"
#include "mail/email_info_dialog.h"
#include "resource.h"

namespace {

using tessaly::mail::ColumnText;

void showInvalidAddress(const CString& text) {
    CString message;
    message.FormatMessage(static_cast<UINT>(IDS_MAIL_ADDRESS_INVALID), text.GetString());
    tessaly::framework::AfxMessageBox(message, MB_OK);
}

// One entry of the field; false stops the verification (the message was shown).
bool verifyEntry(const CString& entry, UINT code, mysqlpp::Connection& connection,
                 CStringArray& names, CStringArray& addresses) {
    if (code == 0) {
        CString name, address;
        GetEmailParts(entry, name, address);
        if (address.IsEmpty()) return true;
        names.Add(name);
        addresses.Add(address);
        return true;
    }
    if (code == 1) {
        const auto lists = tessaly::mail::ListByName(connection, entry);
        if (lists.empty()) return true;
        CStringArray memberNames, memberAddresses, memberIds, contactIds;
        CUIntArray flags;
        if (tessaly::mail::ReadListMembers(ColumnText(lists[0], "RecordID"), connection,
                                           memberNames, memberAddresses, memberIds, contactIds,
                                           flags)) {
            for (int i = 0; i < memberNames.GetSize(); ++i) {
                names.Add(memberNames[i]);
                addresses.Add(memberAddresses[i]);
            }
        }
        return true;
    }
    CString name, address;
    GetEmailParts(entry, name, address);
    if (address.IsEmpty()) {
        if (name.IsEmpty()) return true;
        const auto contacts = tessaly::mail::ContactByName(connection, name);
        if (contacts.empty()) {
            showInvalidAddress(name);
            return false;
        }
        // The name as the user typed it, with the contact's address.
        names.Add(name);
        addresses.Add(ColumnText(contacts[0], "Address"));
        return true;
    }
    if (!IsValidEMailAddress(address)) {
        showInvalidAddress(address);
        return false;
    }
    const auto contacts = tessaly::mail::ContactByAddress(connection, address);
    names.Add(contacts.empty() ? address : ColumnText(contacts[0], "Name"));
    addresses.Add(address);
    return true;
}

} // namespace

int VerifyMailAddress(HWND field, mysqlpp::Connection& connection, CStringArray& names,
                      CStringArray& addresses, CCriticalSection*) {
    tessaly::framework::ManageModuleState state;
    names.RemoveAll();
    addresses.RemoveAll();
    QWidget* widget = CWnd::WidgetOf(field);
    if (!widget) return 0;
    CRichEditCtrl recipients(widget);
    CStringArray entries;
    CUIntArray codes;
    ParseAddressFromEdit(&recipients, entries, codes);
    if (entries.GetSize() == 0) return 0;
    try {
        for (int i = 0; i < entries.GetSize(); ++i) {
            const UINT code = i < codes.GetSize() ? codes[i] : 2;
            if (!verifyEntry(entries[i], code, connection, names, addresses)) return 0;
        }
    } catch (const tessaly::mail::DatabaseError& error) {
        tessaly::mail::ShowDatabaseError(error);
        return 0;
    }
    return 1;
}

int VerifyMailAddress(HWND field, mysqlpp::Connection* connection, CStringArray& names,
                      CStringArray& addresses, CCriticalSection* lock) {
    if (!connection) {
        names.RemoveAll();
        addresses.RemoveAll();
        return 0;
    }
    return VerifyMailAddress(field, *connection, names, addresses, lock);
}

int ShowAddressInfoDlg(const char* caption, const char* entry, mysqlpp::Connection* connection) {
    tessaly::framework::ManageModuleState state;
    const tessaly::mail::ResolvedEntry resolved =
        tessaly::mail::ResolveAddressEntry(CString(entry), connection);
    tessaly::mail::CEmailInfoDlg dialog;
    dialog.m_editable = 0;
    dialog.m_caption = caption;
    dialog.m_displayName = resolved.name;
    dialog.m_address = resolved.address;
    return static_cast<int>(dialog.DoModal());
}

int ShowAddressInfoDlg(const char* caption, const char* entry, mysqlpp::Connection& connection) {
    return ShowAddressInfoDlg(caption, entry, &connection);
}
