// The emulated board of one utility run, run in-process on the emulator's own
// thread, holding the device socket in the session's device folder.
#ifndef TESTS_E2E_SUPPORT_BOARD_H
#define TESTS_E2E_SUPPORT_BOARD_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

class LaneFolder;
struct Variant;

class Board {
public:
    Board(const LaneFolder& lane, const Variant& variant);
    ~Board();
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    // One scenario line of the emulator ("version=043912152010",
    // "fault.Z2=no-reply"), before Start.
    void Set(const std::string& line);

    void Start();
    void Stop();
    // Waits until the utility has hung up every connection it opened, so that
    // the log holds everything it sent.
    void Settle();
    // The packets received, in order, one text each: "DA/DC" and the data,
    // printable bytes as they are and others as <hh>: "6/1 <01><06><02><01>",
    // "6/2", "6/6 Z2", "6/6 T1<00>".
    std::vector<std::string> Received() const;
    // The firmware image the board kept from the last upload.
    std::vector<uint8_t> UploadedImage() const;
    // The emulator's whole log, one line per event, for failure messages.
    std::string LogText() const;

private:
    struct Emulated;
    const LaneFolder& lane_;
    const Variant& variant_;
    std::unique_ptr<Emulated> emulated_;
};

}  // namespace e2e

#endif
