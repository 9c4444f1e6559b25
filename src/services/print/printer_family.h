#pragma once
// Which of the three Windows families' ways the printer services take, from the version
// record.
namespace tessaly::print {

enum class PrinterFamily { Windows9x, Nt5, Nt4, Other };

PrinterFamily CurrentPrinterFamily();

} // namespace tessaly::print
