// Helpers for tests that read the capture files in the firmware-update folder.
#ifndef TESTS_SUPPORT_CAPTUREFILES_H
#define TESTS_SUPPORT_CAPTUREFILES_H

#include <string>
#include <vector>

namespace capture {

// The capture file is opened once per process; a test of its contents needs
// a process of its own, as ctest runs every test.
const char* const freshProcessOnly =
    "the capture file was opened by an earlier test in this process; run each test alone (ctest)";

// The stand-in folder "c:\FirmwareUpdate" and "Utility0<number>.Txt" in it.
std::string FolderPath();
std::string FilePath(int number);
// Creates the folder, as the program's start-up does.
void CreateFolder();
// Flushes the capture stream and reads "Utility0<number>.Txt".
std::string Read(int number);
// Splits a text into lines at "\n" (a last line without one is kept).
std::vector<std::string> Lines(const std::string& text);
// True when a line is a whole trace line: "%-12.12s:%5u:" and a prefix.
bool IsTraceLine(const std::string& line);
// The trace lines of a text (header, footer and blank lines left out).
std::vector<std::string> TraceLines(const std::string& text);
// The message part of a trace line.
std::string Message(const std::string& traceLine);

}  // namespace capture

#endif
