// The text of an errno value, safe to take from any of the board's threads.
#ifndef EMULATOR_SYSTEMERROR_H
#define EMULATOR_SYSTEMERROR_H

#include <string>

namespace emulator {

std::string SystemErrorText(int code);

}  // namespace emulator

#endif
