// KelmLib: every public header of the library, for hosts that want one include.
#pragma once

#include "platform/archive.h"
#include "platform/array.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/message.h"
#include "platform/object.h"
#include "platform/string.h"
#include "platform/time.h"
#include "platform/types.h"

#include "strokes/steno.h"
#include "strokes/stroke.h"
