// Searches in the mail client's folder tree, a caller's QTreeWidget wrapped as CTreeCtrl.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QTreeWidget>

#include <tessaly/controls.h>
#include <tessaly/mail.h>

#include "mail/qt_widgets.h"
#include "support/prefix.h"

namespace {

// Mail
//   Inbox
//     Work
//       Projects
//     Private
//   Sent
//   Archive
//     2023
//     Work
//     mail
// Local
//   Drafts
class FolderTree : public tessaly::testing::PrefixTest {
  protected:
    void SetUp() override {
        tessaly::testing::EnsureQtApplication();
        widget_ = std::make_unique<QTreeWidget>();
        tree_ = std::make_unique<CTreeCtrl>(widget_.get());
        add("Mail", "");
        add("Inbox", "Mail");
        add("Work", "Inbox");
        add("Projects", "Work");
        add("Private", "Inbox");
        add("Sent", "Mail");
        add("Archive", "Mail");
        add("2023", "Archive");
        add("Archive/Work", "Archive", "Work");
        add("Archive/mail", "Archive", "mail");
        add("Local", "");
        add("Drafts", "Local");
    }

    // Adds an item under the parent's key; the key names it in the tests.
    void add(const std::string& key, const std::string& parent, const std::string& text = "") {
        HTREEITEM under = parent.empty() ? TVI_ROOT : items_.at(parent);
        HTREEITEM item = tree_->InsertItem((text.empty() ? key : text).c_str(), under);
        ASSERT_NE(item, nullptr) << key;
        items_[key] = item;
    }

    HTREEITEM at(const std::string& key) const { return items_.at(key); }

    std::string keyOf(HTREEITEM item) const {
        if (!item) return "(none)";
        for (const auto& [key, value] : items_)
            if (value == item) return key;
        return "(unknown)";
    }

    // The widget outlives its wrapper.
    std::unique_ptr<QTreeWidget> widget_;
    std::unique_ptr<CTreeCtrl> tree_;
    std::map<std::string, HTREEITEM> items_;
};

} // namespace

TEST_F(FolderTree, FullFolderNameJoinsTheNamesFromTheTop) {
    struct Case {
        const char *key, *expected;
    } cases[] = {
        {"Mail", "Mail"},
        {"Inbox", "Mail.Inbox"},
        {"Projects", "Mail.Inbox.Work.Projects"},
        {"Archive/Work", "Mail.Archive.Work"},
        {"Drafts", "Local.Drafts"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(GetFullFolderName(tree_.get(), at(c.key)), c.expected) << c.key;
    EXPECT_STREQ(GetFullFolderName(tree_.get(), nullptr), "");
}

TEST_F(FolderTree, NextTreeItemWalksInPreOrder) {
    const std::vector<std::string> expected = {
        "Mail",    "Inbox", "Work",         "Projects",     "Private", "Sent",
        "Archive", "2023",  "Archive/Work", "Archive/mail", "Local",   "Drafts"};
    std::vector<std::string> walked;
    for (HTREEITEM item = at("Mail"); item && walked.size() < 50;
         item = GetNextTreeItem(tree_.get(), item))
        walked.push_back(keyOf(item));
    EXPECT_EQ(walked, expected);
    EXPECT_EQ(GetNextTreeItem(tree_.get(), at("Drafts")), nullptr);
    EXPECT_EQ(GetNextTreeItem(tree_.get(), nullptr), nullptr);
    // From a last child the walk climbs to the parent's next sibling.
    EXPECT_EQ(keyOf(GetNextTreeItem(tree_.get(), at("Projects"))), "Private");
    EXPECT_EQ(keyOf(GetNextTreeItem(tree_.get(), at("Archive/mail"))), "Local");
}

TEST_F(FolderTree, FindItemSearchesSubtreesFirstThenTheItemThenItsSiblings) {
    struct Case {
        const char *start, *name, *expected;
    } cases[] = {
        {"Mail", "projects", "Projects"}, // ignoring case, deep down
        {"Mail", "Inbox", "Inbox"},       // a folder with subfolders
        {"Mail", "WORK", "Work"},         // the first in search order
        {"Mail", "mail", "Archive/mail"}, // a subtree before the item itself
        {"Mail", "Drafts", "Drafts"},     // on to the next sibling's subtree
        {"Mail", "Local", "Local"},        {"Mail", "nothing", "(none)"},
        {"Private", "Projects", "(none)"}, // earlier siblings are not searched
        {"Sent", "2023", "2023"},          {"Archive", "work", "Archive/Work"},
        {"Drafts", "Drafts", "Drafts"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyOf(FindItem(tree_.get(), at(c.start), c.name)), c.expected)
            << c.start << " " << c.name;
    EXPECT_EQ(FindItem(tree_.get(), nullptr, "Mail"), nullptr);
}

TEST_F(FolderTree, FindImapFolderFollowsThePathBelowTheItem) {
    struct Case {
        const char *start, *path, *expected;
    } cases[] = {
        {"Mail", "Inbox", "Inbox"},
        {"Mail", "inbox.WORK", "Work"},
        {"Mail", "Inbox.Work.Projects", "Projects"},
        {"Mail", "Archive.Work", "Archive/Work"},
        {"Mail", "Archive.mail", "Archive/mail"},
        {"Mail", "Inbox.", "Inbox"},
        {"Local", "Drafts", "Drafts"},
        // A missing part gives none, even where a deeper name exists elsewhere.
        {"Mail", "Inbox.Nope.Projects", "(none)"},
        {"Mail", "Nope.Work", "(none)"},
        {"Mail", "Inbox.Work.Projects.Deeper", "(none)"},
        {"Mail", "Mail", "(none)"}, // the path starts below the item
        {"Mail", "", "(none)"},
        {"Projects", "Anything", "(none)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyOf(FindIMAPFolder(tree_.get(), at(c.start), c.path)), c.expected)
            << c.start << " " << c.path;
}

TEST_F(FolderTree, EmptyTreeFindsNothing) {
    QTreeWidget empty;
    CTreeCtrl tree(&empty);
    EXPECT_EQ(FindIMAPFolder(&tree, TVI_ROOT, "Mail.Inbox"), nullptr);
    EXPECT_EQ(FindIMAPFolder(&tree, nullptr, "Mail"), nullptr);
    EXPECT_EQ(FindItem(&tree, tree.GetRootItem(), "Mail"), nullptr);
}
