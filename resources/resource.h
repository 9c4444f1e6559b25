// Identifiers of the library's string table and dialog templates.
#pragma once
