#pragma once
// One export macro: everything else in the library is hidden, so the dynamic symbol table
// lists exactly the interface.
#define TESSALY_API __attribute__((visibility("default")))
#define TESSALY_C extern "C" TESSALY_API
