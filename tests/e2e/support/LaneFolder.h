// A fresh lane PC for one run: the stand-in drive C:, the registry file, the
// board's device folder, and the lane's Bin and Config folders. Under Wine
// (WindowsUnderWine.h) drive C: is the prefix's, the lane is C:\Lane, and the
// registry is Wine's; lanes alive at the same time in one process share it.
#ifndef TESTS_E2E_SUPPORT_LANEFOLDER_H
#define TESTS_E2E_SUPPORT_LANEFOLDER_H

#include <string>
#include <utility>
#include <vector>

namespace e2e {

class LaneFolder {
public:
    // Creates the folders and a typical lane configuration.
    LaneFolder();
    // Removed unless UTILITY_KEEP_SCRATCH is set.
    ~LaneFolder();
    LaneFolder(const LaneFolder&) = delete;
    LaneFolder& operator=(const LaneFolder&) = delete;

    const std::string& Root() const { return root_; }
    std::string DriveRoot() const;
    std::string DeviceDir() const { return root_ + "/dev"; }
    std::string RegistryFile() const { return root_ + "/registry.ini"; }
    // The current directory of the utility; "..\Config\" is ConfigDir().
    std::string BinDir() const { return LaneRoot() + "/Bin"; }
    std::string ConfigDir() const { return LaneRoot() + "/Config"; }
    // A path below the stand-in drive C: ("FirmwareUpdate/Utility01.Txt").
    std::string OnDriveC(const std::string& relative) const { return DriveRoot() + "/" + relative; }

    // The contract's variables pointing into this folder.
    std::vector<std::pair<std::string, std::string>> Environment() const;

    // Replaces a configuration file ("LaneConfig.Ini", ...) or the registry.
    void WriteConfig(const std::string& name, const std::string& content) const;
    void WriteRegistry(const std::string& content) const;

    // A text file the program wrote below drive C:, with the platform's line
    // ends read as "\n" (empty when there is none).
    std::string ReadOnDriveC(const std::string& relative) const;
    // The newest capture file (empty when there is none).
    std::string Capture() const { return ReadOnDriveC("FirmwareUpdate/Utility01.Txt"); }

private:
    std::string LaneRoot() const;

    std::string root_;
};

void WriteTextFile(const std::string& path, const std::string& content);
std::string ReadTextFile(const std::string& path);
bool PathExists(const std::string& path);

}  // namespace e2e

#endif
