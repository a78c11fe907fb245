// Helper process for the peer-death tests: runs an echo device for the ID given on the
// command line, prints "ready" once it listens, and runs until it is killed (or 120 s pass,
// so a forgotten helper never lingers).
#include <unistd.h>

#include <cstdio>

#include "TestSupport.h"

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    pppptest::useLoopbackEnvironment();
    pppptest::EchoDevice device(argv[1]);
    if (device.handle() < 0)
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    for (int i = 0; i < 120; ++i)
        sleep(1);
    return 0;
}
