#include "LaneFolder.h"

#include "WindowsUnderWine.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace e2e {

namespace {

const char* const typicalLaneConfig =
    "[Common]\n"
    "CountryCode=USA\n"
    "WeightMeasure=ENGLISH\n"
    "CurrencySymbol=USD\n"
    "LaneType=FULL-LANE\n"
    "SystemOperatingMode=SMODE_SUSPEND\n"
    "ScannerScale_Type=NCR_7870\n"
    "StoreChain=Test Chain\n"
    "StoreNumber=17\n";

const char* const typicalRegistry =
    "[SOFTWARE\\Morvane\\Orvik750\\Lane]\n"
    "SecurityModuleType=USB_SCANNING_MODULE\n";

std::string NewRoot()
{
    std::random_device random;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path root = fs::temp_directory_path() /
                    ("utile2e-" + std::to_string(stamp) + "-" + std::to_string(random()));
    return root.string();
}

// Lanes alive now: under Wine they share the prefix's drive C:, which the
// first one clears. Atomic: the soak builds lanes on several threads.
std::atomic<int> livingLanes{0};

}  // namespace

void WriteTextFile(const std::string& path, const std::string& content)
{
    fs::path file(path);
    if (file.has_parent_path()) fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool PathExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

LaneFolder::LaneFolder() : root_(NewRoot())
{
    // Under Wine a second lane alive at once is the first one's lane, which
    // a program may be reading now.
    const bool freshLane = livingLanes.fetch_add(1) == 0 || !UnderWine();
    fs::create_directories(DeviceDir());
    if (!freshLane) return;
    std::error_code error;
    fs::remove_all(LaneRoot(), error);
    fs::remove_all(OnDriveC("FirmwareUpdate"), error);
    fs::create_directories(DriveRoot());
    fs::create_directories(BinDir());
    fs::create_directories(ConfigDir());
    WriteConfig("LaneConfig.Ini", typicalLaneConfig);
    WriteRegistry(typicalRegistry);
}

LaneFolder::~LaneFolder()
{
    --livingLanes;
    if (std::getenv("UTILITY_KEEP_SCRATCH") != nullptr) return;
    std::error_code error;
    fs::remove_all(root_, error);
}

std::string LaneFolder::DriveRoot() const
{
    return UnderWine() ? WinePrefix() + "/drive_c" : root_ + "/drive_c";
}

std::string LaneFolder::LaneRoot() const
{
    return UnderWine() ? DriveRoot() + "/Lane" : root_ + "/lane";
}

std::vector<std::pair<std::string, std::string>> LaneFolder::Environment() const
{
    if (UnderWine()) return WineEnvironment();
    return {{"SECMODULE_ROOT", DriveRoot()},
            {"SECMODULE_REGISTRY", RegistryFile()},
            {"SECMODULE_DEVICE_DIR", DeviceDir()}};
}

void LaneFolder::WriteConfig(const std::string& name, const std::string& content) const
{
    WriteTextFile(ConfigDir() + "/" + name, content);
}

void LaneFolder::WriteRegistry(const std::string& content) const
{
    if (UnderWine())
        SetWineRegistry(content);
    else
        WriteTextFile(RegistryFile(), content);
}

std::string LaneFolder::ReadOnDriveC(const std::string& relative) const
{
    const std::string text = ReadTextFile(OnDriveC(relative));
    return UnderWine() ? FromWindowsText(text) : text;
}

}  // namespace e2e
