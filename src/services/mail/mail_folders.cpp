// The mail client's sixteen built-in folders (identifiers, numbers, display names) and the
// mail folders on disk.
#include <tessaly/foundation.h>
#include <tessaly/mail.h>

#include <cstring>
#include <iterator>

#include "foundation/companion.h"
#include "framework/core/module_state.h"
#include "resource.h"

namespace {

struct BuiltinFolder {
    const char* id; // compared exactly, letter case included
    UINT nameId;
};

// In the order of their numbers, 1 to 16.
const BuiltinFolder kFolders[] = {
    {"2414784B-66A0-4436-84B0-A270B53BAFD1", IDS_FOLDER_FOLDER_LIST},
    {"478666B7-75EF-4af0-B276-786A5BCE03AC", IDS_FOLDER_INBOX},
    {"BA7D7CE8-9C44-4a8e-87B3-82A3A99F25AD", IDS_FOLDER_OUTBOX},
    {"58FCE1A7-50FF-4ed4-961F-8C6D91E2CB30", IDS_FOLDER_SENT_ITEMS},
    {"D1C3736B-7A27-4d82-BFED-34CC0A9407E0", IDS_FOLDER_DELETED_ITEMS},
    {"C9F2DAE0-A42D-4dca-8243-9589D5922E1F", IDS_FOLDER_JUNK},
    {"E2B42C62-DCA6-4e7d-9DF9-8265C83D5516", IDS_FOLDER_REPEATED},
    {"398D0C16-087E-4187-B5A1-481EDA988784", IDS_FOLDER_DRAFTS},
    {"E880F6DB-9303-4290-86A1-18E3C9E46427", IDS_FOLDER_DEFAULT_CONTACT},
    {"B40C2294-E8D8-46ac-B38F-7C0015E93FC7", IDS_FOLDER_CALENDAR},
    {"E18B8212-C2D8-4246-9985-65E056A7C54F", IDS_FOLDER_NOTES},
    {"DEC55126-601A-412e-989A-76CBB876258C", IDS_FOLDER_CONTACTS_LIST},
    {"73293370-70ED-43be-A0ED-09EA4E34B58D", IDS_FOLDER_CALENDAR_LIST},
    {"F021F20E-1AF5-4589-A987-EEBF099D1ED9", IDS_FOLDER_NOTES_LIST},
    {"06BF2A1B-C073-480e-85D7-2A85F1B33E56", IDS_FOLDER_SEND_LATER},
    {"2DFD5CE5-07A9-4c1c-9543-9CE501A1C9A8", IDS_FOLDER_ALL_MAIL},
};

const BuiltinFolder* findFolder(const CString& id) {
    for (const BuiltinFolder& folder : kFolders)
        if (id == folder.id) return &folder;
    return nullptr;
}

// The path with one backslash and "Mail" after it.
CString mailFolderIn(const char* folder) {
    return tessaly::companion::SetDirectorySlashTail(folder) + "Mail";
}

} // namespace

int IsReservedFolderID(CString id) {
    return findFolder(id) ? 1 : 0;
}

CString GetSysEmailFolder(CString id) {
    const BuiltinFolder* folder = findFolder(id);
    if (!folder) return CString();
    tessaly::framework::ManageModuleState state;
    CString name;
    name.LoadString(folder->nameId);
    return name;
}

int FolderID2EntryID(int number, CString& id) {
    if (number < 1 || number > static_cast<int>(std::size(kFolders))) return 0;
    id = kFolders[number - 1].id;
    return 1;
}

int GetEmailFolder(char* buffer) {
    char folder[MAX_PATH] = {};
    if (!GetTessalyAppFolder(folder)) {
        DisplayMessageBox(IDS_APPDATA_FOLDER_FAILED, 0);
        return 0;
    }
    const CString path = mailFolderIn(folder);
    if (buffer) std::memcpy(buffer, path.GetString(), path.GetLength() + 1);
    return 1;
}

void GetDefaultEmailFolder(char* buffer) {
    const CString path = mailFolderIn(GetInstallDir());
    if (buffer) std::memcpy(buffer, path.GetString(), path.GetLength() + 1);
}
