// The command line: the input split at NUL bytes into arguments after the
// program name.
#include "frame/CommandLine.h"
#include "base/ProgramOptions.h"
#include "fuzz/FuzzSupport.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::SetUpOnce();
    std::vector<std::string> arguments{"su_utility"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    if (size > 0) arguments.push_back(current);

    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    ResetProgramOptions();
    ParseCommandLine(static_cast<int>(arguments.size()), argv.data());
    return 0;
}
