// The texts of the coded settings and the codes they store.
#ifndef CONFIG_CONFIGCODES_H
#define CONFIG_CONFIGCODES_H

// The codes the coded settings store.
enum { COUNTRY_USA = 1, COUNTRY_CANADA = 2, COUNTRY_ENGLAND = 3, COUNTRY_IRELAND = 4 };
enum { WEIGHT_ENGLISH = 1, WEIGHT_METRIC = 2 };
enum { CURRENCY_USD = 1, CURRENCY_CAD = 2, CURRENCY_GBP = 3, CURRENCY_EUR = 4 };
enum { SECURITY_MODULE_USB = 200 };
enum { LANE_FULL = 1, LANE_MINI = 2, LANE_KIOSK = 3 };
enum { SMODE_SUSPEND = 0, SMODE_EFT_ONLY = 1, SMODE_CASH_EFT = 2 };
enum {
    SCANNER_SCALE_NCR_7870 = 0,
    SCANNER_SCALE_MAGELLAN = 1,
    SCANNER_SCALE_MAGELLAN_DUAL_CABLE = 2,
    SCANNER_SCALE_MAGELLAN_SCANNER_ONLY = 4,
};
enum { HAND_SCANNER_NONE = 0, HAND_SCANNER_SYMBOL_LS4071 = 1, HAND_SCANNER_SYMBOL_LS9100 = 2 };

// False when text names none of the setting's codes. Country, weight and
// currency and the module type match in any letter case, the others exactly.
bool CountryCodeOf(const char* text, int* code);
bool WeightMeasureOf(const char* text, int* code);
bool CurrencySymbolOf(const char* text, int* code);
bool SecurityModuleTypeOf(const char* text, int* code);
bool LaneTypeOf(const char* text, int* code);
bool OperatingModeOf(const char* text, int* code);
bool ScannerScaleTypeOf(const char* text, int* code);
bool HandScannerTypeOf(const char* text, int* code);

// The symbol shown beside a currency code: "$", the pound sign or the euro
// sign in the lane's single-byte code page.
const char* CurrencySymbolText(int code);

#endif
