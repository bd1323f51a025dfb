#include "support/TestEnvironment.h"

namespace testenv {

bool IsNativeWindows() { return false; }

}  // namespace testenv
