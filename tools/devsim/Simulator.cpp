#include "Simulator.h"

#include <sstream>
#include <thread>

#include "CgiRequest.h"

namespace devsim {

namespace {

bool ParseAlarmKind(const std::string& t, uint32_t* kind) {
    static const struct {
        const char* name;
        uint32_t kind;
    } kNames[] = {{"motion", 1}, {"io", 2}, {"sound", 3}, {"pir", 6}, {"bell", 7}};
    for (const auto& n : kNames) {
        if (t == n.name) {
            *kind = n.kind;
            return true;
        }
    }
    if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos || t.size() > 9)
        return false;
    *kind = static_cast<uint32_t>(ParseLeadingInt(t));
    return true;
}

}  // namespace

Simulator::~Simulator() {
    stop();
}

const char* Simulator::CommandHelp() {
    return "Control commands (ID is a device ID or * for every device):\n"
           "  list                          one line per device: id kind p2p-port http-address\n"
           "  alarm ID [KIND] [CHANNEL]     alarm on channel 5 and on TCP live streams;\n"
           "                                KIND motion|io|sound|pir|bell or a number (default "
           "motion);\n"
           "                                CHANNEL: the recorder camera 0-3 (default 0)\n"
           "  accessory ID CODE             a recorder that is pairing hears accessory CODE\n"
           "  alarm-close ID                close the alarm channel (answer code 0x6041)\n"
           "  notice ID KIND                state notice 200-204 on TCP live streams\n"
           "  drop ID                       close every session and connection\n"
           "  offline ID | online ID        leave or rejoin (not online to clients, search "
           "silent)\n"
           "  reboot ID                     as reboot.cgi: offline, back after 1.5 s\n"
           "  unreachable ID 1|0            P2P clients find the device but every connect "
           "times out\n"
           "  stall ID CHANNEL MS           send nothing on channel 0-5 for MS (0 ends it)\n"
           "  delay ID MS                   answer every command MS late\n"
           "  malformed ID MODE             one-shot bad output: badstart truncated garbage\n"
           "                                badmagic oversize shortalarm none\n"
           "  upgrade-fail ID MODE          firmware steps: none version cancel transfer md5 "
           "silent\n"
           "  talk-file ID PATH|-           write received talk data to PATH (- stops)\n"
           "  stats ID                      sessions, talk blocks/bytes, reboots\n"
           "  get ID KEY                    the current value of a setting\n"
           "  quit                          end the simulator\n";
}

bool Simulator::start(const std::vector<DeviceProfile>& devices, int lanSearchPort,
                      std::string* error) {
    for (const auto& p : devices) {
        auto d = std::make_unique<SimDevice>(p, loops_);
        if (!d->start()) {
            *error = "device " + p.id + " could not start (transport or port refused)";
            stop();
            return false;
        }
        devices_.push_back(std::move(d));
    }
    if (lanSearchPort != 0) {
        uint16_t port = lanSearchPort > 0 ? static_cast<uint16_t>(lanSearchPort) : 0;
        bool ok = lan_.start(port, [this] {
            std::vector<LanSearchResponder::Entry> out;
            for (const auto& d : devices_) {
                if (!d->online())
                    continue;
                LanSearchResponder::Entry e;
                e.address = d->profile().host;
                e.port = static_cast<uint16_t>(d->httpPort() > 0 ? d->httpPort() : 0);
                e.id = d->profile().id;
                e.name = d->profile().name;
                e.kind = static_cast<uint8_t>(d->profile().kind);
                out.push_back(e);
            }
            return out;
        });
        if (!ok) {
            *error = "LAN search port " + std::to_string(lanSearchPort) + " cannot be bound";
            stop();
            return false;
        }
    }
    return true;
}

void Simulator::stop() {
    lan_.stop();
    // Devices stop independently; stopping them side by side keeps a large fleet's shutdown
    // as short as one device's.
    std::vector<std::thread> stoppers;
    for (auto& d : devices_) {
        SimDevice* raw = d.get();
        stoppers.emplace_back([raw] { raw->stop(); });
    }
    for (auto& t : stoppers)
        t.join();
    devices_.clear();
}

SimDevice* Simulator::find(const std::string& id) {
    for (auto& d : devices_) {
        if (d->profile().id == id)
            return d.get();
    }
    return nullptr;
}

std::vector<SimDevice*> Simulator::select(const std::string& id) {
    std::vector<SimDevice*> out;
    for (auto& d : devices_) {
        if (id == "*" || d->profile().id == id)
            out.push_back(d.get());
    }
    return out;
}

std::string Simulator::listing() {
    std::string out;
    for (auto& d : devices_) {
        const auto& p = d->profile();
        out +=
            p.id + " " + KindName(p.kind) + " p2p=" + std::to_string(d->p2pPort()) + " http=" +
            (d->httpPort() > 0 ? p.host + ":" + std::to_string(d->httpPort()) : std::string("-")) +
            (p.battery ? " battery" : "") + "\n";
    }
    return out;
}

std::string Simulator::execute(const std::string& rawLine) {
    std::lock_guard<std::mutex> g(commandMutex_);
    std::string line = rawLine.substr(0, kMaxCommandBytes);
    std::istringstream in(line);
    std::string cmd, id, a1, a2;
    in >> cmd >> id >> a1 >> a2;
    if (cmd.empty())
        return "error empty command";
    if (cmd == "quit") {
        quit_ = true;
        return "ok bye";
    }
    if (cmd == "list")
        return "ok " + std::to_string(devices_.size()) + "\n" + listing();
    if (cmd == "help")
        return std::string("ok\n") + CommandHelp();
    static const char* kDeviceCommands[] = {
        "alarm",  "alarm-close", "notice",    "drop",       "offline",      "online",
        "reboot", "stall",       "delay",     "malformed",  "upgrade-fail", "talk-file",
        "stats",  "get",         "accessory", "unreachable"};
    bool known = false;
    for (const char* c : kDeviceCommands)
        known = known || cmd == c;
    if (!known)
        return "error unknown command '" + cmd + "' (try help)";
    auto targets = select(id);
    if (targets.empty())
        return "error no device '" + id + "'";
    int total = 0;
    std::string report;
    for (SimDevice* d : targets) {
        if (cmd == "alarm") {
            uint32_t kind = 1;
            if (!a1.empty() && !ParseAlarmKind(a1, &kind))
                return "error bad alarm kind";
            long long channel = a2.empty() ? 0 : ParseLeadingInt(a2);
            if (channel < 0 || channel > 3)
                return "error alarm channel is 0-3";
            total += d->raiseAlarm(kind, static_cast<uint16_t>(channel));
        } else if (cmd == "accessory") {
            if (a1.empty() || a1.find_first_not_of("0123456789") != std::string::npos ||
                a1.size() > 9)
                return "error accessory code is a number";
            total += d->handler().hearAccessory(static_cast<int>(ParseLeadingInt(a1))) ? 1 : 0;
        } else if (cmd == "alarm-close") {
            total += d->closeAlarmChannel();
        } else if (cmd == "notice") {
            long long k = ParseLeadingInt(a1);
            if (k < 200 || k > 204)
                return "error notice kind is 200-204";
            total += d->pushStateNotice(static_cast<uint8_t>(k));
        } else if (cmd == "drop") {
            d->dropSessions();
        } else if (cmd == "offline" || cmd == "online") {
            d->setOnline(cmd == "online");
        } else if (cmd == "unreachable") {
            if (a1 != "0" && a1 != "1")
                return "error unreachable takes 1 or 0";
            if (!d->setUnreachable(a1 == "1"))
                return "error cannot open the tarpit";
        } else if (cmd == "reboot") {
            d->requestReboot();
        } else if (cmd == "stall") {
            long long ch = ParseLeadingInt(a1);
            if (a1.empty() || ch < 0 || ch >= DeviceFaults::kChannels)
                return "error channel is 0-5";
            d->faults().stall(static_cast<int>(ch), static_cast<int>(ParseLeadingInt(a2)));
        } else if (cmd == "delay") {
            d->faults().setAnswerDelay(static_cast<int>(ParseLeadingInt(a1)));
        } else if (cmd == "malformed") {
            DeviceFaults::Malformed m;
            if (!DeviceFaults::Parse(a1, &m))
                return "error unknown malformed mode";
            d->faults().arm(m);
        } else if (cmd == "upgrade-fail") {
            FirmwareUpgrade::Failure f;
            if (!ParseFailure(a1, &f))
                return "error unknown upgrade failure";
            d->handler().setUpgradeFailure(f);
        } else if (cmd == "talk-file") {
            if (!d->setTalkFile(a1 == "-" ? std::string() : a1))
                return "error cannot open " + a1;
        } else if (cmd == "stats") {
            // One line per device, so "stats *" reports the whole fleet.
            report += (report.empty() ? "" : "\n") + d->profile().id +
                      " sessions=" + std::to_string(d->sessionCount()) +
                      " talk_blocks=" + std::to_string(d->talkBlocks()) +
                      " talk_bytes=" + std::to_string(d->talkBytes()) +
                      " reboots=" + std::to_string(d->reboots()) +
                      " online=" + (d->online() ? "1" : "0");
        } else if (cmd == "get") {
            if (!report.empty())
                report += '\n';
            report += d->handler().setting(a1);
        } else {
            return "error unknown command '" + cmd + "'";
        }
    }
    if (cmd == "stats" || cmd == "get")
        return "ok " + report;
    return "ok " + std::to_string(total);
}

}  // namespace devsim
