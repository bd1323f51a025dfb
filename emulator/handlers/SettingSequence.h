// Settings that change from one request to the next: a value may be a
// comma-separated list ("0x31,0x01,0x30"); each request takes the next item
// and the last one stays. The position is kept in the board's settings.
#ifndef EMULATOR_HANDLERS_SETTINGSEQUENCE_H
#define EMULATOR_HANDLERS_SETTINGSEQUENCE_H

#include "emulator/BoardState.h"

#include <string>

namespace emulator {

// The next item as text; fallback when the setting is missing. Items are
// separated by the separator.
std::string NextSettingText(BoardState& state, const std::string& name, const std::string& fallback,
                            char separator = ',');
// The next item as a number (decimal or 0x hexadecimal); fallback when the
// setting is missing or the item is not a number.
long NextSettingNumber(BoardState& state, const std::string& name, long fallback);

}  // namespace emulator

#endif
