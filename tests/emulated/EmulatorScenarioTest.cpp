// The board emulator's pieces without a socket: wire framing, scenario
// lines, fault rules and how they shape replies, and the log lines.
#include "emulator/Faults.h"
#include "emulator/PacketLog.h"
#include "emulator/Scenario.h"
#include "emulator/WirePacket.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using namespace emulator;

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

WirePacket Reply(const std::string& data)
{
    WirePacket packet;
    packet.da = 6;
    packet.dc = 6;
    packet.data = Bytes(data);
    return packet;
}

TEST(EmulatorWire, EncodesWithTheLowByteOfTheSum)
{
    EXPECT_EQ(EncodeWirePacket(Reply("Z2")), (std::vector<uint8_t>{6, 6, 2, 0x5A, 0x32, 0x9A}));
    WirePacket wrap = Reply("\xFF\xFF\xFF");
    EXPECT_EQ(EncodeWirePacket(wrap).back(), 0x0C);
    WirePacket empty;
    empty.da = 6;
    empty.dc = 2;
    EXPECT_EQ(EncodeWirePacket(empty), (std::vector<uint8_t>{6, 2, 0, 8}));
}

TEST(EmulatorWire, DecodesWhatArrivedAndSaysWhatIsWrong)
{
    std::vector<uint8_t> wire = EncodeWirePacket(Reply("z2"));
    DecodedPacket good = DecodeWirePacket(wire);
    EXPECT_TRUE(good.complete);
    EXPECT_TRUE(good.checksumOk);
    EXPECT_EQ(good.packet.data, Bytes("z2"));

    wire.back() ^= 1;
    EXPECT_FALSE(DecodeWirePacket(wire).checksumOk);

    DecodedPacket cut = DecodeWirePacket(std::vector<uint8_t>{6, 6, 60, 'a', 'b'});
    EXPECT_TRUE(cut.hasHeader);
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.packet.data, Bytes("ab"));

    EXPECT_FALSE(DecodeWirePacket(std::vector<uint8_t>{6, 6}).hasHeader);

    std::vector<uint8_t> padded = EncodeWirePacket(Reply("z2"));
    padded.resize(64);
    DecodedPacket full = DecodeWirePacket(padded);
    EXPECT_TRUE(full.checksumOk);
    EXPECT_EQ(full.length, 64u);
}

Scenario Lines(const std::vector<std::string>& lines)
{
    Scenario scenario;
    std::string error;
    for (const std::string& line : lines)
        EXPECT_TRUE(AddScenarioLine(&scenario, line, "test", &error)) << error;
    return scenario;
}

TEST(EmulatorScenario, SetsIdentityPerBoardKind)
{
    Scenario scenario = Lines({
        "# a comment",
        "; another",
        "",
        "  version = 040512312011  ",
        "su.model=500",
        "cu.model=CU9",
        "serial=\"  SN 1 \"",
        "checksum=\\x41\\\\Z",
        "setting.CurtainBreakWindow=20",
    });
    BoardSetup su;
    std::string error;
    ASSERT_TRUE(BuildBoardSetup(scenario, *FindPersonality("su"), &su, &error)) << error;
    EXPECT_EQ(su.state.identity.version, "040512312011");
    EXPECT_EQ(su.state.identity.model, "500");
    EXPECT_EQ(su.state.identity.serial, "  SN 1 ");
    EXPECT_EQ(su.state.identity.checksum, "A\\Z");
    EXPECT_EQ(su.state.identity.checksumStatus, "0") << "the factory value stays";
    EXPECT_EQ(SettingNumber(su.state, "CurtainBreakWindow", -1), 20);

    BoardSetup cu;
    ASSERT_TRUE(BuildBoardSetup(scenario, *FindPersonality("cu"), &cu, &error)) << error;
    EXPECT_EQ(cu.state.identity.model, "CU9");
    EXPECT_EQ(cu.personality->deviceName, std::string("ConvUnitDevice0"));
    EXPECT_EQ(FindPersonality("su")->deviceName, std::string("SecModuleDevice0"));
    EXPECT_EQ(FindPersonality("xu"), nullptr);
}

TEST(EmulatorScenario, RefusesWhatItCannotUseAndSaysWhere)
{
    Scenario scenario;
    std::string error;
    EXPECT_FALSE(AddScenarioLine(&scenario, "no equals sign", "s.txt:3", &error));
    EXPECT_NE(error.find("s.txt:3"), std::string::npos) << error;
    EXPECT_FALSE(AddScenarioLine(&scenario, "model=\\q", "s.txt:4", &error));

    const char* const bad[] = {
        "colour=red",
        "fault.Z2=explode",
        "fault.Z2=delay:-5",
        "fault.Z2=no-reply:3",
        "fault.Z2=bad-da:256",
        "fault.ABC=empty",
        "fault.next=empty*0",
        "open.0=refuse",
        "open.x=refuse",
        "open.2=refuse:0",
        "open.2=shrug",
        "fault.Z2=oversize:64",
        "model=0123456789012345678901234567890123456789012345678901234567890",
    };
    for (const char* line : bad) {
        Scenario one;
        ASSERT_TRUE(AddScenarioLine(&one, line, "s.txt:9", &error)) << line;
        BoardSetup setup;
        EXPECT_FALSE(BuildBoardSetup(one, *FindPersonality("su"), &setup, &error)) << line;
        EXPECT_EQ(error.rfind("s.txt:9: ", 0), 0u) << error;
    }
}

TEST(EmulatorScenario, ReadsAFileAndTheBoardAndLogKeys)
{
    std::string path = testenv::ScratchDir() + "/scenario.txt";
    testenv::WriteFile(path,
                       "board=cu\r\nlog=/tmp/x.log\r\nopen.3=refuse:32\r\nopen.4=hang-up\n"
                       "open.1=no-answer\n");
    Scenario scenario;
    std::string error;
    ASSERT_TRUE(LoadScenarioFile(&scenario, path, &error)) << error;
    EXPECT_EQ(ScenarioValue(scenario, "board"), "cu");
    BoardSetup setup;
    ASSERT_TRUE(BuildBoardSetup(scenario, *FindPersonality("cu"), &setup, &error)) << error;
    EXPECT_EQ(setup.logPath, "/tmp/x.log");
    EXPECT_EQ(setup.openFaults[3].kind, OpenFaultKind::Refuse);
    EXPECT_EQ(setup.openFaults[3].code, 32u);
    EXPECT_EQ(setup.openFaults[4].kind, OpenFaultKind::HangUp);
    EXPECT_EQ(setup.openFaults[1].kind, OpenFaultKind::NoAnswer);
    EXPECT_FALSE(LoadScenarioFile(&scenario, path + ".missing", &error));
}

std::vector<FaultRule> Rules(const std::vector<std::string>& lines)
{
    Scenario scenario = Lines(lines);
    BoardSetup setup;
    std::string error;
    EXPECT_TRUE(BuildBoardSetup(scenario, *FindPersonality("su"), &setup, &error)) << error;
    return setup.faultRules;
}

TEST(EmulatorFaults, RulesMatchTheirRequestAndCountDown)
{
    std::vector<FaultRule> rules = Rules({"fault.Z2=no-reply*2", "fault.next=delay:50",
                                          "fault.Z4=bad-checksum", "fault.any=unrelated*3"});
    EXPECT_EQ(TakeReplyPlan(rules, "Z2").Notes(), "no-reply,delay:50,unrelated");
    EXPECT_EQ(TakeReplyPlan(rules, "Z2").Notes(), "no-reply,unrelated");
    EXPECT_EQ(TakeReplyPlan(rules, "Z2").Notes(), "unrelated");
    EXPECT_EQ(TakeReplyPlan(rules, "Z2").Notes(), "");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(TakeReplyPlan(rules, "Z4").Notes(), "bad-checksum");
}

std::vector<Outbound> Shape(const std::string& rule)
{
    std::vector<FaultRule> rules = Rules({"fault.Z2=" + rule});
    return ShapeReply(TakeReplyPlan(rules, "Z2"), {Reply("z2")});
}

TEST(EmulatorFaults, EachFaultShapesTheReplyBytes)
{
    const std::vector<uint8_t> good = EncodeWirePacket(Reply("z2"));
    EXPECT_EQ(ShapeReply(ReplyPlan(), {Reply("z2")})[0].bytes, good);

    std::vector<uint8_t> wire = Shape("bad-checksum")[0].bytes;
    EXPECT_EQ(wire.size(), good.size());
    EXPECT_EQ(wire.back(), static_cast<uint8_t>(good.back() + 1));

    struct Replaced {
        const char* rule;
        uint8_t da;
        uint8_t dc;
    };
    for (const Replaced& c : {Replaced{"bad-da", 0, 6}, Replaced{"bad-da:9", 9, 6},
                              Replaced{"bad-dc", 6, 1}, Replaced{"bad-dc:13", 6, 13}}) {
        DecodedPacket decoded = DecodeWirePacket(Shape(c.rule)[0].bytes);
        EXPECT_TRUE(decoded.checksumOk) << "only the one fault: " << c.rule;
        EXPECT_EQ(decoded.packet.da, c.da) << c.rule;
        EXPECT_EQ(decoded.packet.dc, c.dc) << c.rule;
    }

    EXPECT_EQ(Shape("wrong-length")[0].bytes.size(), good.size() + 1);
    EXPECT_EQ(Shape("wrong-length:2")[0].bytes, (std::vector<uint8_t>{6, 6}));
    EXPECT_EQ(Shape("oversize")[0].bytes.size(), 70u);
    EXPECT_EQ(Shape("oversize:65")[0].bytes.size(), 65u);
    EXPECT_TRUE(Shape("empty")[0].bytes.empty());
    // Rules combine in their order; a reply cut to nothing stays empty.
    std::vector<FaultRule> cut =
        Rules({"fault.Z2=wrong-length:0", "fault.Z2=bad-checksum", "fault.any=empty"});
    EXPECT_TRUE(ShapeReply(TakeReplyPlan(cut, "Z2"), {Reply("z2")})[0].bytes.empty());
    EXPECT_TRUE(Shape("no-reply").empty());

    std::vector<Outbound> close = Shape("close");
    ASSERT_EQ(close.size(), 1u);
    EXPECT_EQ(close[0].kind, Outbound::CloseReader);

    std::vector<Outbound> unrelated = Shape("unrelated:2");
    ASSERT_EQ(unrelated.size(), 3u);
    EXPECT_EQ(unrelated[0].bytes, unrelated[1].bytes);
    EXPECT_TRUE(DecodeWirePacket(unrelated[0].bytes).checksumOk);
    EXPECT_NE(DecodeWirePacket(unrelated[0].bytes).packet.data[0], 'z');
    EXPECT_EQ(unrelated[2].bytes, good);

    std::vector<Outbound> delayed = Shape("delay:250");
    EXPECT_EQ(delayed[0].delayMs, 250);
    EXPECT_EQ(delayed[0].bytes, good);
    EXPECT_EQ(Shape("delay")[0].delayMs, 2000);
}

TEST(EmulatorLog, LinesNameEveryField)
{
    LogEntry written;
    written.sequence = 7;
    written.kind = LogKind::ToBoard;
    written.tag = 'D';
    written.wire = EncodeWirePacket(Reply("Z2"));
    EXPECT_EQ(FormatLogEntry(written), "7 in D DA=6 DC=6 DL=2 DATA=5a32 SUM=ok TEXT=\"Z2\"");

    LogEntry control;
    control.sequence = 8;
    control.kind = LogKind::ToBoard;
    control.tag = 'C';
    control.controlCode = 0x0022AB86;
    WirePacket loopback;
    loopback.dc = 160;
    loopback.data = {'o', 'k', 0x01};
    control.wire = EncodeWirePacket(loopback);
    control.note = "accepted";
    EXPECT_EQ(FormatLogEntry(control),
              "8 in C CODE=0022AB86 DA=0 DC=160 DL=3 DATA=6f6b01 SUM=ok TEXT=\"ok.\" accepted");

    LogEntry oversized;
    oversized.sequence = 9;
    oversized.kind = LogKind::FromBoard;
    oversized.tag = 'P';
    oversized.wire = EncodeWirePacket(Reply("z2"));
    oversized.wire.back() ^= 0xFF;
    oversized.wire.resize(70);
    oversized.note = "fault=oversize";
    EXPECT_EQ(FormatLogEntry(oversized),
              "9 out P DA=6 DC=6 DL=2 DATA=7a32 SUM=bad LEN=70 TEXT=\"z2\" fault=oversize");

    LogEntry empty;
    empty.sequence = 10;
    empty.kind = LogKind::FromBoard;
    empty.tag = 'P';
    EXPECT_EQ(FormatLogEntry(empty), "10 out P LEN=0");

    LogEntry open;
    open.sequence = 1;
    open.kind = LogKind::Open;
    open.tag = 'R';
    open.note = "#1 refused code=5";
    EXPECT_EQ(FormatLogEntry(open), "1 open R #1 refused code=5");
}

}  // namespace
