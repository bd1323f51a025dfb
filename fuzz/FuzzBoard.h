// A board whose answers come from the fuzz input, for targets that run a
// whole command: every data packet the utility writes is answered by the
// next group of packets in the input, queued as the reader queues them.
// The input is a run of groups: a count, then that many packets, each a
// port (DA), a length (DL, taken modulo 61) and the data. A group or packet
// cut short by the end of the input holds what is there; after the input,
// the board stays silent. Keys come from a fixed script, then 'X' forever;
// every fourth key poll finds one. With FUZZ_SHOW_CONSOLE set, what the
// command shows goes to stderr.
//
// The link's polls and pauses are linked out (see fuzz/CMakeLists.txt):
// a silent board ends a wait at once instead of after seconds.
#ifndef FUZZ_FUZZBOARD_H
#define FUZZ_FUZZBOARD_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzboard {

// One data packet the utility wrote: its port and its data.
struct Written {
    uint8_t port;
    std::string data;
};

// The scratch lane and the link over this board, once per process.
void SetUpOnce();

// Starts a run: nothing waiting, nothing written, answers from the input
// (which must outlive the run), keys from the script.
void Start(const uint8_t* data, size_t size, const char* keys);

// The data packets written since Start, in order.
const std::vector<Written>& WrittenPackets();

// Whether port and data of a written packet are these.
bool IsPacket(const Written& packet, uint8_t port, const std::string& data);

// The whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace fuzzboard

#endif
