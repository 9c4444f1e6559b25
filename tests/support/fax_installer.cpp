// Stands in for the fax printer's installer: adds the printer named by its last argument to
// the prefix (driver: the first argument, port: "FAX:") and notes its arguments in the file
// FAX_INSTALL_LOG names.
#include <cstdlib>
#include <fstream>

#include "platform/printers.h"

int main(int argc, char** argv) {
    if (const char* log = std::getenv("FAX_INSTALL_LOG")) {
        std::ofstream out(log, std::ios::app);
        for (int i = 1; i < argc; ++i)
            out << "arg " << argv[i] << "\n";
    }
    if (argc < 3) return 2;
    return tessaly::platform::AddPrefixPrinter(argv[argc - 1], argv[1], "FAX:", {}) ? 0 : 1;
}
