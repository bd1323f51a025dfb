#include "support/TestEnvironment.h"

#include <cstdlib>

namespace testenv {

void SetEnv(const char* name, const char* value)
{
    // An empty value removes the variable.
    _putenv_s(name, value != nullptr ? value : "");
}

}  // namespace testenv
