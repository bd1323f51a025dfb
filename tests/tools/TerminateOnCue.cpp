// terminate-on-cue.exe CUE PROGRAM [ARGUMENT...]
//
// A test tool of the Windows build: ends a program the way a deployment tool
// ends a run that takes too long. Starts PROGRAM with the arguments, on this
// process's standard handles, and once the file CUE exists (a path relative
// to the current folder) ends it with TerminateProcess (exit code 1), which
// the program cannot catch. Exits with the program's exit code; 120 when it
// cannot be started. Under Wine a Linux path ("/x/y") stands for "Z:\x\y".
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

const UINT TERMINATED_EXIT_CODE = 1;
const DWORD CUE_POLL_MS = 1;

std::string WindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The arguments as the C runtime reads them back: each in quotes, with the
// quotes and the backslashes before them escaped.
void AppendQuoted(std::string* line, const std::string& argument)
{
    *line += '"';
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') backslashes = backslashes * 2 + 1;
        line->append(backslashes, '\\');
        backslashes = 0;
        *line += c;
    }
    line->append(backslashes * 2, '\\');
    *line += '"';
}

bool CueGiven(const char* cue) { return GetFileAttributesA(cue) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: terminate-on-cue CUE PROGRAM [ARGUMENT...]\n");
        return 120;
    }
    const std::string program = WindowsPath(argv[2]);
    std::string commandLine;
    AppendQuoted(&commandLine, program);
    for (int i = 3; i < argc; ++i) {
        commandLine += ' ';
        AppendQuoted(&commandLine, argv[i]);
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &child)) {
        std::fprintf(stderr, "terminate-on-cue: %s not started: %lu\n", program.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return 120;
    }
    CloseHandle(child.hThread);
    while (WaitForSingleObject(child.hProcess, CUE_POLL_MS) == WAIT_TIMEOUT) {
        if (CueGiven(argv[1])) {
            TerminateProcess(child.hProcess, TERMINATED_EXIT_CODE);
            WaitForSingleObject(child.hProcess, INFINITE);
            break;
        }
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hProcess);
    return static_cast<int>(exitCode);
}
