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

namespace {

class FolderTree : public tessaly::testing::PrefixTest {
  protected:
    // Items by path, parents first, in pre-order.
    void SetUp() override {
        for (const std::string path :
             {"Mail", "Mail/Inbox", "Mail/Inbox/Work", "Mail/Inbox/Work/Projects",
              "Mail/Inbox/Private", "Mail/Archive", "Mail/Archive/Work", "Mail/Archive/mail",
              "Local", "Local/Drafts"}) {
            const size_t slash = path.rfind('/');
            items_[path] = tree_.InsertItem(
                path.substr(slash + 1).c_str(),
                slash == std::string::npos ? TVI_ROOT : items_.at(path.substr(0, slash)));
            order_.push_back(path);
        }
    }

    std::string pathOf(HTREEITEM item) const {
        for (const auto& [path, value] : items_)
            if (value == item) return path;
        return item ? "(unknown)" : "(none)";
    }

    bool app_ = (tessaly::testing::EnsureQtApplication(), true); // before any widget
    QTreeWidget widget_;
    CTreeCtrl tree_{&widget_};
    std::map<std::string, HTREEITEM> items_;
    std::vector<std::string> order_;
};

} // namespace

TEST_F(FolderTree, FullNameNextItemAndSearchesWalkTheTree) {
    EXPECT_STREQ(GetFullFolderName(&tree_, items_["Mail/Inbox/Work/Projects"]),
                 "Mail.Inbox.Work.Projects");
    // Pre-order: from a last child the walk climbs to the parent's next sibling.
    std::vector<std::string> walked;
    for (HTREEITEM item = items_["Mail"]; item && walked.size() < 50;
         item = GetNextTreeItem(&tree_, item))
        walked.push_back(pathOf(item));
    EXPECT_EQ(walked, order_);
    EXPECT_EQ(GetNextTreeItem(&tree_, nullptr), nullptr);
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
        HTREEITEM start = items_[c[1]];
        EXPECT_EQ(pathOf(c[0] == "item" ? FindItem(&tree_, start, c[2].c_str())
                                        : FindIMAPFolder(&tree_, start, c[2].c_str())),
                  c[3])
            << c[0] << " " << c[1] << " " << c[2];
    }
}
