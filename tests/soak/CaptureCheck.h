// A strict reader of the capture file's layout: the opening header, trace
// lines with their head ("%-12.12s:%5u:" and a severity prefix), the text of
// messages that hold line ends, and the footer a file ends with.
#ifndef TESTS_SOAK_CAPTURECHECK_H
#define TESTS_SOAK_CAPTURECHECK_H

#include <string>

namespace soak {

enum class CaptureEnd {
    Closing,    // the program ended normally: "*** Program closing ***"
    Continued,  // the file was full: "*** Continued in next capture file ***"
    Open,       // the program was ended from outside: no footer
};

// Empty when the file's text is well formed, else its first problem and
// where it is.
std::string CheckCaptureFile(const std::string& text, CaptureEnd end);

// The status of the file's "Return Code <n>" line; false when there is none.
bool CapturedReturnCode(const std::string& text, int* status);

}  // namespace soak

#endif
