#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace testenv {

namespace {

// A child process of a test (a death test, or a test that runs itself again
// with other standard streams) shares its parent's scratch folder and leaves
// its removal to the parent.
const char* const inheritedScratch = "UTILITY_TEST_SCRATCH";
bool ownsScratch = true;

std::string MakeScratch()
{
    const char* parent = std::getenv(inheritedScratch);
    std::error_code error;
    if (parent != nullptr && *parent != '\0' && fs::is_directory(parent, error)) {
        ownsScratch = false;
        return parent;
    }
    std::random_device random;
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path dir = fs::temp_directory_path() /
                   ("utiltest-" + std::to_string(stamp) + "-" + std::to_string(random()));
    fs::create_directories(dir / "drive_c");
    fs::create_directories(dir / "lane" / "Bin");
    fs::create_directories(dir / "dev");
    return dir.string();
}

}  // namespace

const std::string& ScratchDir()
{
    static const std::string dir = MakeScratch();
    return dir;
}

// On Windows the programs write to the real drive C:, shared by every test
// (the Windows test preset runs tests one at a time for that reason).
std::string DriveRoot()
{
    if (IsNativeWindows()) return "C:";
    return (fs::path(ScratchDir()) / "drive_c").string();
}
std::string WorkDir() { return (fs::path(ScratchDir()) / "lane" / "Bin").string(); }

void WriteFile(const std::string& path, const std::string& content)
{
    fs::path p(path);
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ReadTextFile(const std::string& path)
{
    std::string text = ReadFile(path);
    if (!IsNativeWindows()) return text;
    std::string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) plain += text[i];
    return plain;
}

bool FileExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(path, error);
}

namespace {

// Sets up the scratch folder before any test runs and removes it afterwards.
class ScratchEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        SetEnv("SECMODULE_ROOT", DriveRoot().c_str());
        SetEnv("SECMODULE_REGISTRY", (fs::path(ScratchDir()) / "registry.ini").string().c_str());
        SetEnv("SECMODULE_DEVICE_DIR", (fs::path(ScratchDir()) / "dev").string().c_str());
        SetEnv(inheritedScratch, ScratchDir().c_str());
        fs::current_path(WorkDir());
    }
    void TearDown() override
    {
        std::error_code error;
        fs::current_path(fs::temp_directory_path(), error);
        if (ownsScratch && std::getenv("UTILITY_KEEP_SCRATCH") == nullptr)
            fs::remove_all(ScratchDir(), error);
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new ScratchEnvironment);

}  // namespace

}  // namespace testenv
