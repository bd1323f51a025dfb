#include "SoakPlan.h"

#include <cstdio>

namespace soak {

namespace {

// The longest time each part of a run can take when every exchange waits
// its full wait once: an exchange ends at its first empty wait, and what the
// board sends besides the reply comes at once. From the product's waits:
// 100 ms polls, wait counts 10 (identity, settings), 20 (flatpack set), 25
// (upload), 250 (lights), 500 (E-Box); port 6 opens in 200 ms and closes in
// 500 ms; a flush ends after its first second without a packet.
const unsigned START_UP_MS = 200 + 1000 + 4 * 1000 + 500;
const unsigned NO_ANSWER_OPEN_MS = 5000;  // an open the board never answers
// Error lines hold the main thread for a second each; a failed start shows three.
const unsigned ERROR_LINES_MS = 3 * 1000;
const unsigned PROCESS_SLACK_MS = 3000;

struct CommandTraits {
    const char* name;
    unsigned phaseMs;       // the command's own part of the run
    bool longWaits;         // waits of 25 s or more for one reply
    const char* suKeys[3];  // its requests that the board answers
    const char* cuKeys[3];
};

const CommandTraits commands[] = {
    {"GetVersion", 0, false, {}, {}},
    {"SecurityModuleUpload", 200 + 2500 + 8 * 200 + 2500 + 500 + 100, false, {"F1", "F2"}, {"F1", "F2"}},
    {"SetSafetySwitch", 200 + 3 * 1000 + 500, false, {"ZC"}, {"ZC"}},
    {"SetCurtainBreakWindow", 200 + 2 * 1000 + 500, false, {"A5"}, {"A5"}},
    {"SetFlatpack", 2 * 1000 + 200 + 2000 + 2000 + 500, false, {"ZF", "Z2", "Z4"}, {"A7", "Z2", "Z4"}},
    {"EPSFlash", 200 + 2 * 25000, true, {"Z9"}, {"Z9"}},
    {"TopEPSLL", 200 + 2 * 25000, true, {"ZB"}, {"ZB"}},
    {"EPSLLFlash", 2 * (200 + 2 * 25000), true, {"Z9", "ZB"}, {"Z9", "ZB"}},
    {"HardwareVersionRequest", 0, false, {}, {}},
    {"EBoxRound02", 3 * (200 + 500) + 1000 + 4 * 50000 + 2 * 1000 + 500, true, {}, {}},
    {"GetUtilityVersion", 0, false, {}, {}},
};
const unsigned COMMAND_COUNT = sizeof commands / sizeof commands[0];

const char* const faultNames[FAULT_KIND_COUNT] = {
    "bad-checksum", "bad-da",   "bad-dc", "wrong-length", "oversize", "empty",     "unrelated",
    "delay",        "no-reply", "close",  "refuse",       "hang-up",  "no-answer",
};

template <size_t count>
const char* Pick(Random& random, const char* const (&choices)[count])
{
    return choices[random.Below(count)];
}

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

std::vector<std::string> ArgumentsFor(const CommandTraits& traits, Random& random)
{
    const std::string name = traits.name;
    if (name == "SetSafetySwitch")
        return {
            Pick(random, {"-SetSafetySwitchEnable", "-SetSafetySwitchDisable", "-SetSafetySwitchType0",
                          "-SetSafetySwitchType1", "-SetSafetySwitchType2"})};
    if (name == "SetCurtainBreakWindow")
        return {"-SetCurtainBreakWindow", Pick(random, {"0", "20", "255", "300", "-7", "x"})};
    if (name == "SetFlatpack") return {Pick(random, {"-SetFlatpackEnable", "-SetFlatpackDisable"})};
    if (name == "HardwareVersionRequest")
        return {"-HardwareVersionRequest", "..\\Config\\Inventory.Ini"};
    if (name == "GetUtilityVersion") return {"-GetUtilityVersion"};
    if (name == "SecurityModuleUpload") return {"-SecurityModuleUpload", "-InputFile"};
    if (name == "GetVersion") return {"-GetVersion"};
    return {"-Set" + name};
}

void PlanFirmware(RunPlan& plan, Random& random)
{
    const unsigned size = 1 + random.Below(256);
    unsigned sum = 0;
    for (unsigned i = 0; i < size; ++i) {
        const char byte = static_cast<char>(random.Below(256));
        plan.firmwareImage.push_back(byte);
        sum += static_cast<unsigned char>(byte);
    }
    plan.firmwareGood = !random.Chance(10);
    plan.firmwareName = std::string(plan.variant->cu ? "CU_" : "SU_") + "Main_CRC_" +
                        Hex(plan.firmwareGood ? sum : sum + 1) + ".bin";
    plan.arguments.push_back(plan.firmwareName);
}

// A fault's argument, kept short where it is a time.
std::string ArgumentOf(FaultKind kind, Random& random)
{
    switch (kind) {
    case FaultKind::BadPort: return Pick(random, {"", ":0", ":4", ":7", ":255"});
    case FaultKind::BadCommand: return Pick(random, {"", ":2", ":160", ":13"});
    case FaultKind::WrongLength: return Pick(random, {"", ":0", ":2", ":3", ":10", ":64"});
    case FaultKind::Oversize: return Pick(random, {"", ":65", ":200"});
    case FaultKind::Unrelated: return Pick(random, {"", ":3", ":40", ":99", ":120"});
    case FaultKind::Delay: return Pick(random, {":50", ":400", ":900", ":1500", ":2600"});
    default: return "";
    }
}

long DelayOf(const std::string& argument)
{
    return argument.empty() ? 0 : std::stol(argument.substr(1));
}

// A reply that never comes, or comes unusable, makes its reader wait its
// whole wait.
bool LosesTheReply(FaultKind kind) { return kind != FaultKind::Unrelated && kind != FaultKind::Delay; }

void PlanReplyFault(RunPlan& plan, const CommandTraits& traits, Random& random, bool quick)
{
    const FaultKind kind =
        static_cast<FaultKind>(random.Below(static_cast<unsigned>(FaultKind::Close) + 1));
    // A quarter at the identity requests, which end the start-up, a quarter
    // at whatever reply comes (the first is the version's), the rest at the
    // command's own requests. A quick run, being short, aims at the command
    // more often.
    std::vector<std::string> selectors;
    const char* const(&keys)[3] = plan.variant->cu ? traits.cuKeys : traits.suKeys;
    for (const char* key : keys)
        if (key != nullptr) selectors.push_back(key);
    const unsigned share = quick ? 10 : 25;
    std::string selector = Pick(random, {"Z2", "Z4", "Z5", "ZJ"});
    const unsigned draw = random.Below(100);
    if (draw >= share && (draw < 2 * share || selectors.empty()))
        selector = Pick(random, {"any", "next"});
    else if (draw >= 2 * share)
        selector = selectors[random.Below(static_cast<unsigned>(selectors.size()))];
    // A quick run lets a lost reply end the start-up instead.
    if (quick && traits.longWaits && LosesTheReply(kind) && selector != "next")
        selector = Pick(random, {"Z2", "Z4", "Z5"});
    const std::string argument = ArgumentOf(kind, random);
    std::string count;
    // Rules for every reply would make "any" spoil the whole run, and
    // delays add up: both get a count.
    if (selector == "any" || kind == FaultKind::Delay || random.Chance(50))
        count = "*" + std::to_string(1 + random.Below(3));
    if (selector == "next") count.clear();
    plan.faults.push_back({kind, "fault." + selector + "=" + FaultKindName(kind) + argument + count});
    const long times = count.empty() ? 1 : std::stol(count.substr(1));
    plan.boundMs += static_cast<unsigned>(DelayOf(argument) * times);
}

void PlanOpenFault(RunPlan& plan, Random& random)
{
    const unsigned open = 1 + random.Below(4);
    const unsigned which = random.Below(5);
    const FaultKind kind = which < 2   ? FaultKind::OpenRefused
                           : which < 4 ? FaultKind::OpenHangUp
                                       : FaultKind::OpenNoAnswer;
    std::string value = FaultKindName(kind);
    if (kind == FaultKind::OpenRefused) value += Pick(random, {"", ":2", ":31"});
    if (kind == FaultKind::OpenNoAnswer) plan.boundMs += NO_ANSWER_OPEN_MS;
    plan.faults.push_back({kind, "open." + std::to_string(open) + "=" + value});
}

uint64_t RunSeed(uint64_t seed, unsigned index)
{
    Random mix(seed ^ (0x9E3779B97F4A7C15ULL * (index + 1)));
    return mix.Next();
}

}  // namespace

uint64_t Random::Next()
{
    // SplitMix64.
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

const char* FaultKindName(FaultKind kind) { return faultNames[static_cast<int>(kind)]; }

bool FaultKindOfNote(const std::string& note, FaultKind* kind)
{
    const std::string name = note.substr(0, note.find_first_of(": "));
    for (int i = 0; i < FAULT_KIND_COUNT; ++i)
        if (name == faultNames[i] ||
            (name == "refused" && i == static_cast<int>(FaultKind::OpenRefused))) {
            *kind = static_cast<FaultKind>(i);
            return true;
        }
    return false;
}

RunPlan PlanRun(uint64_t seed, unsigned index, bool quick, bool sanitized)
{
    RunPlan plan;
    plan.seed = seed;
    plan.index = index;
    Random random(RunSeed(seed, index));
    // Every command of both programs in turn.
    const CommandTraits& traits = commands[index % COMMAND_COUNT];
    plan.variant = (index / COMMAND_COUNT) % 2 == 0 ? &e2e::SU : &e2e::CU;
    plan.command = traits.name;
    plan.arguments = ArgumentsFor(traits, random);
    // Before -GetUtilityVersion it would make that an unknown argument.
    if (random.Chance(30) && plan.command != "GetUtilityVersion")
        plan.arguments.insert(plan.arguments.begin(), "-SupressConsoleDisplay");
    if (plan.command == "SecurityModuleUpload") PlanFirmware(plan, random);
    if (plan.command == "HardwareVersionRequest") plan.reportFile = "Inventory.Ini";

    // Firmware old enough for the settings' gates, the usual one, and the
    // one the hardware version report writes for.
    plan.board.push_back(
        std::string("version=") +
        (plan.variant->cu
             ? Pick(random, {"033012012009", "041003222012", "061003222012"})
             : Pick(random, {"033012012009", "033612152010", "043912152010", "051012152010"})));
    if (random.Chance(30)) plan.board.push_back("setting.ebox-split=1");

    plan.boundMs = START_UP_MS + traits.phaseMs + ERROR_LINES_MS + PROCESS_SLACK_MS;
    const unsigned draw = random.Below(100);
    if (draw < 8) {
        // A clean run: the baseline every faulty one is told against.
    } else if (draw < 16) {
        PlanOpenFault(plan, random);
    } else {
        for (unsigned count = 1 + random.Below(3); count > 0; --count)
            PlanReplyFault(plan, traits, random, quick);
    }
    // Scripts that take each reply as it arrives put the switch last. Drawn
    // after everything else, so that a seed plans the same runs as before.
    if (random.Chance(30)) plan.arguments.push_back("-FastLink");
    // Sanitizers slow the programs' own work, not the board's waits.
    if (sanitized) plan.boundMs += plan.boundMs / 2;
    return plan;
}

int CleanStatus(const RunPlan& plan)
{
    if (plan.command == "SecurityModuleUpload" && !plan.firmwareGood)
        return plan.variant->exitUploadFailed;
    return 0;
}

std::set<int> AllowedStatuses(const RunPlan& plan)
{
    if (plan.command == "GetUtilityVersion") return {0};
    for (const InjectedFault& fault : plan.faults)
        if (fault.line.compare(0, 5, "open.") == 0) return {202};
    const e2e::Variant& v = *plan.variant;
    std::set<int> allowed = {CleanStatus(plan), v.exitPort6Open, v.exitVersion,
                             v.exitChecksum,    v.exitModel,     v.exitPort6Close};
    if (plan.command == "SecurityModuleUpload") allowed.insert(v.exitUploadFailed);
    return allowed;
}

std::string CommandBoundsText()
{
    std::string text;
    for (const CommandTraits& traits : commands)
        text += std::string(traits.name) + " " +
                std::to_string(START_UP_MS + traits.phaseMs + ERROR_LINES_MS) + "\n";
    return text;
}

std::string Describe(const RunPlan& plan)
{
    std::string text = std::string(plan.variant->name) + "_utility";
    for (const std::string& argument : plan.arguments) text += " " + argument;
    text += " |";
    for (const std::string& line : plan.board) text += " " + line;
    for (const InjectedFault& fault : plan.faults) text += " " + fault.line;
    return text;
}

}  // namespace soak
