// A board for command tests, on top of the in-memory board device: it
// answers port-6 requests from a table, and can be told to fail the write of
// one request, to answer one with 100 unrelated packets, or to stay silent.
// Requests are matched by their data as text ("ZC?", "F1", "A4,"): an entry
// ending in '*' matches every request that begins with the rest.
#ifndef TESTS_SUPPORT_ANSWERINGBOARD_H
#define TESTS_SUPPORT_ANSWERINGBOARD_H

#include <string>
#include <vector>

namespace answering {

enum class Misbehaviour { NotSent, Flood, Silent };

// Installs the in-memory board device with the responder; the link is
// started by the test (linktest::LinkTest::StartLink).
void Install();

// Replies to a request (each a port-6 data packet), replacing earlier ones.
void Answer(const std::string& request, const std::vector<std::string>& replies);
// The identity and settings answers of a board of this firmware version
// ("041012152010").
void AnswerLikeABoard(const std::string& version);
// How the matching request goes wrong (the first matching rule counts).
void Misbehave(const std::string& request, Misbehaviour how);

// The data of every port-6 packet written, in order, as text; port control
// packets as "<init>", "<open>", "<close>".
std::vector<std::string> Written();
// The same, from the first packet written after the port-6 open on.
std::vector<std::string> WrittenAfterOpen();

}  // namespace answering

#endif
