// One run of the fault soak, drawn from a seed: which program, which
// automated command with which arguments, which board, which faults, which
// exit statuses are allowed and how long the run may take.
#ifndef TESTS_SOAK_SOAKPLAN_H
#define TESTS_SOAK_SOAKPLAN_H

#include "Variant.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace soak {

// A small generator whose sequence is the same on every platform, so that a
// seed printed by one soak replays the same run anywhere.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next();
    // 0 to count - 1.
    unsigned Below(unsigned count) { return static_cast<unsigned>(Next() % count); }
    bool Chance(unsigned percent) { return Below(100) < percent; }

private:
    uint64_t state_;
};

enum class FaultKind {
    BadChecksum,
    BadPort,
    BadCommand,
    WrongLength,
    Oversize,
    Empty,
    Unrelated,
    Delay,
    NoReply,
    Close,
    OpenRefused,
    OpenHangUp,
    OpenNoAnswer,
};
const int FAULT_KIND_COUNT = static_cast<int>(FaultKind::OpenNoAnswer) + 1;
const char* FaultKindName(FaultKind kind);
// The kind an emulator log note names ("bad-checksum", "delay:300",
// "refused code=5"); false for a note that names none.
bool FaultKindOfNote(const std::string& note, FaultKind* kind);

struct InjectedFault {
    FaultKind kind;
    std::string line;  // the scenario line: "fault.Z2=delay:300*1", "open.3=hang-up"
};

struct RunPlan {
    uint64_t seed = 0;
    unsigned index = 0;
    const e2e::Variant* variant = nullptr;
    std::string command;  // the automated command: "SetFlatpack", or "GetUtilityVersion"
    std::vector<std::string> arguments;
    std::vector<std::string> board;  // scenario lines shaping the board itself
    std::vector<InjectedFault> faults;
    // SecurityModuleUpload: the firmware file in the utility's current
    // directory; a bad file has a sum that does not match its name.
    std::string firmwareName;
    std::string firmwareImage;
    bool firmwareGood = true;
    // HardwareVersionRequest: the report file, below the lane's Config folder.
    std::string reportFile;
    unsigned boundMs = 0;
};

// Run index of a soak with the seed: the eleven commands take turns, first
// in su_utility, then in cu_utility. Quick runs keep the commands that wait
// long for their board (lights 25 s, E-Box 50 s a reply) away from faults
// that would make them wait it out.
RunPlan PlanRun(uint64_t seed, unsigned index, bool quick, bool sanitized);

// What the run may end with when no fault reached the board's traffic, and
// when one did.
int CleanStatus(const RunPlan& plan);
std::set<int> AllowedStatuses(const RunPlan& plan);

// Each automated command's longest run as the programs' own waits allow it
// when every exchange sits out its whole wait once (the bound of a run
// without faults, less the slack for starting a process), one
// "<command> <milliseconds>" line each: the durations table of
// docs/usage.md comes from here (fault_soak --print-bounds).
std::string CommandBoundsText();

// One line: program, arguments and faults, for the failure list.
std::string Describe(const RunPlan& plan);

}  // namespace soak

#endif
