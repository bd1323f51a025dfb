#include "base/Variant.h"

const UtilityVariant g_Variant = {
    UTILITY_SU,
    "su_utility",
    "SU Utility Version 0.2.3.1  02/09/2011",
    "\\\\.\\SecModuleDevice0",
    135,
    143,
    146,
    149,
    154,
    188,
    false,
};
