// What every fuzz target shares: a scratch lane (drive root, registry file,
// device folder, current directory <scratch>/lane/Bin), a console that
// swallows output, and no pause after error lines.
#ifndef FUZZ_FUZZSUPPORT_H
#define FUZZ_FUZZSUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// Sets the scratch lane up once per process; later calls do nothing.
void SetUpOnce();

// The scratch folder.
const std::string& Scratch();

// The link's waits (a second after a bad packet, 100 ms polls for an
// answer) cost nothing from here on: a run tries inputs, not waits.
void SkipWaits();

// Writes the bytes to the path (native); aborts when it cannot.
void WriteFile(const std::string& path, const uint8_t* data, size_t size);

// Aborts with the message: a finding, so libFuzzer keeps the input.
[[noreturn]] void Fail(const char* what);

}  // namespace fuzzsupport

#endif
