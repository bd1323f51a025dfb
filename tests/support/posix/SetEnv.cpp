#include "support/TestEnvironment.h"

#include <cstdlib>

namespace testenv {

void SetEnv(const char* name, const char* value)
{
    if (value == nullptr)
        unsetenv(name);
    else
        setenv(name, value, 1);
}

}  // namespace testenv
