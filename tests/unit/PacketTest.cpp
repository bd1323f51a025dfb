#include "link/ORBA_Support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

ModulePacket Packet(uint8_t da, uint8_t dc, std::initializer_list<uint8_t> data)
{
    ModulePacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.DA = da;
    packet.DC = dc;
    packet.DL = static_cast<uint8_t>(data.size());
    size_t i = 0;
    for (uint8_t byte : data) packet.data[i++] = byte;
    return packet;
}

TEST(Packet, VersionRequestChecksumAndWireBytes)
{
    ModulePacket request = Packet(6, 6, {'Z', '2'});
    UsbPacketBuffer wire;
    CopyPacketToUsbBuffer(&wire, &request);
    EXPECT_EQ(SetPacketChecksum(&wire), 6);
    const uint8_t expected[] = {0x06, 0x06, 0x02, 0x5A, 0x32, 0x9A};
    EXPECT_EQ(std::memcmp(wire.bytes, expected, sizeof expected), 0);
    for (size_t i = sizeof expected; i < sizeof wire.bytes; ++i) EXPECT_EQ(wire.bytes[i], 0) << i;
    EXPECT_TRUE(VerifyPacketChecksum(&wire));
}

TEST(Packet, ChecksumOffsetFollowsDataLength)
{
    ModulePacket empty = Packet(6, 6, {});
    UsbPacketBuffer wire;
    CopyPacketToUsbBuffer(&wire, &empty);
    EXPECT_EQ(SetPacketChecksum(&wire), 4);
    EXPECT_EQ(wire.bytes[3], 12);

    ModulePacket full = Packet(6, 6, {});
    full.DL = 60;
    for (int i = 0; i < 60; ++i) full.data[i] = 1;
    CopyPacketToUsbBuffer(&wire, &full);
    EXPECT_EQ(SetPacketChecksum(&wire), 64);
    EXPECT_EQ(wire.bytes[63], static_cast<uint8_t>(6 + 6 + 60 + 60));
    EXPECT_TRUE(VerifyPacketChecksum(&wire));
}

TEST(Packet, ChecksumKeepsLowEightBits)
{
    ModulePacket packet = Packet(6, 6, {0xFF, 0xFF, 0xFF});
    UsbPacketBuffer wire;
    CopyPacketToUsbBuffer(&wire, &packet);
    SetPacketChecksum(&wire);
    EXPECT_EQ(wire.bytes[6], 0x0C);
}

TEST(Packet, VerifyRefusesWrongChecksumAndOversizedLength)
{
    ModulePacket packet = Packet(6, 6, {'z', '2'});
    UsbPacketBuffer wire;
    CopyPacketToUsbBuffer(&wire, &packet);
    SetPacketChecksum(&wire);
    wire.bytes[5] ^= 1;
    EXPECT_FALSE(VerifyPacketChecksum(&wire));

    // DL 61 with a byte at offset 64 would be out of the buffer: never summed.
    UsbPacketBuffer oversized;
    std::memset(oversized.bytes, 0, sizeof oversized.bytes);
    oversized.bytes[2] = 61;
    EXPECT_FALSE(VerifyPacketChecksum(&oversized));
    oversized.bytes[2] = 255;
    EXPECT_FALSE(VerifyPacketChecksum(&oversized));
}

TEST(Packet, DecodedRecordIsZeroPastDataLength)
{
    UsbPacketBuffer wire;
    std::memset(wire.bytes, 0xEE, sizeof wire.bytes);
    wire.bytes[0] = 6;
    wire.bytes[1] = 6;
    wire.bytes[2] = 2;
    ModulePacket packet;
    std::memset(&packet, 0x55, sizeof packet);
    CopyUsbBufferToPacket(&wire, &packet);
    EXPECT_EQ(packet.DA, 6);
    EXPECT_EQ(packet.DL, 2);
    EXPECT_EQ(packet.data[0], 0xEE);
    EXPECT_EQ(packet.data[1], 0xEE);
    for (int i = 2; i < MODULE_PACKET_DATA_SIZE; ++i) ASSERT_EQ(packet.data[i], 0) << i;
}

TEST(PacketDeathTest, OversizedRecordEndsTheProgramWithItsOwnStatus)
{
    ModulePacket packet = Packet(6, 6, {});
    packet.DL = 61;
    UsbPacketBuffer wire;
    EXPECT_EXIT(CopyPacketToUsbBuffer(&wire, &packet), ::testing::ExitedWithCode(EXIT_PACKET_TOO_LARGE),
                "");
}

}  // namespace
