// vantor-cli: a command-line client on the camera library.
//
//   vantor-cli --id DEVICEID [--user U] [--password P] [--timeout-ms N] COMMAND [ARGS]
//
// Prints decoded records as "key = value" lines; exits 0 on success, 1 when the device
// refused or did not answer, 2 on a usage error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "CliSession.h"
#include "RecordFields.h"
#include "darvel.h"

using namespace vantor::cli;

namespace {

const char kUsage[] =
    "usage: vantor-cli --id DEVICEID [--user U] [--password P] [--timeout-ms N] COMMAND\n"
    "       (--host H --port N: TCP sessions are not available in this build)\n"
    "commands:\n"
    "  status                     device status record\n"
    "  get TYPE                   a record by name or type (e.g. network, 0x2701)\n"
    "  set TYPE FIELD=VALUE...    change fields of a record and send it\n"
    "  ptz CMD                    send a PTZ command number\n"
    "  snapshot FILE              store a JPEG snapshot\n"
    "  records FROM TO            list recordings (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS)\n"
    "  playback NAME OUT          write the frames of a recording to OUT\n"
    "  stream SECONDS OUT         write live video frames to OUT\n"
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

int main(int argc, char** argv) {
    std::string id, user = "admin", password, host;
    long long timeout_ms = 20000;
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
        } else if (a == "--host" || a == "--port") {
            if (!value(&host))
                return Usage(a + " needs a value");
            return Fail("TCP sessions (--host/--port) are not available in this build");
        } else if (a == "--timeout-ms") {
            if (!value(&v) || !ParseInt(v, 100, 600000, &timeout_ms)) {
                return Usage("--timeout-ms needs a number from 100 to 600000");
            }
        } else if (a == "--help" || a == "-h") {
            Usage("help");
            return 0;
        } else {
            args.push_back(a);
        }
    }
    if (id.empty())
        return Usage("--id is required");
    if (args.empty())
        return Usage("no command");
    const std::string cmd = args[0];
    const int wait_ms = static_cast<int>(timeout_ms);

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
    } else {
        return Usage("unknown command \"" + cmd + "\"");
    }

    CliSession session;
    std::string error;
    if (!session.Open(id, user, password, wait_ms, &error))
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
