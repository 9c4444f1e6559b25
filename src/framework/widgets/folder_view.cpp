// The folder-view control {D9812706-90EB-11D2-887A-BD32CB08A467} and its wrapper
// CFolderView: a tree of the user's special folders and the prefix's drives, folders only,
// each level read from disk when it is first opened.
#include <QDir>
#include <QFile>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>

#include <tessaly/activex.h>

#include "framework/widgets/activex_internal.h"
#include "framework/widgets/wnd_internal.h"
#include "platform/files.h"
#include "platform/prefix.h"
#include "platform/shell.h"

namespace p = tessaly::platform;

namespace tessaly::framework {

namespace {

// Item data: the path as the control gives it, the POSIX folder whose subfolders are the
// children, the Windows path the children's paths start with, and whether they were read.
constexpr int kRolePath = Qt::UserRole;
constexpr int kRolePosix = Qt::UserRole + 1;
constexpr int kRoleBase = Qt::UserRole + 2;
constexpr int kRoleLoaded = Qt::UserRole + 3;

constexpr int kCsidlDesktopDirectory = 0x10;

// A drive's volume label: the first line of ".windows-label" in its root, else its kind.
QString driveLabel(char letter, const QString& posixRoot) {
    QFile file(QDir(posixRoot).filePath(QStringLiteral(".windows-label")));
    if (file.open(QIODevice::ReadOnly)) {
        const QString label = QString::fromUtf8(file.readLine()).trimmed();
        if (!label.isEmpty()) return label;
    }
    const char root[] = {letter, ':', '\\', 0};
    switch (p::GetDriveTypeA(root)) {
    case p::DRIVE_REMOVABLE:
        return QStringLiteral("Removable Disk");
    case p::DRIVE_CDROM:
        return QStringLiteral("CD Drive");
    case p::DRIVE_REMOTE:
        return QStringLiteral("Network Drive");
    case p::DRIVE_RAMDISK:
        return QStringLiteral("RAM Disk");
    default:
        return QStringLiteral("Local Disk");
    }
}

QTreeWidgetItem* newItem(const QString& text, const QString& path, const QString& posix,
                         const QString& base) {
    auto* item = new QTreeWidgetItem(QStringList(text));
    item->setData(0, kRolePath, path);
    item->setData(0, kRolePosix, posix);
    item->setData(0, kRoleBase, base);
    item->setData(0, kRoleLoaded, false);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

// The tree that tells the control of every change of the current item (also while Qt
// tears the view down, which the destructor stops first).
class FolderTreeWidget : public FolderTree {
  public:
    using FolderTree::FolderTree;
    ~FolderTreeWidget() override { onCurrentChanged = nullptr; }
    std::function<void()> onCurrentChanged;

  protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        FolderTree::currentChanged(current, previous);
        if (onCurrentChanged && current != previous) onCurrentChanged();
    }
};

class FolderViewControl : public CActiveXControl {
  public:
    FolderViewControl(QWidget* window, FolderTreeWidget* tree)
        : CActiveXControl(window), tree_(tree) {
        tree->onCurrentChanged = [this] {
            if (quiet_) return;
            const CComVariant path(ToAnsi(selectedPath()).c_str());
            FireEvent(CFolderView::dispidSelChange, &path, 1);
        };
    }

    QString selectedPath() const {
        QTreeWidgetItem* item = tree_->currentItem();
        return item ? FolderTree::pathOf(item) : QString();
    }

    HRESULT Invoke(DISPID id, WORD flags, const VARIANT* params, UINT count,
                   VARIANT* result) override {
        const bool put = flags & DISPATCH_PROPERTYPUT;
        auto giveText = [result](const QString& text) {
            if (!result) return;
            VariantClear(result);
            const CComVariant value(ToAnsi(text).c_str());
            VariantCopy(result, &value);
        };
        switch (id) {
        case CFolderView::dispidSelectedPath: {
            if (!put) {
                if (count) return DISP_E_BADPARAMCOUNT;
                giveText(selectedPath());
                return S_OK;
            }
            if (count != 1 || !params) return DISP_E_BADPARAMCOUNT;
            CComVariant text;
            const HRESULT hr = VariantChangeType(&text, &params[0], 0, VT_BSTR);
            if (FAILED(hr)) return hr;
            const CString path(text.bstrVal);
            QTreeWidgetItem* item = tree_->findPath(FromAnsi(path.GetString()));
            if (!item) return E_INVALIDARG;
            select(item);
            return S_OK;
        }
        case CFolderView::dispidAlternativeText: {
            if (put) return DISP_E_MEMBERNOTFOUND;
            if (count) return DISP_E_BADPARAMCOUNT;
            QTreeWidgetItem* item = tree_->currentItem();
            giveText(item ? item->text(0) : QString());
            return S_OK;
        }
        case CFolderView::dispidRefresh: {
            if (put || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
            if (count) return DISP_E_BADPARAMCOUNT;
            refresh();
            return S_OK;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

    void select(QTreeWidgetItem* item) {
        for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
            tree_->expandItem(up);
        tree_->setCurrentItem(item);
        tree_->scrollToItem(item);
    }

    // Reads the tree again; the selection stays where its folder still is, and the event
    // fires only when the selection changed.
    void refresh() {
        const QString before = selectedPath();
        quiet_ = true;
        tree_->reload();
        if (!before.isEmpty())
            if (QTreeWidgetItem* item = tree_->findPath(before)) select(item);
        quiet_ = false;
        if (selectedPath() != before) tree_->onCurrentChanged();
    }

  private:
    FolderTreeWidget* tree_;
    bool quiet_ = false;
};

} // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    QObject::connect(this, &QTreeWidget::itemExpanded, this,
                     [this](QTreeWidgetItem* item) { loadChildren(item); });
    reload();
}

void FolderTree::reload() {
    clear();
    // The user's special folders first, then the drives.
    const std::pair<int, const char*> special[] = {{kCsidlDesktopDirectory, "Desktop"},
                                                   {p::CSIDL_PERSONAL, "My Documents"}};
    for (const auto& [csidl, name] : special) {
        char path[260] = {};
        if (!p::SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE)) continue;
        const QString posix = QString::fromStdString(p::ToPosixPath(path));
        if (posix.isEmpty()) continue;
        const QString text = QString::fromLatin1(name);
        addTopLevelItem(newItem(text, text, posix, FromAnsi(path)));
    }
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const QString posix = QString::fromStdString(p::DriveFolder(letter));
        if (posix.isEmpty()) continue;
        const QString drive = QString(QChar::fromLatin1(letter)) + QLatin1Char(':');
        const QString text =
            driveLabel(letter, posix) + QStringLiteral(" (") + drive + QLatin1Char(')');
        addTopLevelItem(newItem(text, drive, posix, drive));
    }
}

void FolderTree::loadChildren(QTreeWidgetItem* item) {
    if (!item || item->data(0, kRoleLoaded).toBool()) return;
    item->setData(0, kRoleLoaded, true);
    const QDir folder(item->data(0, kRolePosix).toString());
    const QString base = item->data(0, kRoleBase).toString();
    const QStringList names =
        folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names) {
        const QString path = base + QLatin1Char('\\') + name;
        item->addChild(newItem(name, path, folder.filePath(name), path));
    }
    item->setChildIndicatorPolicy(names.isEmpty() ? QTreeWidgetItem::DontShowIndicator
                                                  : QTreeWidgetItem::ShowIndicator);
}

QString FolderTree::pathOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kRolePath).toString() : QString();
}

QTreeWidgetItem* FolderTree::findPath(const QString& wanted) {
    QString path = wanted.trimmed();
    path.replace(u'/', u'\\');
    while (path.size() > 1 && path.endsWith(u'\\'))
        path.chop(1);
    if (path.isEmpty()) return nullptr;
    // A top-level item's own form, then a path below one: a drive's first, so a folder
    // reached both ways is found under its drive.
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (pathOf(topLevelItem(i)).compare(path, Qt::CaseInsensitive) == 0) return topLevelItem(i);
    QTreeWidgetItem* start = nullptr;
    QString rest;
    for (int pass = 0; pass < 2 && !start; ++pass) {
        for (int i = 0; i < topLevelItemCount() && !start; ++i) {
            QTreeWidgetItem* top = topLevelItem(i);
            const bool drive = pathOf(top).size() == 2 && pathOf(top).endsWith(u':');
            if (drive != (pass == 0)) continue;
            // A special folder is reached by its own form or by its Windows path.
            for (const QString& prefix : {pathOf(top), top->data(0, kRoleBase).toString()}) {
                if (path.startsWith(prefix + QLatin1Char('\\'), Qt::CaseInsensitive)) {
                    start = top;
                    rest = path.mid(prefix.size() + 1);
                    break;
                }
            }
        }
    }
    if (!start) return nullptr;
    QTreeWidgetItem* item = start;
    for (const QString& part : rest.split(u'\\', Qt::SkipEmptyParts)) {
        loadChildren(item);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i)
            if (item->child(i)->text(0).compare(part, Qt::CaseInsensitive) == 0)
                next = item->child(i);
        if (!next) return nullptr;
        item = next;
    }
    return item;
}

FolderTree* FolderTreeOf(QWidget* widget) {
    CActiveXControl* control = CActiveXControl::FromWidget(widget);
    if (!control || control->GetClassId() != CLSID_TESSALY_FOLDERVIEW) return nullptr;
    for (QObject* child : widget->children())
        if (auto* tree = dynamic_cast<FolderTree*>(child)) return tree;
    return nullptr;
}

// The control's window holds the tree, filling it: the window is the control's own, not a
// tree view of the dialog's (which would send the tree view's notifications).
CActiveXControl* NewFolderViewControl(QWidget* parent) {
    auto* window = new QWidget(parent);
    auto* tree = new FolderTreeWidget(window);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree);
    window->setFocusProxy(tree);
    return new FolderViewControl(window, tree);
}

} // namespace tessaly::framework

using tessaly::framework::FromAnsi;

CFolderView::CFolderView() = default;

CFolderView::CFolderView(QWidget* widget) : CWnd(widget) {}

CString CFolderView::GetSelectedPath() {
    CString path;
    GetProperty(dispidSelectedPath, VT_BSTR, &path);
    return path;
}

BOOL CFolderView::SetSelectedPath(const char* path) {
    return SUCCEEDED(SetProperty(dispidSelectedPath, VT_BSTR, path ? path : "")) ? TRUE : FALSE;
}

CString CFolderView::GetAlternativeText() {
    CString text;
    GetProperty(dispidAlternativeText, VT_BSTR, &text);
    return text;
}

void CFolderView::Refresh() {
    InvokeHelper(dispidRefresh, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
}
