#include "support/posix/TerminalSettings.h"

#include <cstdio>

namespace testproc {

namespace {

void AddDifference(std::string* text, const char* what, unsigned long before, unsigned long after)
{
    if (before == after) return;
    char line[128];
    std::snprintf(line, sizeof line, "%s: %#lx before, %#lx after\n", what, before, after);
    *text += line;
}

}  // namespace

struct termios TechnicianTerminal()
{
    struct termios settings = {};
    settings.c_iflag = ICRNL | IXON | BRKINT;
    settings.c_oflag = OPOST | ONLCR;
    settings.c_cflag = CS8 | CREAD | HUPCL;
    settings.c_lflag = ISIG | ICANON | ECHO | ECHOE | ECHOK | IEXTEN;
    settings.c_cc[VINTR] = 0x03;
    settings.c_cc[VQUIT] = 0x1C;
    settings.c_cc[VERASE] = 0x08;
    settings.c_cc[VKILL] = 0x15;
    settings.c_cc[VEOF] = 0x04;
    settings.c_cc[VSTART] = 0x11;
    settings.c_cc[VSTOP] = 0x13;
    settings.c_cc[VSUSP] = 0x1A;
    settings.c_cc[VMIN] = 3;
    settings.c_cc[VTIME] = 7;
    cfsetispeed(&settings, B19200);
    cfsetospeed(&settings, B19200);
    return settings;
}

bool SameTerminalSettings(const struct termios& a, const struct termios& b)
{
    return TerminalDifferences(a, b).empty();
}

std::string TerminalDifferences(const struct termios& before, const struct termios& after)
{
    std::string text;
    AddDifference(&text, "input flags", before.c_iflag, after.c_iflag);
    AddDifference(&text, "output flags", before.c_oflag, after.c_oflag);
    AddDifference(&text, "control flags", before.c_cflag, after.c_cflag);
    AddDifference(&text, "local flags", before.c_lflag, after.c_lflag);
    for (unsigned index = 0; index < NCCS; ++index) {
        const std::string what = "control character " + std::to_string(index);
        AddDifference(&text, what.c_str(), before.c_cc[index], after.c_cc[index]);
    }
    AddDifference(&text, "input speed", cfgetispeed(&before), cfgetispeed(&after));
    AddDifference(&text, "output speed", cfgetospeed(&before), cfgetospeed(&after));
    return text;
}

bool InKeyMode(const struct termios& settings) { return (settings.c_lflag & (ICANON | ECHO)) == 0; }

}  // namespace testproc
