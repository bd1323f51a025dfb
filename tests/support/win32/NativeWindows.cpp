#include "support/TestEnvironment.h"

namespace testenv {

bool IsNativeWindows() { return true; }

}  // namespace testenv
