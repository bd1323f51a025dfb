#include "config/ConfigLookup.h"

#include "base/TextUtil.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstring>

const char INI_FIELD_NOT_SET[] = "?<<IniFieldNotSet>>?";

const char LANE_CONFIG_FILE[] = "..\\Config\\LaneConfig.Ini";
const char OVERRIDE_CONFIG_FILE[] = "..\\Config\\Override-ORVIK-Configs.Ini";
const char BANNER_CONFIG_FILE[] = "..\\Config\\BannerConfig.Ini";
const char CHAIN_CONFIG_FILE[] = "..\\Config\\ChainConfig.Ini";
const char LANE_CONFIG_SECTION[] = "Common";
const char OVERRIDE_CONFIG_SECTION[] = "Development - Override";

namespace {

const char LANE_REGISTRY_KEY[] = "SOFTWARE\\Morvane\\Orvik750\\Lane";
const char COMMON_MODE_SECTION[] = "Mode_Common_Section";

// The layered lookup reads 199 characters; the plain read one more.
enum { LAYER_READ_SIZE = 200 };

void CheckCallerBuffer(unsigned length)
{
    if (length > CONFIG_BUFFER_SIZE)
        TRACE(TL_ERROR | TF_CONSOLE | TF_ALERT, MODULE_CONFIG,
              "Internal Configuration Buffer( %u ) < Passed Buffer ( %u )",
              static_cast<unsigned>(CONFIG_BUFFER_SIZE), length);
}

void CopyOut(char* destination, unsigned length, const char* value)
{
    if (length > 0) CopyText(destination, length, value);
}

// One layer's read: true (with the value) when the key is set there.
bool ReadLayer(const char* key, const char* section, const char* file, char* value)
{
    Plat_GetProfileString(section, key, INI_FIELD_NOT_SET, value, LAYER_READ_SIZE, file);
    return std::strcmp(value, INI_FIELD_NOT_SET) != 0;
}

// The mode's section, then the common one.
bool ReadModeLayers(int mode, const char* key, const char* file, char* value)
{
    return ReadLayer(key, OperatingModeSection(mode), file, value) ||
           ReadLayer(key, COMMON_MODE_SECTION, file, value);
}

}  // namespace

const char* OperatingModeSection(int mode)
{
    switch (mode) {
    case 1: return "Mode_EFT_Section";
    case 2: return "Mode_Cash_EFT_Section";
    default: return "Mode_Suspend_Section";
    }
}

bool ReadIniSetting(const char* key, const char* defaultValue, char* destination, unsigned length,
                    const char* section, const char* file)
{
    CheckCallerBuffer(length);
    CopyOut(destination, length, "");
    char value[CONFIG_BUFFER_SIZE];
    Plat_GetProfileString(section, key, INI_FIELD_NOT_SET, value, sizeof value, file);
    if (std::strncmp(value, INI_FIELD_NOT_SET, CONFIG_BUFFER_SIZE) == 0) {
        CopyOut(destination, length, defaultValue);
        return false;
    }
    CopyOut(destination, length, value);
    return true;
}

bool ReadBannerSetting(int mode, const char* key, char* destination, unsigned length)
{
    CheckCallerBuffer(length);
    char value[LAYER_READ_SIZE];
    if (ReadLayer(key, OVERRIDE_CONFIG_SECTION, OVERRIDE_CONFIG_FILE, value)) {
        CopyOut(destination, length, value);
        TRACE(TL_WARNING, MODULE_CONFIG, "Using Value from Configuration Override File: %s = '%s'", key,
              value);
        return true;
    }
    if (ReadModeLayers(mode, key, BANNER_CONFIG_FILE, value)) {
        CopyOut(destination, length, value);
        TRACE(TL_WARNING, MODULE_CONFIG,
              "Using Value from Configuration Banner Override File: %s = '%s'", key, value);
        return true;
    }
    if (ReadModeLayers(mode, key, CHAIN_CONFIG_FILE, value)) {
        CopyOut(destination, length, value);
        return true;
    }
    CopyOut(destination, length, "");
    return false;
}

bool ReadBannerBool(int mode, const char* key, bool defaultValue)
{
    char value[LAYER_READ_SIZE];
    bool result = defaultValue;
    if (ReadBannerSetting(mode, key, value, sizeof value)) {
        switch (value[0]) {
        case '1':
        case 't':
        case 'T': result = true; break;
        case '0':
        case 'f':
        case 'F': result = false; break;
        default:
            TRACE(TL_ERROR | TF_CONSOLE | TF_ALERT, MODULE_CONFIG,
                  "Invalid Setting for Configuration Field: %s = %s", key, value);
            break;
        }
    }
    TRACE(TL_WARNING, MODULE_CONFIG, "Config: %-60s : %s", key, result ? "true" : "false");
    return result;
}

bool ReadLaneRegistryValue(const char* valueName, char* destination, unsigned length)
{
    CopyOut(destination, length, "");
    PlatRegKey key;
    if (!Plat_RegOpenLocalMachineKey(LANE_REGISTRY_KEY, &key)) return false;
    bool read = Plat_RegQueryValue(key, valueName, destination, length);
    Plat_RegCloseKey(key);
    return read;
}
