#pragma once
// Dialog templates (resource type 5) as the resource compiler writes them: the extended
// form (DLGTEMPLATEEX, from DIALOGEX) and the older form (DLGTEMPLATE, from DIALOG).
// Coordinates are dialog units; texts are the template's own UTF-16.
#include <string>
#include <vector>

#include <tessaly/window_styles.h>

#include "api.h"

namespace tessaly::platform {

// Predefined control classes, stored in a template as atoms.
enum : WORD {
    CLASS_BUTTON = 0x80,
    CLASS_EDIT = 0x81,
    CLASS_STATIC = 0x82,
    CLASS_LISTBOX = 0x83,
    CLASS_SCROLLBAR = 0x84,
    CLASS_COMBOBOX = 0x85,
};

// A string or a number where a template allows either (menu, class, control text).
struct SzOrOrdinal {
    bool isOrdinal = false;
    WORD ordinal = 0;
    std::u16string text;
    bool empty() const { return !isOrdinal && text.empty(); }
};

struct PLATFORM_API DialogItemTemplate {
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;            // 16 bits in the older form
    SzOrOrdinal windowClass; // an atom (CLASS_BUTTON ...) or a class name
    SzOrOrdinal title;       // text, or a resource number (an icon's, for instance)
    std::vector<BYTE> creationData;
    // The predefined class atom, also for the class names "Button", "Edit", ... (any
    // case); 0 for other classes.
    WORD classAtom() const;
};

struct DialogTemplate {
    bool extended = false; // DLGTEMPLATEEX
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    SzOrOrdinal menu;
    SzOrOrdinal windowClass;
    std::u16string caption;
    // The font, present when the style holds DS_SETFONT.
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    bool italic = false;
    BYTE charset = 0;
    std::u16string typeface;
    std::vector<DialogItemTemplate> items;
};

// Reads a template from resource data; false (and nothing promised about out) when the data
// are cut short or not a template.
PLATFORM_API bool ParseDialogTemplate(const void* data, size_t size, DialogTemplate& out);
// The dialog resource of a module, by number or by name; false when absent or damaged.
PLATFORM_API bool LoadDialogTemplate(HMODULE module, WORD id, DialogTemplate& out);
PLATFORM_API bool LoadDialogTemplate(HMODULE module, const char* name, DialogTemplate& out);

} // namespace tessaly::platform
