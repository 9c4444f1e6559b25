// The framework's print procedure: the printing-status window with Cancel, the abort
// procedure and the page loop, and the caller's print jobs on it.
#include "framework/widgets/printing.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QVBoxLayout>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "framework/widgets/application.h"
#include "framework/widgets/message_box.h"
#include "framework/widgets/print_setup.h"
#include "framework/widgets/wnd_internal.h"

namespace tessaly::framework {

namespace {

// Set by Cancel in a printing-status window; cleared when one opens.
std::atomic<bool> printCancelled{false};

// Lets pending messages through (the Cancel button among them); FALSE once Cancel was pressed.
BOOL abortProc(HDC, int) {
    if (!printCancelled) QCoreApplication::processEvents(QEventLoop::AllEvents);
    return printCancelled ? FALSE : TRUE;
}

// The calling program's main window: its first visible main window, if it has one.
QWidget* callerMainWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget) && CWnd(widget).IsWindowVisible()) return widget;
    return nullptr;
}

bool screenAvailable() {
    const QString platform = QGuiApplication::platformName();
    return QGuiApplication::primaryScreen() && platform != QLatin1String("offscreen") &&
           platform != QLatin1String("minimal");
}

// The window showing what is being printed, where, and which page, with its Cancel button.
class PrintingStatus {
  public:
    PrintingStatus(const CString& document, const CString& printer, const CString& port) {
        printCancelled = false;
        window_.setObjectName(QStringLiteral("PrintingStatus"));
        window_.setWindowTitle(QStringLiteral("Printing"));
        auto* layout = new QVBoxLayout(&window_);
        layout->addWidget(new QLabel(FromAnsi(document)));
        layout->addWidget(new QLabel(QStringLiteral("on the %1").arg(FromAnsi(printer))));
        layout->addWidget(new QLabel(QStringLiteral("on %1").arg(FromAnsi(port))));
        page_ = new QLabel;
        layout->addWidget(page_);
        auto* cancel = new QPushButton(QStringLiteral("Cancel"));
        cancel->setObjectName(QStringLiteral("Cancel"));
        QObject::connect(cancel, &QPushButton::clicked, [] { printCancelled = true; });
        layout->addWidget(cancel);
        // Without a screen (the offscreen or minimal platform) nobody could see it, and Qt
        // warns when asked to show it there; the run and its Cancel logic are the same.
        if (screenAvailable()) window_.show();
    }
    ~PrintingStatus() { window_.close(); }

    void ShowPage(UINT page) { page_->setText(QStringLiteral("Page ") + QString::number(page)); }

  private:
    QDialog window_;
    QLabel* page_ = nullptr;
};

// Re-enables the main window it disabled.
class DisabledWindow {
  public:
    explicit DisabledWindow(QWidget* window) : window_(window) {
        if (window_) window_->setEnabled(false);
    }
    ~DisabledWindow() {
        if (window_) window_->setEnabled(true);
    }
    DisabledWindow(const DisabledWindow&) = delete;
    DisabledWindow& operator=(const DisabledWindow&) = delete;

  private:
    QWidget* window_;
};

CString fileTitle(const CString& path) {
    return CString(std::filesystem::path(std::string(path)).filename().string().c_str());
}

// The dialog's print dialog and the printer context it chose, between OnPreparePrinting and
// the page loop.
thread_local std::unique_ptr<CPrinterDC> chosenPrinter;

void notePrinter(CPrintInfo* info) {
    if (!chosenPrinter) return;
    info->m_strPrinterName = chosenPrinter->GetPrinterName();
    info->m_strPortName = chosenPrinter->GetPortName();
}

} // namespace

BOOL PreparePrinting(CPrintInfo* info) {
    PrintChoice choice;
    chosenPrinter.reset();
    if (!PrintDialog(chosenPrinter, choice)) return FALSE;
    info->m_bPrintToFile = choice.toFile ? TRUE : FALSE;
    info->m_nFromPage = choice.fromPage;
    info->m_nToPage = choice.toPage;
    notePrinter(info);
    return TRUE;
}

BOOL PrepareDefaultPrinter(CPrintInfo* info) {
    chosenPrinter = std::make_unique<CPrinterDC>();
    if (!chosenPrinter->SelectPrinter(DefaultPrinter())) chosenPrinter.reset();
    notePrinter(info);
    return TRUE;
}

bool RunPrintProcedure(PrintSteps& steps, const char* name) {
    EnsureApplication();
    CPrintInfo info;
    // 1-2: the print dialog, then the output file when printing to a file.
    if (!steps.prepare(&info)) return false;
    std::unique_ptr<CPrinterDC> printer = std::move(chosenPrinter);
    if (info.m_bPrintToFile) {
        std::string path;
        if (!PrintFileDialog(path)) return false;
        info.m_strOutputFile = path.c_str();
    }
    if (!printer) {
        AfxMessageBox("No printer was chosen.", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    // 3-4: the document, the abort procedure, the disabled main window, the status window.
    const CString documentName = name;
    CDC measuring;
    steps.begin(&measuring, &info);
    printer->SetAbortProc(abortProc);
    DisabledWindow disabled(callerMainWindow());
    const CString where =
        info.m_bPrintToFile ? fileTitle(info.m_strOutputFile) : info.m_strPortName;
    auto status = std::make_unique<PrintingStatus>(
        documentName, info.m_bPrintToFile ? CString("PDF file") : info.m_strPrinterName, where);
    // 5: a document that does not start ends here.
    if (printer->StartDoc(documentName,
                          info.m_bPrintToFile ? info.m_strOutputFile.GetString() : nullptr) <= 0) {
        steps.end(&measuring, &info);
        status.reset();
        AfxMessageBox("Failed to start printing.", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    // 6: page after page until the range ends or OnPrint says nothing follows.
    bool error = false;
    for (info.m_nCurPage = info.GetFromPage();
         info.m_nCurPage <= info.GetToPage() && info.m_bContinuePrinting; ++info.m_nCurPage) {
        status->ShowPage(info.m_nCurPage);
        CDC* dc = printer->GetDC();
        info.m_rectDraw.left = info.m_rectDraw.top = 0;
        info.m_rectDraw.right = dc->GetDeviceCaps(HORZRES);
        info.m_rectDraw.bottom = dc->GetDeviceCaps(VERTRES);
        dc->DPtoLP(&info.m_rectDraw);
        if (printer->StartPage() <= 0) {
            error = true;
            break;
        }
        steps.prepareDC(dc, &info);
        steps.print(dc, &info);
        if (printer->EndPage() <= 0 || !printer->RunAbortProc()) {
            error = true;
            break;
        }
    }
    // 7: the document ends, or is aborted after an error or Cancel.
    bool printed = false;
    if (error)
        printer->AbortDoc();
    else if (printer->EndDoc() <= 0)
        AfxMessageBox("The document could not be written completely.", MB_OK | MB_ICONEXCLAMATION);
    else
        printed = true;
    steps.end(&measuring, &info);
    return printed;
}

} // namespace tessaly::framework

namespace fw = tessaly::framework;

CPrintJob::CPrintJob() = default;

CPrintJob::~CPrintJob() = default;

void CPrintJob::OnPrepareDC(CDC* dc, CPrintInfo*) {
    if (dc) dc->SetMapMode(MM_TEXT);
}

void CPrintJob::OnEndPrinting(CDC*, CPrintInfo*) {}

void CPrintJob::OnBeginPrinting(CDC*, CPrintInfo*) {}

BOOL CPrintJob::DoPrint(BOOL withDialog, const char* documentName) {
    fw::PrintSteps steps;
    steps.prepare = [withDialog](CPrintInfo* info) {
        return withDialog ? fw::PreparePrinting(info) : fw::PrepareDefaultPrinter(info);
    };
    steps.begin = [this](CDC* dc, CPrintInfo* info) { OnBeginPrinting(dc, info); };
    steps.prepareDC = [this](CDC* dc, CPrintInfo* info) { OnPrepareDC(dc, info); };
    steps.print = [this](CDC* dc, CPrintInfo* info) { OnPrint(dc, info); };
    steps.end = [this](CDC* dc, CPrintInfo* info) { OnEndPrinting(dc, info); };
    return fw::RunPrintProcedure(steps, documentName ? documentName : "Mydoc") ? TRUE : FALSE;
}
