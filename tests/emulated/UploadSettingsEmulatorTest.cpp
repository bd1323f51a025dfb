// The board's side of the firmware upload and of the settings: what it
// checks, what it keeps and what each firmware version answers.
#include "support/TestBoard.h"

#include <gtest/gtest.h>

namespace {

using namespace emulator;

// The board's logic alone, with the scenario lines.
class BoardUnderTest : public testboard::TestBoard {
public:
    BoardUnderTest(const std::string& kind, const std::vector<std::string>& lines)
    {
        for (const std::string& line : lines) Set(line);
        StartLogic(kind);
    }

    std::string AskOne(const std::string& data)
    {
        const std::vector<std::string> replies = Ask(data);
        EXPECT_EQ(replies.size(), 1u) << "request " << data;
        return replies.empty() ? std::string() : replies[0];
    }
};

std::string StartRequest(unsigned size, uint32_t checksum, const std::string& date = "07/04/26",
                         const std::string& name = "SU_CRC_0.bin")
{
    std::string data = "F1";
    data.push_back(static_cast<char>(size >> 8));
    data.push_back(static_cast<char>(size & 0xFF));
    for (int shift = 24; shift >= 0; shift -= 8) data.push_back(static_cast<char>(checksum >> shift));
    data += date;
    data += (name + std::string(32, ' ')).substr(0, 32);
    return data;
}

std::string Image(size_t size)
{
    std::string image;
    for (size_t i = 0; i < size; ++i) image.push_back(static_cast<char>(i * 7 + 200));
    return image;
}

uint32_t Sum(const std::string& bytes)
{
    uint32_t sum = 0;
    for (char c : bytes) sum += static_cast<unsigned char>(c);
    return sum;
}

TEST(UploadBoard, TakesTheImageBlockByBlockAndReportsItComplete)
{
    BoardUnderTest board("su", {});
    const std::string image = Image(33);
    EXPECT_EQ(board.AskOne(StartRequest(33, Sum(image), "12/31/99", "SU_CRC_1234.bin")), "f10");
    EXPECT_EQ(board.AskOne("F2" + image.substr(0, 32)), "f20");
    EXPECT_EQ(board.AskOne("F2" + image.substr(32)), "f30");
    const BoardState state = board.State();
    EXPECT_EQ(std::string(state.uploadImage.begin(), state.uploadImage.end()), image);
    EXPECT_EQ(state.settings.at("upload.state"), "complete");
    EXPECT_EQ(state.settings.at("upload.date"), "12/31/99");
    EXPECT_EQ(state.settings.at("upload.name"), "SU_CRC_1234.bin                 ");
    // A finished upload takes no more blocks until the next start.
    EXPECT_EQ(board.AskOne("F2x"), "f2U");
}

TEST(UploadBoard, AnEmptyImageIsCompleteAtTheStart)
{
    BoardUnderTest board("cu", {});
    EXPECT_EQ(board.AskOne(StartRequest(0, 0)), "f10");
    EXPECT_EQ(board.State().settings.at("upload.state"), "complete");
    EXPECT_TRUE(board.State().uploadImage.empty());
}

TEST(UploadBoard, RefusesMalformedRequests)
{
    BoardUnderTest board("su", {});
    EXPECT_EQ(board.AskOne("F2abc"), "f2U");
    EXPECT_EQ(board.AskOne(StartRequest(1, 0).substr(0, 47)), "f1L");
    EXPECT_EQ(board.AskOne(StartRequest(1, 0, "7/4/2026")), "f1T");
    EXPECT_EQ(board.AskOne(StartRequest(1, 0, "07/04/26", std::string("SU_\0x", 5))), "f1N");

    const std::string image = Image(40);
    EXPECT_EQ(board.AskOne(StartRequest(40, Sum(image) + 1)), "f10");
    EXPECT_EQ(board.AskOne("F2" + image.substr(0, 31)), "f2B");
    EXPECT_EQ(board.AskOne("F2" + image.substr(0, 32)), "f20");
    EXPECT_EQ(board.AskOne("F2" + image.substr(32, 7)), "f2B");
    EXPECT_EQ(board.AskOne("F2" + image.substr(32)), "f3C");
}

TEST(UploadBoard, ScenarioRefusesTheStartOrOneBlock)
{
    BoardUnderTest refusesStart("su", {"setting.upload.start-code=7"});
    EXPECT_EQ(refusesStart.AskOne(StartRequest(1, 0)), "f17");
    EXPECT_EQ(refusesStart.AskOne("F2x"), "f2U");

    BoardUnderTest refusesBlock("su", {"setting.upload.refuse-block=2", "setting.upload.block-code=K"});
    const std::string image = Image(70);
    EXPECT_EQ(refusesBlock.AskOne(StartRequest(70, Sum(image))), "f10");
    EXPECT_EQ(refusesBlock.AskOne("F2" + image.substr(0, 32)), "f20");
    EXPECT_EQ(refusesBlock.AskOne("F2" + image.substr(32, 32)), "f2K");
    EXPECT_EQ(refusesBlock.State().uploadImage.size(), 32u);
}

TEST(SettingsBoard, SafetySwitchesSpeakTheirFirmwaresCoding)
{
    BoardUnderTest tooOld("su", {"version=033412152010"});
    EXPECT_TRUE(tooOld.Ask("ZC?").empty());

    BoardUnderTest older("su", {"version=040412152010", "setting.safety-switch=2"});
    EXPECT_EQ(older.AskOne("ZC?"), "zCE");
    EXPECT_EQ(older.AskOne("ZCD"), "zCD");
    EXPECT_EQ(older.AskOne("ZC2"), "zCD");  // not understood: unchanged
    EXPECT_EQ(older.AskOne("ZCE"), "zCE");

    BoardUnderTest newer("cu", {"version=040512152010"});
    EXPECT_EQ(newer.AskOne("ZC?"), "zC0");
    EXPECT_EQ(newer.AskOne("ZC2"), "zC2");
    EXPECT_EQ(newer.AskOne("ZCE"), "zC1");
    EXPECT_EQ(newer.State().settings.at("safety-switch"), "1");
}

TEST(SettingsBoard, CurtainBreakWindowAndFlatpackFrom336)
{
    BoardUnderTest tooOld("su", {"version=033512152010"});
    EXPECT_TRUE(tooOld.Ask("A5").empty());
    EXPECT_TRUE(tooOld.Ask("ZF?").empty());

    BoardUnderTest board("su", {"version=033612152010", "setting.curtain-break-window=20"});
    EXPECT_EQ(board.AskOne("A5"), "a5\x14");
    EXPECT_TRUE(board.Ask("A4\x2c").empty());
    EXPECT_EQ(board.AskOne("A5"), "a5\x2c");
    EXPECT_EQ(board.AskOne("ZF?"), "zF0");
    EXPECT_EQ(board.AskOne("ZF1"), "zF1");
    EXPECT_EQ(board.AskOne("ZF?"), "zF1");
}

TEST(SettingsBoard, PowerRelayOnTheSuAndTheCuFlatpackQueryOnTheCu)
{
    BoardUnderTest su("su", {});
    EXPECT_EQ(su.AskOne("R0"), "r00");
    EXPECT_TRUE(su.Ask("R11").empty());
    EXPECT_EQ(su.AskOne("R0"), "r01");
    EXPECT_TRUE(su.Ask("A7?").empty());

    BoardUnderTest cu("cu", {"setting.flatpack=1"});
    EXPECT_TRUE(cu.Ask("R0").empty());
    EXPECT_EQ(cu.AskOne("A7?"), "a7E");
    EXPECT_TRUE(cu.Ask("A7D").empty());
    EXPECT_EQ(cu.AskOne("A7?"), "a7D");
    EXPECT_EQ(cu.AskOne("ZF?"), "zF0");
}

}  // namespace
