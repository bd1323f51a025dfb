#include "Board.h"

namespace e2e {

Board::Board(const LaneFolder& lane, const Variant& variant) : lane_(lane), variant_(variant) {}
Board::~Board() = default;
void Board::Start() {}
void Board::Stop() {}
void Board::Settle() {}
std::vector<std::string> Board::Received() const { return {}; }

}  // namespace e2e
