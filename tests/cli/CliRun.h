// Runs the built vantor-cli with arguments and collects its exit status and output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace vantor::cli::test {

struct CliRun {
    int status = -1;
    std::string output;  // standard output and standard error, interleaved
};

inline CliRun Cli(const std::string& args) {
    CliRun r;
    const std::string cmd = std::string(VANTOR_CLI_PATH) + " " + args + " 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) {
        return r;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), p)) > 0) {
        r.output.append(buf, n);
    }
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

}  // namespace vantor::cli::test
