// The texts of the coded settings and the codes they store.
#ifndef CONFIG_CONFIGCODES_H
#define CONFIG_CONFIGCODES_H

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
