// The recorder commands of vantor-cli (--nas): the same command words as for cameras, on
// the NAS library, with a recorder channel where the command takes one.
//
// Thread: the command-line thread. Blocking: each command waits at most timeout_ms per step.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CliSession.h"

namespace vantor::cli {

struct NasOptions {
    CliSession::Target target;  // battery is refused: recorders are mains-powered
    std::string user;
    std::string password;
    int timeout_ms = 20000;
    int channel = 0;  // recorder camera 0-3
};

// Runs args (command word first). Returns the exit code: 0 done, 1 refused or no answer,
// 2 usage error (reported through `usage`, which returns 2).
int RunNasCommand(const NasOptions& options, const std::vector<std::string>& args,
                  const std::function<int(const std::string&)>& usage);

// The PTZ command numbers a recorder accepts (others are never sent).
bool NasPtzCommandSupported(long long command);

}  // namespace vantor::cli
