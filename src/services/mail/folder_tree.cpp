// Searches in the mail client's folder tree. A folder path joins the item texts from the
// top-level item down with "." (no escaping).
#include <tessaly/mail.h>

CString GetFullFolderName(CTreeCtrl* tree, HTREEITEM item) {
    if (!tree || !item) return CString();
    CString name = tree->GetItemText(item);
    while (HTREEITEM parent = tree->GetNextItem(item, TVGN_PARENT)) {
        name = tree->GetItemText(parent) + "." + name;
        item = parent;
    }
    return name;
}

HTREEITEM GetNextTreeItem(CTreeCtrl* tree, HTREEITEM item) {
    if (!tree || !item) return nullptr;
    if (tree->ItemHasChildren(item))
        if (HTREEITEM child = tree->GetNextItem(item, TVGN_CHILD)) return child;
    for (HTREEITEM at = item; at; at = tree->GetNextItem(at, TVGN_PARENT))
        if (HTREEITEM sibling = tree->GetNextItem(at, TVGN_NEXT)) return sibling;
    return nullptr;
}

HTREEITEM FindItem(CTreeCtrl* tree, HTREEITEM item, CString name) {
    if (!tree) return nullptr;
    for (HTREEITEM at = item; at; at = tree->GetNextItem(at, TVGN_NEXT)) {
        // A subtree is searched before the item itself.
        if (tree->ItemHasChildren(at))
            if (HTREEITEM found = FindItem(tree, tree->GetNextItem(at, TVGN_CHILD), name))
                return found;
        if (tree->GetItemText(at).CompareNoCase(name) == 0) return at;
    }
    return nullptr;
}

HTREEITEM FindIMAPFolder(CTreeCtrl* tree, HTREEITEM item, CString path) {
    if (!tree || tree->GetCount() == 0) return nullptr;
    HTREEITEM current = tree->GetNextItem(item, TVGN_CHILD);
    for (;;) {
        CString part;
        if (int dot = path.Find('.'); dot >= 0) {
            part = path.Left(dot);
            path.Delete(0, dot + 1);
        } else {
            part = path;
            path.Empty();
        }
        while (current && tree->GetItemText(current).CompareNoCase(part) != 0)
            current = tree->GetNextItem(current, TVGN_NEXT);
        if (path.IsEmpty()) break;
        // A part that was not found leaves nothing to descend into: the result is none.
        if (current) current = tree->GetNextItem(current, TVGN_CHILD);
    }
    return current;
}
