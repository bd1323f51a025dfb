#include "support/LaneConfigFiles.h"

#include "support/TestEnvironment.h"
#include "trace/Trace.h"

#include <filesystem>

namespace lanefiles {

std::string ConfigPath(const std::string& name)
{
    return testenv::ScratchDir() + "/lane/Config/" + name;
}

void WriteConfig(const std::string& name, const std::string& content)
{
    testenv::WriteFile(ConfigPath(name), content);
}

void WriteRegistry(const std::string& content)
{
    testenv::WriteFile(testenv::ScratchDir() + "/registry.ini", content);
}

void PrepareCaptureFolder()
{
    std::filesystem::create_directories(testenv::DriveRoot() + "/FirmwareUpdate");
}

std::string CapturePath() { return testenv::DriveRoot() + "/FirmwareUpdate/Utility01.Txt"; }

std::string CaptureText()
{
    TraceFlush();
    return testenv::ReadTextFile(CapturePath());
}

}  // namespace lanefiles
