#include "base/Variant.h"

const UtilityVariant g_Variant = {
    UTILITY_CU,
    "cu_utility",
    "CU Utility Version 0.2.4.1  03/23/2011",
    "\\\\.\\ConvUnitDevice0",
    137,
    145,
    148,
    151,
    159,
    193,
    true,
};
