#include "link/ReceiveQueue.h"
#include "link/securitymodule.h"
#include "support/LinkFixture.h"

#include <gtest/gtest.h>

#include <string>

using fakeboard::Bytes;
using linktest::CaptureText;
using linktest::Occurrences;
using linktest::Packet;

namespace {

class ReceiveQueueBound : public linktest::LinkTest {};

const char OVERFLOW_LINE[] = "Receive queue full (10000 packets)";

void Flood(size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        ModulePacket packet = Packet(6, 6, "z" + std::to_string(i % 1000));
        QueueReceivedPacket(&packet);
    }
}

TEST_F(ReceiveQueueBound, AFloodKeepsTheOldestRecordsAndIsToldOncePerEpisode)
{
    Flood(RECEIVE_QUEUE_LIMIT + 5000);
    EXPECT_EQ(ReceivedPacketCount(), RECEIVE_QUEUE_LIMIT);
    EXPECT_EQ(Occurrences(CaptureText(), OVERFLOW_LINE), 1u);

    // What was kept is the head of the flood, in order.
    ModulePacket packet;
    ASSERT_TRUE(DequeueReceivedPacket(&packet));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(packet.data), packet.DL), "z0");
    EXPECT_EQ(ReceivedPacketCount(), RECEIVE_QUEUE_LIMIT - 1);

    // One free place: the next packet is taken, which ends the episode; the
    // one after it starts a new episode and is told again.
    Flood(1);
    EXPECT_EQ(ReceivedPacketCount(), RECEIVE_QUEUE_LIMIT);
    EXPECT_EQ(Occurrences(CaptureText(), OVERFLOW_LINE), 1u);
    Flood(3);
    EXPECT_EQ(Occurrences(CaptureText(), OVERFLOW_LINE), 2u);

    while (DequeueReceivedPacket(&packet)) {
    }
    EXPECT_EQ(ReceivedPacketCount(), 0u);
    Flood(10);
    EXPECT_EQ(ReceivedPacketCount(), 10u);
}

TEST_F(ReceiveQueueBound, ABoardFloodingEmptyReadsCannotGrowTheQueuePastTheBound)
{
    StartLink();
    const size_t reads = RECEIVE_QUEUE_LIMIT + 500;
    for (size_t i = 0; i < reads; ++i) fakeboard::QueueRead(Bytes());
    ASSERT_TRUE(fakeboard::WaitForIdleReader(60000));
    EXPECT_EQ(ReceivedPacketCount(), RECEIVE_QUEUE_LIMIT);
    const std::string capture = CaptureText();
    EXPECT_EQ(Occurrences(capture, OVERFLOW_LINE), 1u);
    EXPECT_EQ(Occurrences(capture, "*** EMPTY PACKET ***"), reads);
}

}  // namespace
