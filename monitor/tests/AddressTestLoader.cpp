#include "monitor/tests/AddressTestLoader.h"

namespace vexatest {

ADV_CLASS_IMPL(TAddressLineFormat, TFormat)
ADV_CLASS_IMPL(TAddressLineLoader, TLoader)

}  // namespace vexatest
