// The two deliverables as the end-to-end tests see them.
#ifndef TESTS_E2E_SUPPORT_VARIANT_H
#define TESTS_E2E_SUPPORT_VARIANT_H

#include <ostream>
#include <string>

namespace e2e {

struct Variant {
    const char* name;     // "su" or "cu"
    const char* program;  // path of the executable
    bool cu;
    const char* banner;
    const char* deviceSocket;  // the board's socket name in the device folder
    int exitPort6Open;
    int exitVersion;
    int exitChecksum;
    int exitModel;
    int exitPort6Close;
    int exitUploadFailed;
    const char* windowsProgram;  // the .exe's name in the Windows build
};

extern const Variant SU;
extern const Variant CU;

// For test names and failure messages.
inline void PrintTo(const Variant& variant, std::ostream* out) { *out << variant.name; }
inline std::string VariantName(const Variant& variant) { return variant.name; }

}  // namespace e2e

#endif
