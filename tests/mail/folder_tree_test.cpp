// Searches in the mail client's folder tree, a caller's QTreeWidget wrapped as CTreeCtrl.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include <QTreeWidget>

#include <tessaly/controls.h>
#include <tessaly/mail.h>

#include "support/prefix.h"
#include "support/qt_app.h"

TEST(FolderTree, FullNameNextItemAndSearchesWalkTheTree) {
    tessaly::testing::TempPrefix prefix;
    tessaly::testing::EnsureQtApplication(); // before any widget
    QTreeWidget widget;
    CTreeCtrl tree(&widget);
    std::map<std::string, HTREEITEM> items;
    std::vector<std::string> order; // parents first, in pre-order
    for (const std::string path :
         {"Mail", "Mail/Inbox", "Mail/Inbox/Work", "Mail/Inbox/Work/Projects", "Mail/Inbox/Private",
          "Mail/Archive", "Mail/Archive/Work", "Mail/Archive/mail", "Local", "Local/Drafts"}) {
        const size_t slash = path.rfind('/');
        items[path] = tree.InsertItem(path.substr(slash + 1).c_str(),
                                      slash == std::string::npos ? TVI_ROOT
                                                                 : items.at(path.substr(0, slash)));
        order.push_back(path);
    }
    auto pathOf = [&](HTREEITEM item) -> std::string {
        for (const auto& [path, value] : items)
            if (value == item) return path;
        return item ? "(unknown)" : "(none)";
    };
    EXPECT_STREQ(GetFullFolderName(&tree, items["Mail/Inbox/Work/Projects"]),
                 "Mail.Inbox.Work.Projects");
    // Pre-order: from a last child the walk climbs to the parent's next sibling.
    std::vector<std::string> walked;
    for (HTREEITEM item = items["Mail"]; item && walked.size() < 50;
         item = GetNextTreeItem(&tree, item))
        walked.push_back(pathOf(item));
    EXPECT_EQ(walked, order);
    EXPECT_EQ(GetNextTreeItem(&tree, nullptr), nullptr);
    // FindItem: subtrees (any case), the item, later siblings' subtrees; FindIMAPFolder: a path.
    const std::vector<std::string> cases[] = {
        // function, start, name, found
        {"item", "Mail", "projects", "Mail/Inbox/Work/Projects"},
        {"item", "Mail", "mail", "Mail/Archive/mail"},
        {"item", "Mail", "Drafts", "Local/Drafts"},
        {"item", "Mail/Inbox/Private", "Projects", "(none)"},
        {"imap", "Mail", "inbox.WORK", "Mail/Inbox/Work"},
        {"imap", "Mail", "Inbox.", "Mail/Inbox"},
        {"imap", "Mail", "Inbox.Nope.Projects", "(none)"},
        {"imap", "Mail", "Mail", "(none)"}, // the path starts below the item
    };
    for (const auto& c : cases) {
        HTREEITEM start = items[c[1]];
        EXPECT_EQ(pathOf(c[0] == "item" ? FindItem(&tree, start, c[2].c_str())
                                        : FindIMAPFolder(&tree, start, c[2].c_str())),
                  c[3])
            << c[0] << " " << c[1] << " " << c[2];
    }
}
