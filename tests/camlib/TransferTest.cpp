// Firmware transfer through the library's exports against the device simulator over the P2P
// transport (loopback): blocks and progress, the outcome of every failing step, a local file
// that is missing or shrinks mid-way, a second transfer while busy, and stop during a
// transfer.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ClientProbe.h"
#include "SessionCipher.h"
#include "darvel.h"

namespace {

constexpr int kFileBytes = 40000;

class DarvelTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("VANTOR_PPPP_DISCOVERY_MS", "400", 1);
        device_net_work_init(nullptr);
        devId_ = "VTRF" + std::to_string(100000 + getpid() % 800000) + "SIMAA";
        int in[2];
        int out[2];
        ASSERT_EQ(pipe(in), 0);
        ASSERT_EQ(pipe(out), 0);
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[0]);
            close(in[1]);
            close(out[0]);
            close(out[1]);
            std::string dev = "id=" + devId_ + ",user=admin,password=pw,httpPort=-1";
            execl(DEVSIM_PATH, "devsim", "--device", dev.c_str(), "--lan-search-port", "0",
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        in_ = in[1];
        out_ = fdopen(out[0], "r");
        char line[512];
        bool ready = false;
        while (!ready && fgets(line, sizeof(line), out_) != nullptr)
            ready = std::string(line).rfind("ready", 0) == 0;
        ASSERT_TRUE(ready);

        path_ = ::testing::TempDir() + "/vantor_fw_" + std::to_string(getpid()) + ".bin";
        std::string image(kFileBytes, '\0');
        for (int i = 0; i < kFileBytes; ++i)
            image[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
        FILE* f = fopen(path_.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(fwrite(image.data(), 1, image.size(), f), image.size());
        fclose(f);
        memset(&rec_, 0, sizeof(rec_));
        snprintf(rec_.localPath, sizeof(rec_.localPath), "%s", path_.c_str());
        strcpy(rec_.deviceName, "fw.bin");
        strcpy(rec_.version, "9.9.9");
        rec_.fileSize = kFileBytes;
        std::string md5 = vantor::md5hex(image);
        memcpy(rec_.md5, md5.data(), sizeof(rec_.md5));
    }
    void TearDown() override {
        if (id_ >= 0) {
            device_net_work_stop(id_);
            device_net_work_destroyInstance(id_);
        }
        if (in_ >= 0)
            close(in_);
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ != nullptr)
            fclose(out_);
        unlink(path_.c_str());
    }
    // A session that is online; stepWait_ms shortens the transfer's answer wait.
    void Connect(const char* stepWait_ms) {
        if (stepWait_ms != nullptr)
            setenv("VANTOR_DARVEL_TRANSFER_WAIT_MS", stepWait_ms, 1);
        else
            unsetenv("VANTOR_DARVEL_TRANSFER_WAIT_MS");
        id_ =
            device_net_work_createInstanceEx("admin", "pw", devId_.c_str(), "", 0, DARVEL_KIND_P2P);
        unsetenv("VANTOR_DARVEL_TRANSFER_WAIT_MS");
        ASSERT_GE(id_, 0);
        probe_.attach(id_);
        ASSERT_EQ(device_net_work_start(id_), 1);
        ASSERT_TRUE(probe_.waitEvent(DARVEL_EVENT_ONLINE, 30000));
    }
    void Device(const std::string& command) {
        std::string l = command + "\n";
        ASSERT_EQ(write(in_, l.data(), l.size()), static_cast<ssize_t>(l.size()));
        char line[512];
        ASSERT_NE(fgets(line, sizeof(line), out_), nullptr);  // "ok ..."
        ASSERT_EQ(std::string(line).rfind("ok", 0), 0u) << line;
    }
    std::vector<int> Results(int type) {
        std::vector<int> v;
        for (auto& r : probe_.results) {
            if (r.first == type)
                v.push_back(r.second);
        }
        return v;
    }
    // The outcome of the next transfer (clears earlier results first).
    int Transfer() {
        {
            std::lock_guard<std::mutex> g(probe_.mu);
            probe_.results.clear();
        }
        if (device_net_work_transmit_file(id_, &rec_) != 1)
            return -100;
        if (!probe_.waitFor([&] { return !Results(0x2717).empty(); }, 60000))
            return -101;
        std::lock_guard<std::mutex> g(probe_.mu);
        return Results(0x2717).front();
    }

    std::string devId_;
    pid_t pid_ = -1;
    int in_ = -1;
    FILE* out_ = nullptr;
    std::string path_;
    DarvelTransferRecord rec_;
    int id_ = -1;
    ClientProbe probe_;
};

TEST_F(DarvelTransfer, WholeFileInBlocksWithProgressThenConfirm) {
    Connect(nullptr);
    ASSERT_EQ(device_net_work_transmit_file(id_, &rec_), 1);
    EXPECT_EQ(device_net_work_transmit_file(id_, &rec_), -7);  // busy
    ASSERT_TRUE(probe_.waitFor([&] { return !Results(0x2717).empty(); }, 60000));
    {
        std::lock_guard<std::mutex> g(probe_.mu);
        EXPECT_EQ(Results(0x2718), (std::vector<int>{16384, 32768, 40000}));
        EXPECT_EQ(Results(0x2717), std::vector<int>{9});
    }
    // The device's digest of what it received.
    ASSERT_GT(device_net_work_GetParamEx(id_, 0x271A, "fw.bin", 6), 0);
    ASSERT_TRUE(probe_.waitFor([&] {
        for (auto& d : probe_.data) {
            if (d.first == 0x271A)
                return true;
        }
        return false;
    }));
    {
        std::lock_guard<std::mutex> g(probe_.mu);
        for (auto& d : probe_.data) {
            if (d.first == 0x271A) {
                EXPECT_EQ(std::string(d.second.begin(), d.second.end()),
                          std::string(rec_.md5, sizeof(rec_.md5)));
            }
        }
    }
    int32_t confirm[9] = {1};
    ASSERT_GT(device_net_work_set_param(id_, 0x2719, confirm, sizeof(confirm)), 0);
    EXPECT_TRUE(probe_.waitFor([&] { return !Results(0x2719).empty(); }));
}

TEST_F(DarvelTransfer, EveryFailingStepHasItsOutcome) {
    Connect("2000");
    struct Case {
        const char* mode;
        int outcome;
    };
    // silent last: a silent device stays silent.
    for (const Case& c : {Case{"version", 4}, Case{"cancel", 5}, Case{"transfer", 6},
                          Case{"md5", 8}, Case{"silent", 3}}) {
        Device("upgrade-fail " + devId_ + " " + c.mode);
        EXPECT_EQ(Transfer(), c.outcome) << c.mode;
    }
}

TEST_F(DarvelTransfer, LocalFileMissingOrShrinking) {
    Connect(nullptr);
    std::string kept = rec_.localPath;
    snprintf(rec_.localPath, sizeof(rec_.localPath), "%s.missing", kept.c_str());
    EXPECT_EQ(Transfer(), 7);
    snprintf(rec_.localPath, sizeof(rec_.localPath), "%s", kept.c_str());
    // The file is cut to 20 000 bytes once the first block is acknowledged: the transfer must
    // not end as if the whole image had been sent.
    static std::string* pathForCut = nullptr;
    pathForCut = &path_;
    device_net_work_param_callback(
        id_, &ClientProbe::OnData,
        [](int type, int value, void* u) {
            if (type == 0x2718 && value == 16384) {
                EXPECT_EQ(truncate(pathForCut->c_str(), 20000), 0);
            }
            ClientProbe::OnResult(type, value, u);
        },
        &probe_);
    EXPECT_EQ(Transfer(), 6);
}

TEST_F(DarvelTransfer, StopEndsATransferWithoutOutcome) {
    Connect(nullptr);  // the device's 15 s wait
    Device("upgrade-fail " + devId_ + " silent");
    ASSERT_EQ(device_net_work_transmit_file(id_, &rec_), 1);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(device_net_work_stop(id_), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    std::lock_guard<std::mutex> g(probe_.mu);
    EXPECT_TRUE(Results(0x2717).empty());
}

}  // namespace
