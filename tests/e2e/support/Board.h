// The emulated board of one session.
#ifndef TESTS_E2E_SUPPORT_BOARD_H
#define TESTS_E2E_SUPPORT_BOARD_H

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

    void Start();
    void Stop();
    // Waits until the board has taken in everything the utility sent.
    void Settle();
    // The packets received, in order, one text each: "DA/DC" and the data,
    // printable bytes as they are and others as <hh>: "6/1 <01><06><02><01>",
    // "6/2", "6/6 Z2", "6/6 T1<00>".
    std::vector<std::string> Received() const;

private:
    const LaneFolder& lane_;
    const Variant& variant_;
};

}  // namespace e2e

#endif
