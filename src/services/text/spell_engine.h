#pragma once
// The binding to the spelling engine module ("SSCE5232.dll"): loaded once, entries resolved
// once by name; every entry is null when the module or the entry is missing.
#include <tessaly/spelling_engine.h>

namespace tessaly::text {

struct SpellEngine {
    decltype(&::SSCE_GetSid) GetSid = nullptr;
    decltype(&::SSCE_OpenBlock) OpenBlock = nullptr;
    decltype(&::SSCE_CheckBlock) CheckBlock = nullptr;
    decltype(&::SSCE_GetBlockInfo) GetBlockInfo = nullptr;
    decltype(&::SSCE_Suggest) Suggest = nullptr;
    decltype(&::SSCE_ReplaceBlockWord) ReplaceBlockWord = nullptr;
    decltype(&::SSCE_NextBlockWord) NextBlockWord = nullptr;
    decltype(&::SSCE_CloseBlock) CloseBlock = nullptr;
    decltype(&::SSCE_GetUserLexFiles) GetUserLexFiles = nullptr;
    decltype(&::SSCE_GetLexId) GetLexId = nullptr;
    decltype(&::SSCE_AddToLex) AddToLex = nullptr;
    decltype(&::SSCE_OptionsDlgTmplt) OptionsDlgTmplt = nullptr;

    // Whether every entry the spelling service calls is there.
    bool Complete() const;
};

const SpellEngine& Engine();

} // namespace tessaly::text
