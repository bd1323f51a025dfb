// Runs the command-line parser as the program's start-up does.
#ifndef TESTS_SUPPORT_PARSEARGUMENTS_H
#define TESTS_SUPPORT_PARSEARGUMENTS_H

#include "frame/CommandLine.h"

#include <deque>
#include <string>
#include <vector>

// The program name is added in front. Every list stays alive until the
// process ends, as argv does, since the options point into it.
inline void ParseArguments(std::vector<std::string> arguments)
{
    static std::deque<std::vector<std::string>> texts;
    static std::deque<std::vector<char*>> argvs;
    arguments.insert(arguments.begin(), "utility");
    texts.push_back(std::move(arguments));
    std::vector<char*>& argv = argvs.emplace_back();
    for (std::string& text : texts.back()) argv.push_back(text.data());
    argv.push_back(nullptr);
    ParseCommandLine(static_cast<int>(argv.size()) - 1, argv.data());
}

#endif
