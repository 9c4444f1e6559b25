// tessaly printers, tessaly printer default [NAME], tessaly fax init-string TYPE: the printer
// table with the default marked, showing or setting the default printer, the modem strings.
#include <iostream>
#include <memory>
#include <string>

#include <tessaly/printers.h>

#include "commands.h"
#include "platform/printers.h"
#include "shell.h"

namespace tessaly::cli {

namespace {

constexpr unsigned long kNameRoom = 256;

std::string defaultPrinter() {
    char name[kNameRoom] = "";
    unsigned long size = kNameRoom;
    return DPGetDefaultPrinter(name, &size) ? name : "";
}

void listPrinters() {
    const std::string current = defaultPrinter();
    for (const platform::PrinterEntry& printer : platform::ListPrinters())
        std::cout << (printer.name == current ? "*" : " ") << "\t" << FromAnsi(printer.name) << "\t"
                  << FromAnsi(printer.driver) << "\t" << FromAnsi(printer.port) << "\n";
}

void showOrSetDefault(const std::string& name) {
    if (name.empty()) {
        const std::string current = defaultPrinter();
        if (current.empty()) Fail("printer default", "no default printer");
        std::cout << FromAnsi(current) << "\n";
        return;
    }
    std::string ansi = ToAnsi("printer default", name);
    if (!DPSetDefaultPrinter(ansi.data()))
        Fail("printer default", "unknown printer \"" + name + "\"");
}

} // namespace

void addPrintCommands(CLI::App& app) {
    app.add_subcommand("printers", "List the printers (the default marked with *)")
        ->callback(listPrinters);

    auto* printer = app.add_subcommand("printer", "The default printer");
    printer->require_subcommand(1);
    auto name = std::make_shared<std::string>();
    auto* byDefault = printer->add_subcommand("default", "Show the default printer, or set it");
    byDefault->add_option("name", *name, "The printer to make the default");
    byDefault->callback([name] { showOrSetDefault(*name); });

    auto* fax = app.add_subcommand("fax", "Fax modems");
    fax->require_subcommand(1);
    auto type = std::make_shared<int>(0);
    auto* init = fax->add_subcommand("init-string", "The modem initialisation string of a type");
    init->add_option("type", *type, "Modem type 0 to 7")->required();
    init->callback([type] { std::cout << FromAnsi(GetFaxInitString(*type).str()) << "\n"; });
}

} // namespace tessaly::cli
