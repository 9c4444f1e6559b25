#pragma once
// Each command family of the tessaly program adds its subcommands here.
#include <CLI/CLI.hpp>

#include <string>

namespace tessaly::cli {

void addRegistryCommands(CLI::App& app); // tessaly reg ...
void addFileCommands(CLI::App& app);     // tessaly path ..., tessaly file ...
void addSystemCommands(CLI::App& app);   // tessaly system ...
void addLanguageCommands(CLI::App& app); // tessaly lang ...
void addDemoCommand(CLI::App& app);      // tessaly demo
void addDialogCommands(CLI::App& app);   // tessaly dialog ...
void addMailCommands(CLI::App& app);     // tessaly mail ...
// The mail walk of tessaly demo, on an embedded database in folder; 0 when it went as shown.
int RunMailTour(const std::string& folder);
// Where the tour's values start: after the widest label, in terminal columns.
inline constexpr size_t kTourColumn = 53;
void addWindowCommands(CLI::App& app);   // tessaly window ...
// tessaly words, tessaly date, tessaly html2text.
void addTextCommands(CLI::App& app);
// The text walk of tessaly demo (dates and words).
void RunTextTour();
void addSpellCommands(CLI::App& app);    // tessaly spell, related, table
// tessaly zip, unzip, scramble, backup; and the backup walk of tessaly demo (0 when it went
// as shown).
void addBackupCommands(CLI::App& app);
int RunBackupTour();
void addLaunchCommands(CLI::App& app);   // tessaly open, assoc ..., companion ...
// The demo's walk through an association; 0 when it went as shown.
int RunLaunchTour();
void addWebCommands(CLI::App& app); // tessaly web check, save, home
// The demo's page saved from a loopback server; 0 when it went as shown.
int RunWebTour();
void addPrintCommands(CLI::App& app); // tessaly printers, printer default, fax init-string
// tessaly pdf TEXTFILE OUT.pdf: a text file through the PDF printer.
void addPdfCommand(CLI::App& app);
// The demo's letter saved as PDF and read back with the poppler tools; 0 when it went as shown.
int RunPdfTour();

// tessaly mail send (under the mail command, so after addMailCommands), scan, antivirus.
void addMailSendCommands(CLI::App& app);
// The demo's scan of a test file; 0 when it went as shown.
int RunScanTour();
// tessaly comment show|parse, tessaly picture, tessaly view.
void addCommentCommands(CLI::App& app);

} // namespace tessaly::cli
