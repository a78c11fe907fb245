// devsim: simulated cameras, door-bells, switches and NAS/WVR recorders on loopback for tests,
// demos and evaluation without hardware.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FleetLoader.h"
#include "Simulator.h"

namespace {

constexpr size_t kMaxControlClients = 8;
constexpr size_t kMaxLineBytes = devsim::Simulator::kMaxCommandBytes;

void PrintHelp() {
    std::printf(
        "Usage: devsim [options]\n"
        "Runs simulated devices on loopback: each is reachable by device ID through the P2P\n"
        "transport and/or by address and port over HTTP.\n\n"
        "Options:\n"
        "  --fleet FILE          devices from an XML fleet file (see tools/devsim/demo-fleet.xml)\n"
        "  --device OPTIONS      one device, e.g. id=VSIM000001SIMAA,kind=doorbell,httpPort=0\n"
        "  --count N             N generated cameras (IDs PREFIX000001SIMAA...)\n"
        "  --id-prefix P         prefix of generated IDs (default VSIM)\n"
        "  --lan-search-port N   answer LAN search on UDP N (default 8600, 0: off, -1: any free)\n"
        "  --control PATH        also take control commands on a Unix socket at PATH\n"
        "  --no-stdin            do not read commands from standard input\n"
        "  --help                this text\n\n"
        "Device attributes (fleet file attributes and OPTIONS keys):\n"
        "  id name kind(camera|camera-noptz|alarm-camera|doorbell|switch|nas|wvr) user password "
        "firmware\n"
        "  mac host(127.x.x.x) width height fps subWidth subHeight subFps p2p(0|1)\n"
        "  httpPort(-1 none, 0 any) battery(0|1) sleepAfterMs alarmIntervalMs recordings "
        "chunked\n\n"
        "%s\n"
        "On start devsim prints one line per device and then \"ready\". SIGINT or SIGTERM (or\n"
        "\"quit\") stops every device and ends the program.\n",
        devsim::Simulator::CommandHelp());
}

int OpenControlSocket(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    if (path.size() >= sizeof a.sun_path) {
        ::close(fd);
        return -1;
    }
    std::memcpy(a.sun_path, path.c_str(), path.size());
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0 || ::listen(fd, 4) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct Client {
    int fd;
    std::string buffer;
};

// Runs complete lines of `buffer` through the simulator; replies go to outFd.
void RunLines(devsim::Simulator& sim, std::string& buffer, int outFd) {
    size_t eol;
    while ((eol = buffer.find('\n')) != std::string::npos) {
        std::string line = buffer.substr(0, eol);
        buffer.erase(0, eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::string reply = sim.execute(line) + "\n";
        if (::write(outFd, reply.data(), reply.size()) < 0)
            return;
    }
    if (buffer.size() > kMaxLineBytes)
        buffer.clear();  // an endless line is dropped
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<devsim::DeviceProfile> devices;
    std::string controlPath, prefix = "VSIM", error;
    int lanPort = 8600, count = 0;
    bool readStdin = true;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&](const char* what) -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "devsim: %s needs a value\n", what);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            PrintHelp();
            return 0;
        } else if (a == "--fleet") {
            if (!devsim::FleetLoader::LoadFile(next("--fleet"), &devices, &error)) {
                std::fprintf(stderr, "devsim: %s\n", error.c_str());
                return 2;
            }
        } else if (a == "--device") {
            devsim::DeviceProfile p;
            if (!devsim::FleetLoader::ParseDeviceOptions(next("--device"), &p, &error)) {
                std::fprintf(stderr, "devsim: %s\n", error.c_str());
                return 2;
            }
            devices.push_back(p);
        } else if (a == "--count") {
            count = std::atoi(next("--count").c_str());
        } else if (a == "--id-prefix") {
            prefix = next("--id-prefix");
        } else if (a == "--lan-search-port") {
            lanPort = std::atoi(next("--lan-search-port").c_str());
        } else if (a == "--control") {
            controlPath = next("--control");
        } else if (a == "--no-stdin") {
            readStdin = false;
        } else {
            std::fprintf(stderr, "devsim: unknown option %s (see --help)\n", a.c_str());
            return 2;
        }
    }
    if (count > 0) {
        devsim::DeviceProfile pattern;
        pattern.name = "Sim camera";
        devsim::FleetLoader::Generate(pattern, prefix,
                                      std::min(count, devsim::FleetLoader::kMaxDevices), &devices);
    }
    if (devices.empty()) {
        std::fprintf(stderr, "devsim: no devices (use --fleet, --device or --count; see --help)\n");
        return 2;
    }
    if (!devsim::FleetLoader::Validate(devices, &error)) {
        std::fprintf(stderr, "devsim: %s\n", error.c_str());
        return 2;
    }

    // Signals arrive only through the signalfd: every thread inherits the blocked mask.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &mask, nullptr);
    int sigFd = signalfd(-1, &mask, SFD_CLOEXEC);

    devsim::Simulator sim;
    if (!sim.start(devices, lanPort, &error)) {
        std::fprintf(stderr, "devsim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s", sim.listing().c_str());
    if (lanPort != 0)
        std::printf("lan-search udp %u\n", sim.lanSearchPort());
    std::printf("ready\n");
    std::fflush(stdout);

    int controlFd = controlPath.empty() ? -1 : OpenControlSocket(controlPath);
    if (!controlPath.empty() && controlFd < 0) {
        std::fprintf(stderr, "devsim: cannot open control socket %s\n", controlPath.c_str());
    }
    std::vector<Client> clients;
    std::string stdinBuffer;
    while (!sim.quitRequested()) {
        std::vector<pollfd> fds;
        fds.push_back({sigFd, POLLIN, 0});
        fds.push_back({readStdin ? 0 : -1, POLLIN, 0});
        fds.push_back({controlFd, POLLIN, 0});
        for (const auto& c : clients)
            fds.push_back({c.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), 500) <= 0)
            continue;
        if (fds[0].revents & POLLIN)
            break;
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buf[1024];
            ssize_t n = ::read(0, buf, sizeof buf);
            if (n <= 0) {
                readStdin = false;  // end of input: keep running until a signal or "quit"
            } else {
                stdinBuffer.append(buf, static_cast<size_t>(n));
                RunLines(sim, stdinBuffer, 1);
            }
        }
        if (fds[2].revents & POLLIN) {
            int fd = ::accept4(controlFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0 && clients.size() < kMaxControlClients) {
                clients.push_back({fd, {}});
            } else if (fd >= 0) {
                ::close(fd);
            }
        }
        for (size_t i = 0; i < clients.size();) {
            if (fds[3 + i].revents & (POLLIN | POLLHUP)) {
                char buf[1024];
                ssize_t n = ::read(clients[i].fd, buf, sizeof buf);
                if (n <= 0) {
                    ::close(clients[i].fd);
                    clients.erase(clients.begin() + static_cast<long>(i));
                    fds.erase(fds.begin() + 3 + static_cast<long>(i));
                    continue;
                }
                clients[i].buffer.append(buf, static_cast<size_t>(n));
                RunLines(sim, clients[i].buffer, clients[i].fd);
            }
            ++i;
        }
    }
    for (auto& c : clients)
        ::close(c.fd);
    if (controlFd >= 0) {
        ::close(controlFd);
        ::unlink(controlPath.c_str());
    }
    sim.stop();
    std::printf("devsim: stopped\n");
    return 0;
}
