#include "NasCommand.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "NasCliSession.h"
#include "NasRecordFields.h"
#include "morsk.h"

namespace vantor::cli {

namespace {

constexpr int kMaxPartition = 15;

int Fail(const std::string& message) {
    fprintf(stderr, "vantor-cli: %s\n", message.c_str());
    return 1;
}

// "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM:SS" (UTC) as seconds since 1970; endOfDay fills a bare
// date's time with 23:59:59.
bool ParseDateSeconds(const std::string& text, bool endOfDay, long long* out) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char tail = 0;
    int n = sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail);
    if (n != 3 && n != 6)
        return false;
    if (y < 1970 || y > 2037 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 ||
        mi > 59 || s < 0 || s > 59)
        return false;
    if (n == 3 && endOfDay) {
        h = 23;
        mi = 59;
        s = 59;
    }
    struct tm t {};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    *out = static_cast<long long>(timegm(&t));
    return true;
}

bool IsEndOfRecording(const char* f, int n) {
    // A recorder ends a playback with a frame of kind 6.
    return n >= 32 && static_cast<uint8_t>(f[4]) == 6;
}

int PrintAccessories(const std::vector<char>& rec) {
    if (rec.size() != sizeof(NasAccessories))
        return Fail("accessory table of unexpected size");
    NasAccessories t;
    std::memcpy(&t, rec.data(), sizeof t);
    int used = 0;
    for (int z = 0; z < NAS_ACCESSORY_ZONES; ++z) {
        for (int s = 0; s < NAS_ACCESSORY_POSITIONS; ++s) {
            const NasAccessory& e = t.entry[z][s];
            if (e.cam == 0 && e.key == 0)
                continue;
            ++used;
            printf(
                "zone %d position %d: key = %d alias = %.*s cam = %d ptz = %d link = %d "
                "bound = %d\n",
                z, s, e.key, static_cast<int>(strnlen(e.alias, sizeof e.alias)), e.alias, e.cam,
                e.ptz, e.linkChannel, e.bound);
        }
    }
    printf("zonestatus = %d\naccessories = %d\n", t.zoneStatus, used);
    return 0;
}

// Live video of the option's channel for `seconds`, or a recording until its end, into OUT.
int StreamToFile(NasCliSession& session, const NasOptions& o, const std::string& cmd,
                 const std::vector<std::string>& args, int seconds, int32_t partition) {
    FILE* out = fopen(args[2].c_str(), "wb");
    if (out == nullptr)
        return Fail("cannot write " + args[2]);
    const int h = session.id();
    int frames = 0;
    bool sent = false;
    bool ended = false;
    if (cmd == "playback") {
        NasPlayback pb{};
        pb.partition = partition;
        std::memcpy(pb.fileName, args[1].data(), args[1].size());
        sent = nas_record_playback_control(h, &pb) > 0;
        if (sent) {
            frames = session.CollectFrames(out, o.timeout_ms, [&ended](const char* f, int n) {
                ended = IsEndOfRecording(f, n);
                return ended;
            });
            pb.mode = NAS_PLAYBACK_MODE_END;
            nas_record_playback_control(h, &pb);
        }
    } else {
        sent = nas_net_work_startStream(h, 0, o.channel, NasCliSession::FrameCallback(),
                                        &session) == 1;
        if (sent) {
            frames =
                session.CollectFrames(out, seconds * 1000, [](const char*, int) { return false; });
            nas_net_work_stopStream(h, o.channel);
        }
    }
    if (fclose(out) != 0)
        return Fail("cannot write " + args[2]);
    if (!sent)
        return Fail(cmd == "playback" ? "playback request not sent" : "stream request not sent");
    printf("frames = %d\n", frames);
    if (cmd == "playback")
        printf("ended = %d\n", ended ? 1 : 0);  // 0: --timeout-ms passed first
    return frames > 0 ? 0 : Fail("no frames arrived");
}

}  // namespace

bool NasPtzCommandSupported(long long c) {
    return (c >= 0 && c <= 7) || (c >= 25 && c <= 61) || (c >= 90 && c <= 95);
}

int RunNasCommand(const NasOptions& o, const std::vector<std::string>& args,
                  const std::function<int(const std::string&)>& usage) {
    if (o.target.battery)
        return usage("--battery is for cameras, not recorders");
    const std::string cmd = args[0];
    const RecordDef* def = nullptr;
    long long number = 0, from = 0, to = 0, partition = 0;
    // Validate the command before any network traffic.
    if (cmd == "status") {
        def = FindNasRecord("status");
    } else if (cmd == "get" || cmd == "set") {
        if (args.size() < 2)
            return usage(cmd + " needs a TYPE");
        def = FindNasRecord(args[1]);
        if (def == nullptr)
            return usage("unknown recorder record \"" + args[1] + "\"");
        if (cmd == "set" && def->setType == 0)
            return usage(args[1] + " cannot be written");
        if (cmd == "set" && args.size() < 3)
            return usage("set needs FIELD=VALUE");
    } else if (cmd == "ptz") {
        if (args.size() != 2 || !ParseInt(args[1], 0, 0x7FFFFFFF, &number))
            return usage("ptz needs a command number");
        if (!NasPtzCommandSupported(number))
            return usage("a recorder takes PTZ commands 0-7, 25-61 and 90-95");
    } else if (cmd == "records") {
        if ((args.size() != 3 && args.size() != 4) || !ParseDateSeconds(args[1], false, &from) ||
            !ParseDateSeconds(args[2], true, &to))
            return usage("records needs FROM and TO dates [and a PARTITION]");
        if (args.size() == 4 && !ParseInt(args[3], 0, kMaxPartition, &partition))
            return usage("PARTITION is 0-15");
    } else if (cmd == "playback") {
        if (args.size() != 3 && args.size() != 4)
            return usage("playback needs NAME and OUT [and a PARTITION]");
        if (args[1].size() >= sizeof(NasPlayback::fileName))
            return usage("recording name is too long");
        if (args.size() == 4 && !ParseInt(args[3], 0, kMaxPartition, &partition))
            return usage("PARTITION is 0-15");
    } else if (cmd == "stream") {
        if (args.size() != 3 || !ParseInt(args[1], 1, 3600, &number))
            return usage("stream needs SECONDS (1-3600) and OUT");
    } else if (cmd == "nas-alarms") {
        if (args.size() != 1)
            return usage("nas-alarms takes no arguments");
    } else if (cmd == "snapshot" || cmd == "upgrade" || cmd == "search") {
        return usage(cmd + " is not available for recorders");
    } else {
        return usage("unknown command \"" + cmd + "\"");
    }

    nas_net_work_init(nullptr);
    int rc = 1;
    {
        NasCliSession session;
        std::string error;
        if (!session.Open(o.target, o.user, o.password, o.timeout_ms, &error)) {
            rc = Fail(error);
        } else {
            const int h = session.id();
            const int wait_ms = o.timeout_ms;
            if (def != nullptr) {
                std::vector<char> rec(def->size, 0);
                if (def->getType != 0) {
                    if (!session.Query(def->getType, def->getType, nullptr, 0, wait_ms, &rec)) {
                        rc = Fail("no " + std::string(def->name) + " record from the recorder");
                    } else if (rec.size() != def->size) {
                        rc = Fail("record of unexpected size");
                    } else {
                        rc = 0;
                    }
                } else {
                    rc = 0;
                }
                if (rc == 0 && cmd != "set") {
                    fputs(FormatRecord(*def, rec.data(), rec.size()).c_str(), stdout);
                } else if (rc == 0) {
                    // The clock read a moment ago would set the recorder back; it is sent
                    // only when asked for (now=...), else the request leaves the clock alone.
                    if (def->setType == NAS_SET_DATETIME)
                        std::memset(rec.data() + offsetof(NasDateTime, now), 0, sizeof(int32_t));
                    for (size_t i = 2; i < args.size() && rc == 0; ++i) {
                        std::string problem = ApplyAssignment(*def, rec.data(), args[i]);
                        if (!problem.empty())
                            rc = usage(problem);
                    }
                    int result = 0;
                    if (rc == 0 &&
                        !session.Set(def->setType, rec.data(), rec.size(), wait_ms, &result)) {
                        rc = Fail("the recorder did not answer the change");
                    } else if (rc == 0 && result != 1) {
                        rc = Fail("the recorder refused the change");
                    } else if (rc == 0) {
                        printf("result = ok\n");
                    }
                }
            } else if (cmd == "ptz") {
                std::vector<char> status;
                if (nas_net_work_ptz(h, static_cast<int>(number), o.channel) <= 0) {
                    rc = Fail("not sent");
                } else if (!session.Query(NAS_GET_STATUS, NAS_GET_STATUS, nullptr, 0, wait_ms,
                                          &status)) {
                    // PTZ has no answer: the status query queued behind it proves it went out.
                    rc = Fail("the recorder stopped answering after the PTZ command");
                } else {
                    printf("ptz = %lld sent to channel %d\n", number, o.channel);
                    rc = 0;
                }
            } else if (cmd == "nas-alarms") {
                std::vector<char> rec;
                if (!session.Query(NAS_GET_ACCESSORIES, NAS_GET_ACCESSORIES, nullptr, 0, wait_ms,
                                   &rec)) {
                    rc = Fail("no accessory table from the recorder");
                } else {
                    rc = PrintAccessories(rec);
                }
            } else if (cmd == "records") {
                NasRecordSearch s{
                    static_cast<int32_t>(partition), 0, 0, o.channel, static_cast<int32_t>(from),
                    static_cast<int32_t>(to)};
                std::vector<NasRecordFileEntry> files;
                if (nas_record_file_search(h, &s) <= 0) {
                    rc = Fail("not sent");
                } else if (!session.WaitFiles(wait_ms, &files) && !files.empty()) {
                    rc = Fail("incomplete record list");
                } else {
                    // A recorder with no matching file answers with nothing to report.
                    for (const auto& e : files) {
                        printf(
                            "record %d/%d: name = %.*s channel = %d partition = %d start = %d "
                            "end = %d size = %d alarm = %d\n",
                            e.index, e.total, static_cast<int>(strnlen(e.name, sizeof e.name)),
                            e.name, e.channel, e.partition, e.startTime, e.endTime, e.size,
                            e.alarmType);
                    }
                    printf("records = %zu\n", files.size());
                    rc = 0;
                }
            } else {
                rc = StreamToFile(session, o, cmd, args, static_cast<int>(number),
                                  static_cast<int32_t>(partition));
            }
        }
    }
    nas_net_work_deInit();
    return rc;
}

}  // namespace vantor::cli
