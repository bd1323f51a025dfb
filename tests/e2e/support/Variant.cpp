#include "Variant.h"

namespace e2e {

const Variant SU = {
    "su",
    SU_UTILITY_PATH,
    false,
    "SU Utility Version 0.2.3.1  02/09/2011",
    "SecModuleDevice0",
    135,
    143,
    146,
    149,
    154,
    188,
    "su_utility.exe",
};

const Variant CU = {
    "cu",
    CU_UTILITY_PATH,
    true,
    "CU Utility Version 0.2.4.1  03/23/2011",
    "ConvUnitDevice0",
    137,
    145,
    148,
    151,
    159,
    193,
    "cu_utility.exe",
};

}  // namespace e2e
