// What differs between su_utility and cu_utility. Each deliverable links
// exactly one definition of g_Variant.
#ifndef BASE_VARIANT_H
#define BASE_VARIANT_H

enum UtilityKind { UTILITY_SU = 1, UTILITY_CU = 2 };

struct UtilityVariant {
    UtilityKind kind;
    // The program's name in its notes on standard error and its usage summary.
    const char* programName;
    const char* banner;
    const char* deviceName;
    // Exit statuses of the main sequence.
    int exitPort6Open;
    int exitVersion;
    int exitChecksum;
    int exitModel;
    int exitPort6Close;
    int exitUploadFailed;
    // Every packet written and handed to a caller is traced.
    bool packetTrace;
};

extern const UtilityVariant g_Variant;

inline bool IsCuUtility() { return g_Variant.kind == UTILITY_CU; }

#endif
