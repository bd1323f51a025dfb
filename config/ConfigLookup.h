// Lookups of the lane's settings in its INI files and in the registry. Used
// only by the thread that loads the program configuration.
#ifndef CONFIG_CONFIGLOOKUP_H
#define CONFIG_CONFIGLOOKUP_H

// The default every INI read passes, so that an absent key can be told from
// a key present with an empty value.
extern const char INI_FIELD_NOT_SET[];

// The lane's files, relative to the current directory.
extern const char LANE_CONFIG_FILE[];
extern const char OVERRIDE_CONFIG_FILE[];
extern const char BANNER_CONFIG_FILE[];
extern const char CHAIN_CONFIG_FILE[];
extern const char LANE_CONFIG_SECTION[];
extern const char OVERRIDE_CONFIG_SECTION[];

// The largest caller buffer the reads serve whole.
enum { CONFIG_BUFFER_SIZE = 201 };

// The banner and chain files' section for an operating mode.
const char* OperatingModeSection(int mode);

// Key from section of file into destination (at most length - 1 characters,
// always terminated). True when the key is present; false when defaultValue
// was used.
bool ReadIniSetting(const char* key, const char* defaultValue, char* destination, unsigned length,
                    const char* section, const char* file);

// Layered lookup: the override file, then the banner file, then the chain
// file, each with the mode's section before the common one. False, with an
// empty destination, when no layer has the key.
bool ReadBannerSetting(int mode, const char* key, char* destination, unsigned length);

// A layered boolean for an operating mode ('1', 't', 'T' true; '0', 'f', 'F' false); anything else
// is reported and gives defaultValue. The value in force is traced.
bool ReadBannerBool(int mode, const char* key, bool defaultValue);

// A value of the lane's registry key; false when the key or value is missing.
bool ReadLaneRegistryValue(const char* valueName, char* destination, unsigned length);

#endif
