#include "FileTransfer.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "CmdHead.h"
#include "DebugOut.h"
#include "LockGuard.h"

namespace vantor {
namespace {

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

struct FileCloser {
    void operator()(FILE* f) const {
        if (f != nullptr) {
            fclose(f);
        }
    }
};

}  // namespace

int FileTransfer::DefaultStepWait_ms() {
    const char* env = getenv("VANTOR_DARVEL_TRANSFER_WAIT_MS");
    if (env != nullptr) {
        int v = atoi(env);
        if (v >= 1 && v <= kTransferStepWait_ms) {
            return v;
        }
    }
    return kTransferStepWait_ms;
}

FileTransfer::FileTransfer(Hooks hooks, int stepWait_ms)
    : hooks_(std::move(hooks)), stepWait_ms_(stepWait_ms) {}

FileTransfer::~FileTransfer() {
    Stop();
}

int FileTransfer::Start(const DarvelTransferRecord* record) {
    if (record == nullptr) {
        return -6;
    }
    LockGuard g(startLock_);
    // The busy flag is taken here, not by the thread, so two quick calls cannot both start.
    if (busy_.exchange(true)) {
        return -7;
    }
    running_.store(false);
    thread_.stop();  // a finished transfer's thread
    memcpy(&record_, record, sizeof(record_));
    record_.localPath[sizeof(record_.localPath) - 1] = '\0';
    stepResult_.store(kTransferStepInvalid);
    stepEvent_.reset();
    running_.store(true);
    if (thread_.start(&FileTransfer::Entry, this) < 0) {
        running_.store(false);
        busy_.store(false);
        return -7;
    }
    return 1;
}

void FileTransfer::Stop() {
    LockGuard g(startLock_);
    running_.store(false);
    stepResult_.store(kTransferStepInvalid);
    stepEvent_.set();
    thread_.stop();
    busy_.store(false);
}

void FileTransfer::OnStepResult(int result) {
    stepResult_.store(result);
    // set(), not a pulse: the answer may come before the thread has begun to wait.
    stepEvent_.set();
}

void FileTransfer::Entry(void* arg) {
    static_cast<FileTransfer*>(arg)->Run();
}

void FileTransfer::Run() {
    int outcome = RunSteps();
    bool report = outcome > 0 && running_.load();
    // Idle before the report: a client may start the next transfer as soon as it has it.
    busy_.store(false);
    if (report) {
        hooks_.report(kTransferTypeOutcome, outcome);
    }
}

int FileTransfer::WaitAnswer(int* result) {
    int w = stepEvent_.wait(stepWait_ms_);
    if (!running_.load()) {
        return -1;
    }
    if (w != 0) {
        return 0;
    }
    *result = stepResult_.load();
    return 1;
}

int FileTransfer::Step(int type, const void* record, int length, int* result) {
    stepEvent_.reset();
    // After the reset: a stop that came before it must not be waited out.
    if (!running_.load()) {
        return -1;
    }
    while (hooks_.queueRequest(type, record, length) <= 0) {
        if (!running_.load()) {
            return -1;
        }
        SleepMs(kTransferQueueRetry_ms);
    }
    return WaitAnswer(result);
}

int FileTransfer::RunSteps() {
    int r = 0;
    int w = Step(0x2717, &record_, sizeof(record_), &r);
    if (w < 0) {
        return 0;
    }
    if (w == 0) {
        DebugOut("Send 1 wait 15s timeout\n");
        return 3;
    }
    if (r == -3) {
        DebugOut("Send 1 return version mismatch, finish next step.\n");
        return 4;
    }
    if (r == kTransferStepInvalid) {
        DebugOut("Send 1 return invalid, finish next step.\n");
        return 2;
    }
    DebugOut("Send 1 OK.\n");

    w = Step(0x5001, nullptr, 0, &r);
    if (w < 0) {
        return 0;
    }
    if (w == 0) {
        DebugOut("Send 2 wait 15s timeout\n");
        return 3;
    }
    if (r == -8) {
        DebugOut("Send 2 return -8, cancel transfer, finish next step.\n");
        return 5;
    }
    if (r == kTransferStepInvalid) {
        DebugOut("Send 2 return invalid, finish next step.\n");
        return 2;
    }
    DebugOut("Send 2 OK.\n");

    w = Step(0x5002, nullptr, 0, &r);
    if (w < 0) {
        return 0;
    }
    if (w == 0) {
        DebugOut("Send 3 wait 15s timeout\n");
        return 3;
    }
    if (r == -2) {
        DebugOut("Send 3 return transfer error, finish next step.\n");
        return 6;
    }
    if (r == kTransferStepInvalid) {
        DebugOut("Send 3 return invalid, finish next step.\n");
        return 2;
    }
    DebugOut("Send 3 OK.\n");

    int data = SendData();
    if (data != 0) {
        return data < 0 ? 0 : data;
    }

    w = Step(0x5003, nullptr, 0, &r);
    if (w < 0) {
        return 0;
    }
    if (w == 0) {
        DebugOut("Send 4 wait 15s timeout\n");
        return 3;
    }
    int outcome = 0;
    if (r == kTransferStepInvalid) {
        DebugOut("Send 4 return invalid, finish transmit file.\n");
        outcome = 2;
    } else if (r == -5) {
        DebugOut("Send 4 return check md5 error(all data send finished).\n");
        outcome = 8;
    } else if (r == 2) {
        DebugOut("Send 4 return check md5 success, send data OK, next step is confirm!\n");
        outcome = 9;
    }
    DebugOut("Send 4 OK.\n");
    return outcome;
}

int FileTransfer::SendData() {
    std::unique_ptr<FILE, FileCloser> file(fopen(record_.localPath, "rb"));
    if (!file) {
        return 7;
    }
    struct stat st;
    if (fstat(fileno(file.get()), &st) != 0) {
        return 6;
    }
    const long long sizeAtOpen = static_cast<long long>(st.st_size);
    std::unique_ptr<uint8_t[]> block(new uint8_t[kTransferBlockBytes]);
    long long read = 0;
    int acknowledged = 0;
    while (true) {
        if (!running_.load()) {
            return -1;
        }
        size_t n = fread(block.get(), 1, kTransferBlockBytes, file.get());
        if (n == 0) {
            // A file that shrank or could not be read to its end would leave the device with
            // a short image: that is a transfer error, not a finished transfer.
            if (ferror(file.get()) != 0 || read != sizeAtOpen) {
                DebugOut("Send file data: local file read %lld of %lld bytes, exit send.\n", read,
                         sizeAtOpen);
                return 6;
            }
            return 0;
        }
        read += static_cast<long long>(n);
        CmdQueueEntry entry = {0, kCmdFileData, static_cast<uint32_t>(n + sizeof(CmdHead)), 0, 0};
        CmdHead head = {kStartCodePlain, kCmdFileData, static_cast<uint16_t>(n), 0};
        const CommandQueue::Part parts[] = {
            {&entry, sizeof(entry)}, {&head, sizeof(head)}, {block.get(), n}};
        stepEvent_.reset();
        if (!running_.load()) {
            return -1;
        }
        size_t queued = 0;
        while ((queued = hooks_.queueRaw(parts, 3)) == 0) {
            if (!running_.load()) {
                return -1;
            }
            SleepMs(kTransferQueueRetry_ms);
        }
        DebugOut("Send data to buffer len=%d\n", static_cast<int>(queued));
        int r = 0;
        int w = WaitAnswer(&r);
        if (w < 0) {
            return -1;
        }
        if (w == 0) {
            DebugOut("Send file data wait 15s timeout, exit send.\n");
            return 3;
        }
        if (r == 1) {
            DebugOut("Send a data ok, send next.\n");
            acknowledged += static_cast<int>(n);
            hooks_.report(kTransferTypeProgress, acknowledged);
        } else if (r == kTransferStepInvalid) {
            DebugOut("Send file data return invalid response, exit send.\n");
            return 2;
        } else if (r == -2) {
            DebugOut("Send file data return transfer error, exit send.\n");
            return 6;
        }
    }
}

}  // namespace vantor
