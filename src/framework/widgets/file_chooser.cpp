// The file-open chooser on Qt's file dialog, with the automation's answer in its place.
#include "framework/widgets/file_chooser.h"

#include <tessaly/automation.h>

#include <QFileDialog>
#include <QStringList>

#include "framework/widgets/application.h"
#include "framework/widgets/wnd_internal.h"
#include "platform/prefix.h"

namespace tessaly::automation {

namespace {
FileChooserHandler& fileChooserHandler() {
    static FileChooserHandler handler;
    return handler;
}
} // namespace

void SetFileChooserHandler(FileChooserHandler handler) {
    fileChooserHandler() = std::move(handler);
}

} // namespace tessaly::automation

namespace tessaly::framework {

namespace {

// "Sounds(*.wav)" and "*.wav;*.wave" become Qt's "Sounds(*.wav) (*.wav *.wave)"; "*.*" is
// every file, as on Windows.
QString qtFilter(const std::vector<std::pair<std::string, std::string>>& filter) {
    QStringList entries;
    for (const auto& [description, patterns] : filter) {
        QStringList globs = FromAnsi(patterns.c_str()).split(';', Qt::SkipEmptyParts);
        for (QString& glob : globs)
            if (glob.trimmed() == QLatin1String("*.*")) glob = QStringLiteral("*");
        entries << FromAnsi(description.c_str()) + QStringLiteral(" (") + globs.join(' ') +
                       QStringLiteral(")");
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace

bool ChooseFileToOpen(const std::vector<std::pair<std::string, std::string>>& filter,
                      const CString& initialFolder, DWORD flags, CString& path) {
    if (const auto& handler = automation::fileChooserHandler()) {
        const std::string chosen = handler({filter, std::string(initialFolder.GetString()), flags});
        if (chosen.empty()) return false;
        path = chosen.c_str();
        return true;
    }
    EnsureApplication();
    const QString folder =
        QString::fromStdString(platform::ToPosixPath(std::string(initialFolder.GetString())));
    QFileDialog dialog(nullptr, QString(), folder, qtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode((flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                   : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, (flags & OFN_HIDEREADONLY) != 0);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const std::string posix = dialog.selectedFiles().first().toStdString();
    path = ToAnsi(QString::fromStdString(platform::ToWindowsPath(posix))).c_str();
    return true;
}

} // namespace tessaly::framework
