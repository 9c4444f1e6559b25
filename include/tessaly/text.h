#pragma once
// Text services: mail and database dates, words and text measures, the spelling service,
// related words and word-list data files, keyboard symbols and shortcuts.
#include <tessaly/collections.h>
#include <tessaly/controls.h>
#include <tessaly/cstring.h>
#include <tessaly/oledatetime.h>
#include <tessaly/types.h>

// ---- Dates and times ----


// ---- Words and text measures ----


// ---- Keyboard symbols and shortcuts ----




// ---- Spelling ----


// ---- Related words and word-list data files ----

