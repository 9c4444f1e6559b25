#pragma once
// The whole interface of libTessaly.
#include <tessaly/collections.h>
#include <tessaly/cstring.h>
#include <tessaly/foundation.h>
#include <tessaly/oledatetime.h>
#include <tessaly/types.h>
#include <tessaly/variant.h>
