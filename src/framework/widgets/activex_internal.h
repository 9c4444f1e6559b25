#pragma once
// What the ActiveX control hosting shares with the dialog builder, the control objects and
// the automation: making a template's control, the check that a template's classes are
// known, the wrapper object of a control's widget, and the two built-in controls' widgets.
#include <QString>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

#include <tessaly/wnd.h>

// Not tessaly/activex.h: the dialog builder includes this and has its own style names.
class CActiveXControl;

namespace tessaly::platform {
struct DialogTemplate;
}

namespace tessaly::framework {

// Whether a template class name is a class id ("{...}").
bool IsClassIdName(const QString& className);
// The control of a class id under parent, its widget returned; null when the name is no
// class id or its class is in no table.
QWidget* CreateActiveXControl(const QString& className, QWidget* parent);
// False when a control of the template names a class id that is in no table.
bool TemplateClassesKnown(const platform::DialogTemplate& dialogTemplate);
// The wrapper object for an ActiveX control's widget (CDTPicker, CFolderView), null for
// other widgets and for classes without a wrapper.
std::unique_ptr<CWnd> NewActiveXWrapper(QWidget* widget);

// Registration of the built-in classes (date_picker.cpp, folder_view.cpp).
CActiveXControl* NewDatePickerControl(QWidget* parent);
CActiveXControl* NewFolderViewControl(QWidget* parent);

// Date values and Qt's date-times: days since 30 December 1899, the fraction the time of
// day (counted forward also for negative dates).
QDateTime DateTimeFromOle(double date);
double OleFromDateTime(const QDateTime& dateTime);

// The folder view's tree, for the automation: its items under a path and their paths.
class FolderTree : public QTreeWidget {
  public:
    explicit FolderTree(QWidget* parent);
    // Builds the top level again (drives and special folders), children unread.
    void reload();
    // Reads an item's subfolders when not yet read.
    void loadChildren(QTreeWidgetItem* item);
    // The item of a path (a top-level form or a Windows path below one), reading the levels
    // above it; null when there is none.
    QTreeWidgetItem* findPath(const QString& path);
    static QString pathOf(const QTreeWidgetItem* item);
};

// The folder view's tree of a widget (the control's widget), null for others.
FolderTree* FolderTreeOf(QWidget* widget);

} // namespace tessaly::framework
