// The distribution-list store: contacts, lists and list members in the mail client's
// database, reached through the caller's MySQL++ connection by the mail store module. Every
// statement runs under a lock of its one table; values are quoted with the companion library's
// escaping.
#include <tessaly/mail.h>

#include <ctime>

#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "framework/widgets/message_box.h"
#include "mail/contact_lookup.h"
#include "resource.h"

namespace tessaly::mail {

namespace {

// A value escaped for use between single quotes.
std::string E(const CString& value) {
    return tessaly::companion::EscapeQuotation(value).str();
}
std::string E(const char* value) {
    return E(CString(value));
}

} // namespace

Result ContactByName(mysqlpp::Connection& connection, const CString& name) {
    return ReadLocked(connection, "MainAddr",
                      "select * from `MainAddr` where upper(`Name`)='" + E(name) + "';");
}

Result ContactByAddress(mysqlpp::Connection& connection, const CString& address) {
    return ReadLocked(connection, "MainAddr",
                      "select * from `MainAddr` where upper(`Address`)='" + E(address) + "';");
}

Result ListByName(mysqlpp::Connection& connection, const CString& listName) {
    return ReadLocked(connection, "DistList",
                      "select * from `DistList` where upper(`LstName`)='" + E(listName) + "';");
}

int ReadListMembers(const CString& listId, mysqlpp::Connection& connection, CStringArray& names,
                    CStringArray& addresses, CStringArray& memberIds, CStringArray& contactIds,
                    CUIntArray& flags) {
    const Result members =
        ReadLocked(connection, "DistMembers",
                   "select * from `DistMembers` where `LstRec`='" + E(listId) + "';");
    int count = 0;
    std::vector<std::string> staleRemovals;
    for (const Row& member : members) {
        const CString memberId = ColumnText(member, "RecordID");
        const int flag = atoi(ColumnText(member, "IsCont"));
        const CString contactId = ColumnText(member, "ContRec");
        if (flag != 0) {
            const Result contact =
                ReadLocked(connection, "MainAddr",
                           "select * from `MainAddr` where `RecordID`='" + E(contactId) + "';");
            if (contact.empty()) {
                // The contact is gone: the member row is removed below.
                staleRemovals.push_back("delete from `DistMembers` where `ContRec`='" +
                                        E(contactId) + "' and `RecordID`='" + memberId.str() +
                                        "';");
                ++count;
                continue;
            }
            names.Add(ColumnText(contact[0], "Name"));
            addresses.Add(ColumnText(contact[0], "Address"));
        } else {
            names.Add(ColumnText(member, "Name"));
            addresses.Add(ColumnText(member, "email"));
        }
        memberIds.Add(memberId);
        contactIds.Add(contactId);
        flags.Add(static_cast<UINT>(flag));
        ++count;
    }
    if (count == 0) return 0;
    if (!staleRemovals.empty()) WriteLocked(connection, "DistMembers", staleRemovals);
    return 1;
}

ResolvedEntry ResolveAddressEntry(const CString& entry, mysqlpp::Connection* connection) {
    ResolvedEntry resolved;
    const int open = entry.Find('[');
    if (open >= 0) {
        resolved.name = entry.Left(open);
        resolved.name.Trim();
        const int close = entry.Find(']');
        if (close >= 0) {
            // "Name [address]" is taken as written; a "]" before the "[" leaves no address.
            if (close > open) {
                resolved.address = entry.Mid(open + 1, close - open - 1);
                resolved.address.Trim();
            }
            return resolved;
        }
    } else if (entry.Find('@') >= 0) {
        resolved.address = entry;
    } else {
        resolved.name = entry;
    }
    if (!connection) return resolved;
    try {
        if (!resolved.name.IsEmpty()) {
            const auto rows = ContactByName(*connection, resolved.name);
            if (!rows.empty()) resolved.address = ColumnText(rows[0], "Address");
        } else {
            const auto rows = ContactByAddress(*connection, resolved.address);
            if (!rows.empty()) resolved.name = ColumnText(rows[0], "Name");
        }
    } catch (const DatabaseError& error) {
        ShowDatabaseError(error);
    }
    return resolved;
}

void ShowDatabaseError(const DatabaseError& error) {
    tessaly::framework::ManageModuleState state;
    CString message;
    message.FormatMessage(static_cast<UINT>(IDS_DATABASE_ERROR), error.what.c_str(), error.number);
    tessaly::framework::AfxMessageBox(message, MB_OK);
}

} // namespace tessaly::mail

using tessaly::mail::ColumnText;
using tessaly::mail::E;
using tessaly::mail::ReadLocked;
using tessaly::mail::Result;
using tessaly::mail::ShowDatabaseError;
using tessaly::mail::WriteLocked;

namespace {
constexpr int kDuplicateEntry = 1062; // the server's ER_DUP_ENTRY
}

int FillDistributionList(mysqlpp::Connection& connection, CListCtrl* list, CCriticalSection*,
                         CString folderId) {
    tessaly::framework::ManageModuleState state;
    if (!list) return 0;
    int inserted = 0;
    try {
        const Result lists =
            ReadLocked(connection, "DistList",
                       "select * from `DistList` where `FolderID`='" + E(folderId) + "';");
        list->SetItemCountEx(lists.empty() ? 0 : 1);
        for (const auto& row : lists) {
            std::string name = ColumnText(row, "LstName").str();
            LVITEM item;
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = 0;
            item.pszText = name.data();
            item.iImage = 0;
            const int index = list->InsertItem(&item);
            if (index < 0) continue; // a control that takes no items gets no key strings
            // The caller owns the key strings and frees them with the list.
            list->SetItemData(
                index, reinterpret_cast<DWORD_PTR>(new CString(ColumnText(row, "RecordID"))));
            ++inserted;
        }
    } catch (const tessaly::mail::DatabaseError& error) {
        ShowDatabaseError(error);
        return 0;
    }
    return inserted > 0 ? 1 : 0;
}

int FillDistributionList(mysqlpp::Connection* connection, CListCtrl* list, CCriticalSection* lock,
                         CString folderId) {
    return connection ? FillDistributionList(*connection, list, lock, folderId) : 0;
}

int GetDistListMember(CString listId, mysqlpp::Connection& connection, CStringArray& names,
                      CStringArray& addresses, CStringArray& memberIds, CStringArray& contactIds,
                      CUIntArray& contactFlags, CCriticalSection*) {
    tessaly::framework::ManageModuleState state;
    try {
        return tessaly::mail::ReadListMembers(listId, connection, names, addresses, memberIds,
                                              contactIds, contactFlags);
    } catch (const tessaly::mail::DatabaseError& error) {
        ShowDatabaseError(error);
        return 0;
    }
}

int GetDistListMember(CString listId, mysqlpp::Connection* connection, CStringArray& names,
                      CStringArray& addresses, CStringArray& memberIds, CStringArray& contactIds,
                      CUIntArray& contactFlags, CCriticalSection* lock) {
    if (!connection) return 0;
    return GetDistListMember(listId, *connection, names, addresses, memberIds, contactIds,
                             contactFlags, lock);
}

int OnEditDistListLabel(mysqlpp::Connection& connection, CListCtrl* list, const char* label,
                        int item, CCriticalSection*, CString folderId) {
    tessaly::framework::ManageModuleState state;
    if (!list || item < 0 || item >= list->GetItemCount()) return 0;
    auto* key = reinterpret_cast<CString*>(list->GetItemData(item));
    if (!key) return 0;
    std::string statement;
    if (key->IsEmpty()) {
        // A list not yet stored: the item carries its new key from now on.
        *key = tessaly::companion::CreateGUIDCString(1);
        statement = "insert into `DistList` (`RecordID`,`FolderID`,`LstName`) values ('" +
                    key->str() + "','" + folderId.str() + "','" + E(label) + "')";
    } else {
        statement = "update `DistList` set `LstName`='" + E(label) + "' where `RecordID`='" +
                    key->str() + "';";
    }
    try {
        WriteLocked(connection, "DistList", {statement});
    } catch (const tessaly::mail::DatabaseError& error) {
        ShowDatabaseError(error);
        return 0;
    }
    return 1;
}

int OnEditDistListLabel(mysqlpp::Connection* connection, CListCtrl* list, const char* label,
                        int item, CCriticalSection* lock, CString folderId) {
    return connection ? OnEditDistListLabel(*connection, list, label, item, lock, folderId) : 0;
}

int AddNewContact(const char* name, const char* address, mysqlpp::Connection& connection,
                  CString recordId, CCriticalSection*, CString folderId) {
    tessaly::framework::ManageModuleState state;
    CString upperName(name);
    upperName.MakeUpper();
    CString upperAddress(address);
    upperAddress.MakeUpper();
    bool checked = false;
    try {
        const Result existing =
            ReadLocked(connection, "MainAddr",
                       "select * from `MainAddr` where UPPER(`Address`)='" + E(upperAddress) +
                           "' and UPPER(`Name`)='" + E(upperName) + "'");
        if (!existing.empty()) return 0;
        checked = true;
        char created[32] = {};
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        std::strftime(created, sizeof created, "%Y-%m-%d %H:%M:%S", &local);
        WriteLocked(connection, "MainAddr",
                    {"insert into `MainAddr`  (`RecordID`,`FolderID`,`Name`,`Address`,`first_dt`,"
                     "`hot`) values ('" +
                     recordId.str() + "','" + folderId.str() + "','" + E(name) + "','" +
                     E(upperAddress) + "','" + created + "',-1);"});
    } catch (const tessaly::mail::DatabaseError& error) {
        // On a shared server another client may insert the same contact between the check and
        // the insert; the server's unique key refuses the second, which then ends as a check
        // finding the contact would have: 0, no message, and the table lock released.
        if (checked && error.number == kDuplicateEntry) {
            tessaly::mail::Unlock(connection);
            return 0;
        }
        ShowDatabaseError(error);
        return 0;
    }
    return 1;
}

int AddNewContact(const char* name, const char* address, mysqlpp::Connection* connection,
                  CString recordId, CCriticalSection* lock, CString folderId) {
    return connection ? AddNewContact(name, address, *connection, recordId, lock, folderId) : 0;
}
