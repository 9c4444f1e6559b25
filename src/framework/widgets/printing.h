#pragma once
// The framework's print procedure, shared by the printable dialogs and the caller's print
// jobs: print dialog, output file, printing-status window with Cancel, abort procedure and
// the page loop over the steps a printing class gives.
#include <tessaly/print.h>

#include <functional>

namespace tessaly::framework {

// The steps of one print run, given by the printing class.
struct PrintSteps {
    std::function<BOOL(CPrintInfo*)> prepare;
    std::function<void(CDC*, CPrintInfo*)> begin, prepareDC, print, end;
};

// The print dialog (PrintDialog): the printer, output file, page range and copies chosen are
// noted in `info` and kept for the run that follows. FALSE when cancelled.
BOOL PreparePrinting(CPrintInfo* info);
// Without a dialog: the system's default printer (a run without one prints nothing).
BOOL PrepareDefaultPrinter(CPrintInfo* info);

// The print procedure: steps.prepare (one of the two above, or a class's own that calls
// one), the file dialog when printing to a file, then the document page by page. False when
// nothing was printed to its end.
bool RunPrintProcedure(PrintSteps& steps, const char* documentName);

} // namespace tessaly::framework
