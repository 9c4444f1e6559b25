#pragma once
// A version resource with two translations, for the readers of version blocks: some texts in
// both, one only in the second, and a text outside ASCII (the script is UTF-8).
namespace tessaly::testing {

inline constexpr const char kVersionProbeScript[] = R"(#include <winresrc.h>
#pragma code_page(65001)
VS_VERSION_INFO VERSIONINFO
 FILEVERSION 1,2,3,4
 PRODUCTVERSION 5,6,7,8
 FILETYPE 0x2L
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904E4"
    BEGIN
      VALUE "CompanyName", "Probe Makers"
      VALUE "ProductName", "Probe"
    END
    BLOCK "040704b0"
    BEGIN
      VALUE "ProductName", "Prüfling"
      VALUE "Comments", "nur deutsch"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1252, 0x407, 1200
  END
END
)";

} // namespace tessaly::testing
