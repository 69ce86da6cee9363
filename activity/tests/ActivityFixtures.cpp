#include "activity/tests/ActivityFixtures.h"

namespace activitytest {
ADV_CLASS_IMPL(TTestAlert, TAdvNamed)
}  // namespace activitytest
