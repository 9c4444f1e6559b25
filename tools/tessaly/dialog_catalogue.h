#pragma once
// The dialog functions of the library that `tessaly dialog NAME` and `tessaly gallery` run:
// one row per dialog, with how to call it with default arguments and which out-values to
// print.
#include <string>
#include <utility>
#include <vector>

namespace tessaly::cli {

// Words after the dialog's name on the command line (UTF-8); a row uses them in place of
// its default arguments where it takes any.
using DialogArgs = std::vector<std::string>;
// Out-values to print after the dialog closes: name and value (ANSI code page).
using DialogValues = std::vector<std::pair<std::string, std::string>>;

struct DialogEntry {
    const char* name;     // tessaly dialog NAME
    const char* function; // the exported function it calls
    // Calls the function and returns its result, noting its out-values.
    int (*run)(const DialogArgs& args, DialogValues& values);
};

const std::vector<DialogEntry>& DialogCatalogue();
// The row of that name, or null.
const DialogEntry* FindDialog(const std::string& name);

} // namespace tessaly::cli
