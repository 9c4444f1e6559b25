#pragma once
// The whole interface of libTessaly, with the companion library it loads.
#include <tessaly/automation.h>
#include <tessaly/collections.h>
#include <tessaly/companion.h>
#include <tessaly/controls.h>
#include <tessaly/cstring.h>
#include <tessaly/dialogs.h>
#include <tessaly/foundation.h>
#include <tessaly/gdi.h>
#include <tessaly/mail.h>
#include <tessaly/notify.h>
#include <tessaly/oledatetime.h>
#include <tessaly/sync.h>
#include <tessaly/types.h>
#include <tessaly/variant.h>
#include <tessaly/winapp.h>
#include <tessaly/wnd.h>
