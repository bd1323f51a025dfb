#include "config/ConfigCodes.h"

#include "base/TextUtil.h"

#include <cstring>

namespace {

enum CodeMatch { MATCH_EXACT, MATCH_ANY_CASE };

struct CodeName {
    const char* text;
    int code;
};

template <size_t N>
bool Lookup(const CodeName (&table)[N], CodeMatch match, const char* text, int* code)
{
    for (const CodeName& entry : table) {
        bool same = match == MATCH_ANY_CASE ? EqualsIgnoreCase(entry.text, text)
                                            : std::strcmp(entry.text, text) == 0;
        if (same) {
            *code = entry.code;
            return true;
        }
    }
    return false;
}

const CodeName countries[] = {
    {"USA", COUNTRY_USA},
    {"CANADA", COUNTRY_CANADA},
    {"ENGLAND", COUNTRY_ENGLAND},
    {"IRELAND", COUNTRY_IRELAND},
};

const CodeName weightMeasures[] = {{"ENGLISH", WEIGHT_ENGLISH}, {"METRIC", WEIGHT_METRIC}};

const CodeName currencies[] = {
    {"USD", CURRENCY_USD},
    {"CAD", CURRENCY_CAD},
    {"GBP", CURRENCY_GBP},
    {"EUR", CURRENCY_EUR},
};

// Every module type the lane knows is driven through the USB board.
const CodeName securityModules[] = {
    {"ORBA_SECURITY_MODULE", SECURITY_MODULE_USB},
    {"USB_SECURITY_MODULE", SECURITY_MODULE_USB},
    {"SIM_SECURITY_MODULE", SECURITY_MODULE_USB},
    {"USB_SCANNING_MODULE", SECURITY_MODULE_USB},
};

const CodeName laneTypes[] = {{"FULL-LANE", LANE_FULL}, {"MINI-LANE", LANE_MINI}, {"KIOSK", LANE_KIOSK}};

const CodeName operatingModes[] = {
    {"SMODE_SUSPEND", SMODE_SUSPEND},
    {"SMODE_EFT_ONLY", SMODE_EFT_ONLY},
    {"SMODE_CASH_EFT", SMODE_CASH_EFT},
};

const CodeName scannerScales[] = {
    {"NCR_7870", SCANNER_SCALE_NCR_7870},
    {"MAGELLAN", SCANNER_SCALE_MAGELLAN},
    {"MAGELLAN_DUAL_CABLE", SCANNER_SCALE_MAGELLAN_DUAL_CABLE},
    {"MAGELLAN_SCANNER_ONLY", SCANNER_SCALE_MAGELLAN_SCANNER_ONLY},
};

const CodeName handScanners[] = {
    {"None", HAND_SCANNER_NONE},
    {"SYMBOL_LS4071", HAND_SCANNER_SYMBOL_LS4071},
    {"SYMBOL_LS9100", HAND_SCANNER_SYMBOL_LS9100},
};

}  // namespace

bool CountryCodeOf(const char* text, int* code) { return Lookup(countries, MATCH_ANY_CASE, text, code); }

bool WeightMeasureOf(const char* text, int* code)
{
    return Lookup(weightMeasures, MATCH_ANY_CASE, text, code);
}

bool CurrencySymbolOf(const char* text, int* code)
{
    return Lookup(currencies, MATCH_ANY_CASE, text, code);
}

bool SecurityModuleTypeOf(const char* text, int* code)
{
    return Lookup(securityModules, MATCH_ANY_CASE, text, code);
}

bool LaneTypeOf(const char* text, int* code) { return Lookup(laneTypes, MATCH_EXACT, text, code); }

bool OperatingModeOf(const char* text, int* code)
{
    return Lookup(operatingModes, MATCH_EXACT, text, code);
}

bool ScannerScaleTypeOf(const char* text, int* code)
{
    return Lookup(scannerScales, MATCH_EXACT, text, code);
}

bool HandScannerTypeOf(const char* text, int* code)
{
    return Lookup(handScanners, MATCH_EXACT, text, code);
}

const char* CurrencySymbolText(int code)
{
    switch (code) {
    case CURRENCY_GBP: return "\xA3";
    case CURRENCY_EUR: return "\x80";
    default: return "$";
    }
}
