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
    // Items by key ("Archive/Work" is the item "Work" under "Archive"), parents first.
    void SetUp() override {
        const std::pair<const char*, const char*> items[] = {{"Mail", ""},
                                                             {"Inbox", "Mail"},
                                                             {"Work", "Inbox"},
                                                             {"Projects", "Work"},
                                                             {"Private", "Inbox"},
                                                             {"Sent", "Mail"},
                                                             {"Archive", "Mail"},
                                                             {"2023", "Archive"},
                                                             {"Archive/Work", "Archive"},
                                                             {"Archive/mail", "Archive"},
                                                             {"Local", ""},
                                                             {"Drafts", "Local"}};
        for (const auto& [key, parent] : items) {
            const std::string text = key;
            items_[key] = tree_.InsertItem(text.substr(text.find('/') + 1).c_str(),
                                           *parent ? items_.at(parent) : TVI_ROOT);
            order_.push_back(key);
        }
    }

    std::string keyOf(HTREEITEM item) const {
        for (const auto& [key, value] : items_)
            if (value == item) return key;
        return item ? "(unknown)" : "(none)";
    }

    bool app_ = (tessaly::testing::EnsureQtApplication(), true); // before any widget
    QTreeWidget widget_;
    CTreeCtrl tree_{&widget_};
    std::map<std::string, HTREEITEM> items_;
    std::vector<std::string> order_; // pre-order
};

} // namespace

TEST_F(FolderTree, FullNameAndNextItemWalkTheTree) {
    EXPECT_STREQ(GetFullFolderName(&tree_, items_["Projects"]), "Mail.Inbox.Work.Projects");
    EXPECT_STREQ(GetFullFolderName(&tree_, items_["Drafts"]), "Local.Drafts");
    EXPECT_STREQ(GetFullFolderName(&tree_, nullptr), "");
    // Pre-order: from a last child the walk climbs to the parent's next sibling.
    std::vector<std::string> walked;
    for (HTREEITEM item = items_["Mail"]; item && walked.size() < 50;
         item = GetNextTreeItem(&tree_, item))
        walked.push_back(keyOf(item));
    EXPECT_EQ(walked, order_);
    EXPECT_EQ(GetNextTreeItem(&tree_, nullptr), nullptr);
}

TEST_F(FolderTree, FindItemSearchesSubtreesFirstThenTheItemThenItsSiblings) {
    const std::vector<std::string> cases[] = {
        // start, name, found
        {"Mail", "projects", "Projects"}, // ignoring case, deep down
        {"Mail", "mail", "Archive/mail"}, // a subtree before the item itself
        {"Mail", "Drafts", "Drafts"},     // on to the next sibling's subtree
        {"Mail", "nothing", "(none)"},
        {"Private", "Projects", "(none)"}, // earlier siblings are not searched
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyOf(FindItem(&tree_, items_[c[0]], c[1].c_str())), c[2]) << c[0] << " " << c[1];
    EXPECT_EQ(FindItem(&tree_, nullptr, "Mail"), nullptr);
}

TEST_F(FolderTree, FindImapFolderFollowsThePathBelowTheItem) {
    const std::vector<std::string> cases[] = {
        {"Mail", "inbox.WORK", "Work"},
        {"Mail", "Archive.mail", "Archive/mail"},
        {"Mail", "Inbox.", "Inbox"},
        // A missing part gives none, even where a deeper name exists elsewhere.
        {"Mail", "Inbox.Nope.Projects", "(none)"},
        {"Mail", "Mail", "(none)"}, // the path starts below the item
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyOf(FindIMAPFolder(&tree_, items_[c[0]], c[1].c_str())), c[2]) << c[1];
    QTreeWidget emptyWidget;
    CTreeCtrl empty(&emptyWidget);
    EXPECT_EQ(FindIMAPFolder(&empty, TVI_ROOT, "Mail.Inbox"), nullptr);
}
