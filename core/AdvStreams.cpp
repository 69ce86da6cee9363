#include "core/AdvStreams.h"

ADV_CLASS_IMPL(TAdvStream, TAdvObject)
ADV_CLASS_IMPL(TAdvAccessStream, TAdvStream)
