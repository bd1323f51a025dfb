#include "BenchScratch.h"

#include "platform/Platform.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

bool MakeBenchScratch(const char* pattern, std::string* scratch)
{
    std::vector<char> name(pattern, pattern + std::string(pattern).size() + 1);
    if (mkdtemp(name.data()) == nullptr) return false;
    *scratch = name.data();
    for (const char* sub : {"/drive_c", "/dev", "/lane", "/lane/Bin"})
        mkdir((*scratch + sub).c_str(), 0777);
    setenv("SECMODULE_ROOT", (*scratch + "/drive_c").c_str(), 1);
    setenv("SECMODULE_DEVICE_DIR", (*scratch + "/dev").c_str(), 1);
    setenv("SECMODULE_REGISTRY", (*scratch + "/registry.ini").c_str(), 1);
    if (chdir((*scratch + "/lane/Bin").c_str()) != 0) return false;
    Plat_CreateDirectory("c:\\FirmwareUpdate");
    return true;
}
