// The light tests and the EAS-as-lane-light commands against an in-memory
// board that answers like the module.
#include "commands/Command_Lights.h"
#include "link/ORBA_Support.h"
#include "support/LinkFixture.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <mutex>

using fakeboard::Bytes;
using fakeboard::Wire;

namespace {

class Lights : public linktest::LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        StartLink();
    }
};

bool IsPort6Data(const fakeboard::Sent& sent)
{
    return !sent.control && sent.bytes.size() >= 4 && sent.bytes[0] == ORBA_PORT_MODULE &&
           sent.bytes[1] == ORBA_DC_DATA;
}

std::string DataOf(const fakeboard::Sent& sent)
{
    return std::string(sent.bytes.begin() + 3, sent.bytes.begin() + 3 + sent.bytes[2]);
}

// The data of every port-6 request sent, in order.
std::vector<std::string> Port6Requests()
{
    std::vector<std::string> requests;
    for (const fakeboard::Sent& sent : fakeboard::SentPackets())
        if (IsPort6Data(sent)) requests.push_back(DataOf(sent));
    return requests;
}

// Answers "T0" with the next of the given statuses (the last one again when
// they run out).
void AnswerTal2Status(std::vector<uint8_t> statuses)
{
    auto queue = std::make_shared<std::deque<uint8_t>>(statuses.begin(), statuses.end());
    auto lock = std::make_shared<std::mutex>();
    fakeboard::SetResponder([queue, lock](const fakeboard::Sent& sent) {
        if (!IsPort6Data(sent) || DataOf(sent) != "T0") return;
        std::lock_guard<std::mutex> guard(*lock);
        uint8_t status = queue->front();
        if (queue->size() > 1) queue->pop_front();
        fakeboard::QueueReply(std::string("t0") + static_cast<char>(status));
    });
}

size_t Count(const std::string& text, const std::string& part)
{
    return linktest::Occurrences(text, part);
}

TEST_F(Lights, FailedLightRequestIsReportedAndTheTestGoesOn)
{
    fakeboard::SetResponder([](const fakeboard::Sent& sent) {
        if (IsPort6Data(sent) && DataOf(sent) == "L0") fakeboard::FailWrites(31);
    });
    scripted::Type("12");
    LaneLightTest();
    EXPECT_EQ(Port6Requests(), std::vector<std::string>{"L0"});
    const std::string output = scripted::Output();
    const size_t failure = output.find("Enter Command :2\n");
    ASSERT_NE(failure, std::string::npos);
    EXPECT_NE(output.find("ERROR 11: Writing Security Module data Failed.\n", failure),
              std::string::npos);
    EXPECT_NE(output.find("Enter Command :X\n", failure), std::string::npos) << "the next key is read";
}

TEST_F(Lights, Tal2StatusLineNamesTheLampsAndIgnoresBit40)
{
    AnswerTal2Status({0x00, 0x40, 0x61, 0x05, 0x2F});
    scripted::Type("????");
    Tal2LightsTest();
    const std::string output = scripted::Output();
    const std::string screen = "\n\n***** TAL-2 Type Lights Test  *****\n\n0 - Turn All TAL-2 Off\n\n";
    EXPECT_EQ(Count(output, std::string(25, '\n') + "TAL-2 Status :All Off\n\n" + screen), 2u);
    EXPECT_EQ(Count(output, "TAL-2 Status :Amber, Flashing\n\n"), 1u);
    EXPECT_EQ(Count(output, "TAL-2 Status :Amber, Red, On\n\n"), 1u);
    EXPECT_EQ(Count(output, "TAL-2 Status :Amber, Green, Red, Blue, Flashing\n\n"), 1u);
    EXPECT_NE(output.find("A - Stop Flashing Lights\nX - Exit\n\nEnter Command :X\n"),
              std::string::npos);
}

TEST_F(Lights, Tal2StatusBuriedUnderOtherPacketsIsReportedInItsPlace)
{
    fakeboard::SetResponder([](const fakeboard::Sent& sent) {
        if (!IsPort6Data(sent) || DataOf(sent) != "T0") return;
        for (int i = 0; i < 100; ++i) fakeboard::QueueReply("t1");
    });
    Tal2LightsTest();
    const std::string output = scripted::Output();
    EXPECT_NE(output.find("ERROR 12: Security Module status timeout.\n\n\n***** TAL-2 Type Lights Test"),
              std::string::npos);
    EXPECT_EQ(output.find("TAL-2 Status :"), std::string::npos);
}

TEST_F(Lights, TestsNeedPort6)
{
    fakeboard::FailWrites(31);
    scripted::Type("0");
    LaneLightTest();
    Tal2LightsTest();
    EXPECT_EQ(Count(scripted::Output(), "ERROR 1B: Can not open port 6.\n"), 2u);
    EXPECT_EQ(scripted::Output().find("Enter Command"), std::string::npos) << "no key is read";
}

// --------------------------------------------------------- EAS as lane light

// Answers each "Z" request with the given packets.
void AnswerEas(std::map<std::string, std::vector<Bytes>> answers)
{
    fakeboard::SetResponder([answers](const fakeboard::Sent& sent) {
        if (!IsPort6Data(sent)) return;
        auto found = answers.find(DataOf(sent));
        if (found == answers.end()) return;
        for (const Bytes& read : found->second) fakeboard::QueueRead(read);
    });
}

TEST_F(Lights, EasCommandEndsAtItsFirstFailure)
{
    std::vector<Bytes> unrelated(100, Wire(6, 6, "zX1"));
    AnswerEas({{"Z9?", unrelated}});
    SetAllEasAsLaneLight();
    EXPECT_NE(scripted::Output().find("Current Status:ERROR 12: Security Module timeout.\n"),
              std::string::npos);
    EXPECT_EQ(Port6Requests(), std::vector<std::string>{"Z9?"}) << "no set after a failed query";

    scripted::ClearOutput();
    fakeboard::ClearSent();
    fakeboard::SetResponder([](const fakeboard::Sent& sent) {
        if (!IsPort6Data(sent) || DataOf(sent) != "ZB?") return;
        fakeboard::QueueReply("zB1");
        fakeboard::FailWrites(31);
    });
    SetTopEasAsLaneLight();
    const std::string output = scripted::Output();
    const size_t state = output.find("Current Status:Top EAS as Lane Light is Enabled\n\n");
    ASSERT_NE(state, std::string::npos);
    EXPECT_NE(output.find("ERROR 11: Writing Security Module data Failed.\n", state), std::string::npos);
    EXPECT_EQ(output.find("\nTop EAS as Lane Light"), std::string::npos) << "no answer is awaited";
}

}  // namespace
