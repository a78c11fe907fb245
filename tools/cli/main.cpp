// vantor-cli: a command-line client on the camera library, and with --nas on the recorder
// library.
//
//   vantor-cli (--id DEVICEID [--battery] | --host H --port N) [--user U] [--password P]
//              [--nas [--channel N]] [--timeout-ms N] COMMAND [ARGS]
//   vantor-cli [--search-port N] [--timeout-ms N] search
//
// Prints decoded records as "key = value" lines; exits 0 on success, 1 when the device
// refused or did not answer, 2 on a usage error.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CliSession.h"
#include "NasCommand.h"
#include "RecordFields.h"
#include "SessionCipher.h"
#include "darvel.h"

using namespace vantor::cli;

namespace {

constexpr int kSearchDefault_ms = 3000;
constexpr size_t kMaxImageBytes = 64u << 20;

const char kUsage[] =
    "usage: vantor-cli (--id DEVICEID [--battery] | --host H --port N) [--user U] [--password P]\n"
    "                  [--nas [--channel N]] [--timeout-ms N] COMMAND\n"
    "       vantor-cli [--search-port N] [--timeout-ms N] search\n"
    "  --id DEVICEID              connect over P2P by device ID\n"
    "  --battery                  wake a battery device (three racing attempts)\n"
    "  --host H --port N          connect over TCP (one HTTP request per command)\n"
    "  --search-port N            UDP port of the LAN search (default 8600)\n"
    "  --nas                      the device is a NAS/WVR recorder (NAS library)\n"
    "  --channel N                recorder camera 0-3 for stream, ptz and records (default 0)\n"
    "commands:\n"
    "  search                     find devices on the LAN for --timeout-ms (default 3000)\n"
    "  upgrade FILE [VERSION]     send a firmware image (P2P), then confirm it\n"
    "  status                     device status record\n"
    "  get TYPE                   a record by name or type (e.g. network, 0x2701)\n"
    "  set TYPE FIELD=VALUE...    change fields of a record and send it\n"
    "  ptz CMD                    send a PTZ command number\n"
    "  snapshot FILE              store a JPEG snapshot\n"
    "  records FROM TO            list recordings (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS)\n"
    "  playback NAME OUT          write the frames of a recording to OUT\n"
    "  stream SECONDS OUT         write live video frames to OUT\n"
    "recorder commands (--nas): status, get, set, ptz, stream as above, and\n"
    "  records FROM TO [PART]     list recordings of --channel on partition PART (default 0)\n"
    "  playback NAME OUT [PART]   write the frames of a recording to OUT, until its end\n"
    "  nas-alarms                 list the paired accessories (zone, position, key, alias)\n"
    "recorder records: status network users ddns ftp mail wifi datetime recordsch apwifi\n"
    "  camera pppoe pnp alarm factory appversion plugrelay plugdelay plugkey\n"
    "records: ";

int Fail(const std::string& message) {
    fprintf(stderr, "vantor-cli: %s\n", message.c_str());
    return 1;
}

int Usage(const std::string& message) {
    fprintf(stderr, "vantor-cli: %s\n%s", message.c_str(), kUsage);
    for (const RecordDef& d : Records())
        fprintf(stderr, "%s ", d.name);
    fprintf(stderr, "\n");
    return 2;
}

bool ParseDate(const std::string& text, DarvelDateTime* t) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    int n = sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail);
    if (n != 3 && n != 6) {
        return false;
    }
    if (y < 1970 || y > 2037 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 ||
        mi > 59 || s < 0 || s > 59) {
        return false;
    }
    *t = DarvelDateTime{y, mo, d, h, mi, s};
    return true;
}

FILE* OpenOut(const std::string& path) {
    return fopen(path.c_str(), "wb");
}

}  // namespace

// Prints one line per reply: address, HTTP port, device ID, name and kind byte.
int Search(int port, int timeout_ms) {
    struct Found {
        std::mutex mu;
        int count = 0;
    } found;
    if (device_broadcast_InitializationEx(port) != 1)
        return Fail("cannot open the LAN search socket");
    int sent = device_broadcast_search(
        [](const char* p, void* u) {
            auto* f = static_cast<Found*>(u);
            uint16_t httpPort = 0;
            memcpy(&httpPort, p + 86, sizeof(httpPort));
            std::lock_guard<std::mutex> g(f->mu);
            printf("device %d: address = %.63s port = %u id = %.31s name = %.63s kind = %u\n",
                   ++f->count, p, httpPort, p + 88, p + 120,
                   static_cast<unsigned>(static_cast<uint8_t>(p[306])));
            fflush(stdout);
        },
        &found);
    if (sent != 4) {
        device_broadcast_unInitialization();
        return Fail("search request not sent");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
    device_broadcast_unInitialization();
    std::lock_guard<std::mutex> g(found.mu);
    printf("devices = %d\n", found.count);
    return found.count > 0 ? 0 : Fail("no device answered");
}

// Reads the image to fill in its size and digest.
bool FillTransferRecord(const std::string& path, const std::string& version,
                        DarvelTransferRecord* rec, std::string* error) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *error = "cannot read " + path;
        return false;
    }
    std::string image;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0 && image.size() <= kMaxImageBytes)
        image.append(buf, n);
    bool bad = ferror(f) != 0;
    fclose(f);
    if (bad || image.empty() || image.size() > kMaxImageBytes) {
        *error = path + " is unreadable, empty or larger than 64 MiB";
        return false;
    }
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (path.size() >= sizeof(rec->localPath) || name.size() >= sizeof(rec->deviceName) ||
        version.size() >= sizeof(rec->version)) {
        *error = "file path, name or version too long";
        return false;
    }
    memset(rec, 0, sizeof(*rec));
    memcpy(rec->localPath, path.data(), path.size());
    memcpy(rec->deviceName, name.data(), name.size());
    memcpy(rec->version, version.data(), version.size());
    rec->fileSize = static_cast<int32_t>(image.size());
    std::string md5 = vantor::md5hex(image);
    memcpy(rec->md5, md5.data(), std::min(md5.size(), sizeof(rec->md5)));
    return true;
}

int main(int argc, char** argv) {
    std::string id, user = "admin", password, host;
    long long timeout_ms = 20000;
    long long port = 0;
    long long searchPort = 8600;
    bool battery = false;
    bool timeoutGiven = false;
    bool nas = false;
    long long channel = 0;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc)
                return false;
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--id") {
            if (!value(&id))
                return Usage("--id needs a value");
        } else if (a == "--user") {
            if (!value(&user))
                return Usage("--user needs a value");
        } else if (a == "--password") {
            if (!value(&password))
                return Usage("--password needs a value");
        } else if (a == "--host") {
            if (!value(&host) || host.empty())
                return Usage("--host needs a value");
        } else if (a == "--port") {
            if (!value(&v) || !ParseInt(v, 1, 65535, &port))
                return Usage("--port needs a number from 1 to 65535");
        } else if (a == "--search-port") {
            if (!value(&v) || !ParseInt(v, 1, 65535, &searchPort))
                return Usage("--search-port needs a number from 1 to 65535");
        } else if (a == "--nas") {
            nas = true;
        } else if (a == "--channel") {
            if (!value(&v) || !ParseInt(v, 0, 3, &channel))
                return Usage("--channel needs a recorder camera number from 0 to 3");
        } else if (a == "--battery") {
            battery = true;
        } else if (a == "--timeout-ms") {
            if (!value(&v) || !ParseInt(v, 100, 600000, &timeout_ms)) {
                return Usage("--timeout-ms needs a number from 100 to 600000");
            }
            timeoutGiven = true;
        } else if (a == "--help" || a == "-h") {
            Usage("help");
            return 0;
        } else {
            args.push_back(a);
        }
    }
    if (args.size() == 1 && args[0] == "search") {
        device_net_work_init(nullptr);
        int r = Search(static_cast<int>(searchPort),
                       timeoutGiven ? static_cast<int>(timeout_ms) : kSearchDefault_ms);
        device_net_work_deInit();
        return r;
    }
    if (id.empty() == host.empty())
        return Usage("give either --id or --host (with --port)");
    if (!host.empty() && (port == 0 || battery))
        return Usage("--host needs --port, and --battery is for --id");
    if (args.empty())
        return Usage("no command");
    if (nas) {
        NasOptions o;
        o.target = CliSession::Target{id, host, static_cast<int>(port), battery};
        o.user = user;
        o.password = password;
        o.timeout_ms = static_cast<int>(timeout_ms);
        o.channel = static_cast<int>(channel);
        return RunNasCommand(o, args, [](const std::string& m) { return Usage(m); });
    }
    if (channel != 0)
        return Usage("--channel is for recorders (--nas)");
    const std::string cmd = args[0];
    const int wait_ms = static_cast<int>(timeout_ms);
    DarvelTransferRecord upgrade{};

    // Validate the command before any network traffic.
    const RecordDef* def = nullptr;
    DarvelRecordSearch search{};
    long long number = 0;
    if (cmd == "status") {
        def = FindRecord("status");
    } else if (cmd == "get" || cmd == "set") {
        if (args.size() < 2)
            return Usage(cmd + " needs a TYPE");
        def = FindRecord(args[1]);
        if (def == nullptr)
            return Usage("unknown record type \"" + args[1] + "\"");
        if (cmd == "get" && def->getType == 0)
            return Usage(args[1] + " cannot be read");
        if (cmd == "set" && def->setType == 0)
            return Usage(args[1] + " cannot be written");
        if (cmd == "set" && args.size() < 3)
            return Usage("set needs FIELD=VALUE");
    } else if (cmd == "ptz") {
        if (args.size() != 2 || !ParseInt(args[1], 0, 0x7FFFFFFF, &number)) {
            return Usage("ptz needs a command number");
        }
    } else if (cmd == "snapshot") {
        if (args.size() != 2)
            return Usage("snapshot needs FILE");
    } else if (cmd == "records") {
        if (args.size() != 3 || !ParseDate(args[1], &search.start) ||
            !ParseDate(args[2], &search.end)) {
            return Usage("records needs FROM and TO dates");
        }
        if (args[2].find('T') == std::string::npos)
            search.end = {search.end.year, search.end.month, search.end.day, 23, 59, 59};
    } else if (cmd == "playback") {
        if (args.size() != 3)
            return Usage("playback needs NAME and OUT");
        if (args[1].size() >= sizeof(DarvelPlaybackRecord::fileName)) {
            return Usage("recording name is too long");
        }
    } else if (cmd == "stream") {
        if (args.size() != 3 || !ParseInt(args[1], 1, 3600, &number)) {
            return Usage("stream needs SECONDS (1-3600) and OUT");
        }
    } else if (cmd == "upgrade") {
        if (args.size() != 2 && args.size() != 3)
            return Usage("upgrade needs FILE [VERSION]");
        if (!host.empty())
            return Usage("upgrade needs a P2P session (--id)");
        std::string problem;
        if (!FillTransferRecord(args[1], args.size() == 3 ? args[2] : "", &upgrade, &problem))
            return Fail(problem);
    } else {
        return Usage("unknown command \"" + cmd + "\"");
    }

    CliSession session;
    std::string error;
    CliSession::Target target;
    target.deviceId = id;
    target.host = host;
    target.port = static_cast<int>(port);
    target.battery = battery;
    if (!session.Open(target, user, password, wait_ms, &error))
        return Fail(error);
    const int h = session.id();

    if (def != nullptr) {
        std::vector<char> rec(def->size, 0);
        if (def->getType != 0) {
            std::vector<char> got;
            if (!session.Query(def->getType, def->getType, wait_ms, &got)) {
                return Fail("no " + std::string(def->name) + " record from the device");
            }
            if (got.size() != def->size)
                return Fail("record of unexpected size");
            rec = got;
        }
        if (cmd != "set") {
            fputs(FormatRecord(*def, rec.data(), rec.size()).c_str(), stdout);
            return 0;
        }
        for (size_t i = 2; i < args.size(); ++i) {
            std::string problem = ApplyAssignment(*def, rec.data(), args[i]);
            if (!problem.empty())
                return Usage(problem);
        }
        int result = 0;
        if (!session.Set(def->setType, rec.data(), rec.size(), wait_ms, &result)) {
            return Fail("the device did not answer the change");
        }
        if (result != 1)
            return Fail("the device refused the change");
        printf("result = ok\n");
        return 0;
    }
    if (cmd == "ptz") {
        if (device_net_work_ptz(h, static_cast<int>(number)) != 1)
            return Fail("not sent");
        // PTZ has no answer: a status query queued behind it comes back only after the
        // command went out, so the session is not closed under it.
        std::vector<char> status;
        if (!session.Query(DARVEL_GET_STATUS, DARVEL_GET_STATUS, wait_ms, &status)) {
            return Fail("the device stopped answering after the PTZ command");
        }
        printf("ptz = %lld sent\n", number);
        return 0;
    }
    if (cmd == "upgrade") {
        int outcome = 0;
        bool done = session.Transfer(
            upgrade, wait_ms,
            [](int bytes) {
                printf("progress = %d\n", bytes);
                fflush(stdout);
            },
            &outcome);
        if (!done)
            return Fail(outcome == -7 ? "a transfer is already running" : "the transfer stalled");
        printf("outcome = %d\n", outcome);
        if (outcome != 9)
            return Fail("the device did not take the image (outcome " + std::to_string(outcome) +
                        ")");
        int32_t confirm[9] = {1};
        int result = 0;
        if (!session.Set(0x2719, confirm, sizeof(confirm), wait_ms, &result))
            return Fail("the device did not answer the confirmation");
        printf("confirm = %d\n", result);
        return result == 0 ? 0 : Fail("the device refused the confirmation");
    }
    if (cmd == "snapshot") {
        std::vector<char> jpeg;
        if (!session.Query(DARVEL_SNAPSHOT, DARVEL_SNAPSHOT, wait_ms, &jpeg)) {
            return Fail("no snapshot from the device");
        }
        FILE* f = OpenOut(args[1]);
        if (f == nullptr)
            return Fail("cannot write " + args[1]);
        bool ok = fwrite(jpeg.data(), 1, jpeg.size(), f) == jpeg.size();
        ok = fclose(f) == 0 && ok;
        if (!ok)
            return Fail("cannot write " + args[1]);
        printf("snapshot = %zu bytes\n", jpeg.size());
        return 0;
    }
    if (cmd == "records") {
        if (device_record_file_search(h, &search, sizeof(search)) != 1)
            return Fail("not sent");
        std::vector<DarvelRecordListEntry> entries;
        if (!session.WaitRecordList(wait_ms, &entries))
            return Fail("no complete record list");
        for (const auto& e : entries) {
            if (e.total == 0)
                break;
            printf("record %d/%d: name = %.*s time = %d size = %d alarm = %d\n", e.index, e.total,
                   static_cast<int>(strnlen(e.name, sizeof(e.name))), e.name, e.time, e.size,
                   e.alarm);
        }
        printf("records = %d\n", entries.empty() ? 0 : entries.back().total);
        return 0;
    }
    FILE* out = OpenOut(args[2]);
    if (out == nullptr)
        return Fail("cannot write " + args[2]);
    int frames = 0;
    if (cmd == "playback") {
        DarvelPlaybackRecord pb{};
        memcpy(pb.fileName, args[1].data(), args[1].size());
        pb.streamId = 4;
        if (device_record_playback_control(h, &pb, sizeof(pb)) != 1) {
            fclose(out);
            return Fail("not sent");
        }
        frames = session.CollectFrames(true, out, wait_ms, [](const char* f, int n) {
            return n >= DARVEL_MEDIA_HEAD_SIZE &&
                   static_cast<uint8_t>(f[4]) == DARVEL_FRAME_END_OF_RECORD;
        });
    } else {
        if (device_net_work_startStream(h, 0, CliSession::FrameCallback(), &session) != 1) {
            fclose(out);
            return Fail("stream request not sent");
        }
        frames = session.CollectFrames(false, out, static_cast<int>(number) * 1000,
                                       [](const char*, int) { return false; });
        device_net_work_stopStream(h);
    }
    if (fclose(out) != 0)
        return Fail("cannot write " + args[2]);
    printf("frames = %d\n", frames);
    return frames > 0 ? 0 : Fail("no frames arrived");
}
