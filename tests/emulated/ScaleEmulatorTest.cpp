// The emulated scale: its scenario keys, the configuration reply and the
// stream of readings between "S7" and "S8", spoken to over the board socket.
#include "emulator/Personality.h"
#include "emulator/Scenario.h"
#include "base/Variant.h"
#include "emulated/BoardClient.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

using emulator::LogKind;
using testboard::Client;
using testboard::Wire;

typedef std::chrono::steady_clock Clock;

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool BuildScaleBoard(const std::vector<std::string>& lines, const char* kind,
                     emulator::BoardSetup* setup, std::string* error)
{
    emulator::Scenario scenario;
    for (const std::string& line : lines)
        if (!emulator::AddScenarioLine(&scenario, line, "test", error)) return false;
    return emulator::BuildBoardSetup(scenario, *emulator::FindPersonality(kind), setup, error);
}

// The packet of one reading as the board streams it.
std::vector<uint8_t> Reading(uint8_t flags, uint16_t average, uint16_t filter1, uint16_t adc,
                             uint16_t noise)
{
    std::string data = "s7";
    data.push_back(static_cast<char>(flags));
    for (uint16_t word : {average, filter1, adc, noise}) {
        data.push_back(static_cast<char>(word >> 8));
        data.push_back(static_cast<char>(word & 0xFF));
    }
    std::vector<uint8_t> message = Wire(6, 6, data);
    message.insert(message.begin(), 'P');
    return message;
}

TEST(ScaleScenario, RefusesBadValuesWithTheLine)
{
    emulator::BoardSetup setup;
    std::string error;
    const std::vector<std::string> bad = {"scale.rate=fast",
                                          "scale.rate=1000001",
                                          "scale.reading=1,2,3,4",
                                          "scale.reading=256,0,0,0,0",
                                          "scale.reading=0,65536,0,0,0",
                                          "scale.reading=0,-1,0,0,0",
                                          "scale.readings=missing.csv",
                                          "scale.volume=3"};
    for (const std::string& line : bad) {
        EXPECT_FALSE(BuildScaleBoard({line}, "su", &setup, &error)) << line;
        EXPECT_NE(error.find("test: " + line.substr(0, line.find('='))), std::string::npos) << error;
    }
    testenv::WriteFile(testenv::WorkDir() + "/bad.csv", "0,1,2,3,4\n0,1,2,3\n");
    EXPECT_FALSE(BuildScaleBoard({"scale.readings=bad.csv"}, "su", &setup, &error));
    EXPECT_NE(error.find("bad.csv:2"), std::string::npos) << error;
    // The CU has no scale.
    EXPECT_FALSE(BuildScaleBoard({"scale.rate=5"}, "cu", &setup, &error));
}

class ScaleStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The board is the same whichever deliverable runs the test.
        if (IsCuUtility()) GTEST_SKIP() << "run by unit_tests_su";
    }

    void StartBoard(const std::vector<std::string>& lines)
    {
        ASSERT_TRUE(testboard::Start(board, "su", lines));
        ASSERT_EQ(writer.Open(board.SocketPath(), 'W'), std::vector<uint8_t>{'O'});
        reader.reset(new Client);
        ASSERT_EQ(reader->Open(board.SocketPath(), 'R'), std::vector<uint8_t>{'O'});
    }

    void Send(const std::string& request) { ASSERT_TRUE(writer.SendTagged('D', Wire(6, 6, request))); }

    // The next read, or an empty message when none came in time.
    std::vector<uint8_t> Next(unsigned timeoutMs = 2000)
    {
        std::vector<uint8_t> message;
        if (!reader->Receive(&message, timeoutMs)) message.clear();
        return message;
    }

    size_t StreamedAfterStop() const
    {
        size_t count = 0;
        bool stopped = false;
        for (const emulator::LogEntry& entry : board.LogEntries()) {
            if (entry.kind == LogKind::ToBoard && entry.wire == Wire(6, 6, "S8")) stopped = true;
            if (stopped && entry.kind == LogKind::FromBoard && entry.note == "stream") ++count;
        }
        return count;
    }

    testboard::TestBoard board;
    Client writer;
    std::unique_ptr<Client> reader;
};

TEST_F(ScaleStream, AnswersTheConfigurationAndStreamsTheReadingsInOrderUntilStopped)
{
    StartBoard({"scale.config=21.5,12", "scale.rate=200", "scale.reading=0,4300,4301,4302,3",
                "scale.reading=3,1,2,258,65535"});
    Send("SG");
    std::vector<uint8_t> configuration = Wire(6, 6, "sG21.5,12");
    configuration.insert(configuration.begin(), 'P');
    EXPECT_EQ(Next(), configuration);
    Send("S5");
    EXPECT_TRUE(Next(150).empty()) << "nothing before the stream starts";
    Send("S7");
    EXPECT_EQ(Next(), Reading(0, 4300, 4301, 4302, 3));
    EXPECT_EQ(Next(), Reading(3, 1, 2, 258, 65535));
    EXPECT_EQ(Next(), Reading(0, 4300, 4301, 4302, 3)) << "the readings start again";
    Send("S5");
    Send("S8");
    // What was already on its way may still arrive; then nothing.
    while (!Next(100).empty()) {
    }
    EXPECT_TRUE(Next(300).empty());
    EXPECT_EQ(StreamedAfterStop(), 0u);
    EXPECT_FALSE(board.State().scale.streaming);
}

TEST_F(ScaleStream, KeepsItsRateAndEndsAfterTheCount)
{
    StartBoard({"scale.rate=100", "scale.count=11", "scale.reading=0,1,1,1,1"});
    Send("S7");
    ASSERT_FALSE(Next().empty());
    const Clock::time_point first = Clock::now();
    for (int i = 1; i < 11; ++i) ASSERT_FALSE(Next().empty()) << i;
    const long long elapsed = MsSince(first);
    // Ten gaps of 10 ms.
    EXPECT_GE(elapsed, 80);
    EXPECT_LE(elapsed, 1000);
    EXPECT_TRUE(Next(200).empty()) << "the stream held 11 readings";

    // A new stream starts from the first reading with a fresh count.
    Send("S7");
    int again = 0;
    while (!Next(200).empty()) ++again;
    EXPECT_EQ(again, 11);
}

TEST_F(ScaleStream, StopsWhenTheUtilityHangsUp)
{
    StartBoard({"scale.rate=0"});
    Send("S7");
    ASSERT_FALSE(Next().empty());
    reader.reset();
    const Clock::time_point start = Clock::now();
    while (board.State().scale.streaming && MsSince(start) < 2000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(board.State().scale.streaming);
    // Nothing is sent into the void afterwards: at most the one packet that
    // found the connection gone. The hang-up itself may be logged a moment
    // after the stream stopped, so only packets are counted.
    const auto packets = [this] {
        return board.EntriesOf(LogKind::FromBoard).size() + board.EntriesOf(LogKind::Dropped).size();
    };
    const size_t sent = packets();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(packets(), sent);
    EXPECT_LE(board.EntriesOf(LogKind::Dropped).size(), 1u);
}

}  // namespace
