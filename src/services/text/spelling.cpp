// The spelling service without a dialog: the engine binding, suggestions for one word, a block
// over the caller's buffer, the engine's options dialog, releasing a spelling dialog.
#include "text/spell_engine.h"

#include <tessaly/text.h>
#include <tessaly/wnd.h>

#include "framework/core/module_state.h"
#include "platform/errors.h"
#include "platform/module.h"

namespace tessaly::text {

namespace {

template <typename F> void resolve(HMODULE module, const char* name, F& entry) {
    entry = reinterpret_cast<F>(platform::GetProcAddress(module, name));
}

SpellEngine load() {
    // Loading is a detail of the first call: the caller's last error stays as it was.
    const DWORD lastError = platform::GetLastError();
    SpellEngine e;
    if (HMODULE module = platform::LoadLibraryA("SSCE5232.dll")) {
        resolve(module, "SSCE_GetSid", e.GetSid);
        resolve(module, "SSCE_OpenBlock", e.OpenBlock);
        resolve(module, "SSCE_CheckBlock", e.CheckBlock);
        resolve(module, "SSCE_GetBlockInfo", e.GetBlockInfo);
        resolve(module, "SSCE_Suggest", e.Suggest);
        resolve(module, "SSCE_ReplaceBlockWord", e.ReplaceBlockWord);
        resolve(module, "SSCE_NextBlockWord", e.NextBlockWord);
        resolve(module, "SSCE_CloseBlock", e.CloseBlock);
        resolve(module, "SSCE_GetUserLexFiles", e.GetUserLexFiles);
        resolve(module, "SSCE_GetLexId", e.GetLexId);
        resolve(module, "SSCE_AddToLex", e.AddToLex);
        resolve(module, "SSCE_OptionsDlgTmplt", e.OptionsDlgTmplt);
    }
    platform::SetLastError(lastError);
    return e;
}

} // namespace

bool SpellEngine::Complete() const {
    return GetSid && OpenBlock && CheckBlock && GetBlockInfo && Suggest && ReplaceBlockWord &&
           NextBlockWord && CloseBlock && GetUserLexFiles && GetLexId && AddToLex &&
           OptionsDlgTmplt;
}

// The module stays loaded for the life of the process, as the library holds it.
const SpellEngine& Engine() {
    static const SpellEngine e = load();
    return e;
}

} // namespace tessaly::text

using tessaly::text::Engine;

int GetSuggestionWordList(CString word, CStringArray& list) {
    const auto& e = Engine();
    if (!e.GetSid || !e.Suggest) return static_cast<int>(list.GetSize());
    const SSCE_S16 sid = e.GetSid();
    char buffer[4096] = {};
    SSCE_S16 scores[256] = {};
    if (e.Suggest(sid, word, 30, buffer, sizeof buffer, scores, 256) > 0) {
        // Consecutive NUL-terminated words up to an empty one, never past the buffer.
        for (size_t at = 0; at < sizeof buffer && buffer[at];) {
            size_t end = at;
            while (end < sizeof buffer && buffer[end])
                ++end;
            list.Add(CString(buffer + at, static_cast<int>(end - at)));
            at = end + 1;
        }
    }
    return static_cast<int>(list.GetSize());
}

short SSCEOpenBlock(char* block, int length, int size) {
    const auto& e = Engine();
    if (!e.GetSid || !e.OpenBlock) return SSCE_NO_DICTIONARY_ERR;
    return e.OpenBlock(e.GetSid(), block, length, size, 0);
}

short SSCEOptionsDlgTmplt() {
    tessaly::framework::ManageModuleState state;
    const auto& e = Engine();
    if (!e.OptionsDlgTmplt) return -1;
    return e.OptionsDlgTmplt(nullptr, nullptr, "OPTIONSDLG");
}

void ReleaseSpellingDlg(CDialog** dialog) {
    if (!dialog) return;
    delete *dialog;
    *dialog = nullptr;
}
