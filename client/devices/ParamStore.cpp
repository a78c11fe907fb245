#include "ParamStore.h"

#include <algorithm>
#include <cstring>

namespace vantor::client {

namespace {

constexpr std::array<ParamSlotInfo, ParamStore::kCameraSlotCount> kCamera{{
    {8193, 332, 1224},
    {8195, 384, 1225},
    {8201, 524, 1226},
    {8199, 332, 1227},
    {8197, 272, 1228},
    {8209, 56, 1229},
    {9985, 336, 1230},
    {8214, 84, 1231},
    {8216, 148, 1232},
    {8212, 6532, 1233},
    {8211, 812, 1234},
    {8225, 120, 1235},
    {9987, 264, 1236},
    {8229, 136, 1237},
    {10029, 12, 1246},
    {10031, 24, 1248},
}};

constexpr std::array<ParamSlotInfo, ParamStore::kNasSlotCount> kNas{{
    {8460, 172, 1224},
    {8466, 384, 1225},
    {8458, 520, 1226},
    {8459, 168, 1227},
    {8454, 200, 1228},
    {8449, 492, 1230},
    {8452, 84, 1231},
    {8457, 152, 1232},
    {8463, 2948, 1233},
    {8462, 144, 1234},
    {8455, 124, 1235},
    {8461, 272, 1236},
    {8467, 6532, 1241},
    {8450, 816, 1242},
    {8478, 100, 1243},
    {8474, 6692, 1244},
    {8479, 1664, 1245},
    {8477, 0, 0},  // requested only; its answer is not stored
}};

constexpr std::array<std::pair<int, int>, 14> kCameraWrite{{
    {8192, 332},
    {8194, 384},
    {8196, 272},
    {8198, 332},
    {8200, 524},
    {8208, 56},
    {8210, 812},
    {8213, 84},
    {8215, 148},
    {8226, 120},
    {8228, 260},
    {9986, 64},
    {9988, 264},
    {10030, 24},
}};

constexpr std::array<std::pair<int, int>, 15> kNasWrite{{
    {8192, 172},
    {8193, 384},
    {8194, 200},
    {8195, 168},
    {8196, 520},
    {8197, 144},
    {8198, 84},
    {8199, 124},
    {8200, 32},
    {8201, 272},
    {8202, 816},
    {8205, 152},
    {8208, 56},
    {8220, 48},
    {8221, 60},
}};

constexpr size_t SumBytes(const auto& table) {
    size_t total = 0;
    for (const auto& s : table) {
        total += s.bytes;
    }
    return total;
}

constexpr size_t kCameraBytes = SumBytes(kCamera);
constexpr size_t kNasBytes = SumBytes(kNas);

template <typename Table>
const ParamSlotInfo* Find(const Table& table, int type) {
    for (const auto& s : table) {
        if (s.type == type) {
            return &s;
        }
    }
    return nullptr;
}

template <typename Table>
int FindWrite(const Table& table, int type) {
    for (const auto& [t, bytes] : table) {
        if (t == type) {
            return bytes;
        }
    }
    return 0;
}

}  // namespace

static_assert(kCameraBytes == 10368, "camera slots");
static_assert(kNasBytes == 21464, "NAS slots");
static_assert(kCameraBytes + kNasBytes == ParamStore::kStoreBytes, "store size");

const ParamSlotInfo* ParamStore::CameraSlot(int type) {
    return Find(kCamera, type);
}
const ParamSlotInfo* ParamStore::NasSlot(int type) {
    const ParamSlotInfo* s = Find(kNas, type);
    return (s && s->bytes) ? s : nullptr;
}
int ParamStore::CameraWriteBytes(int type) {
    return FindWrite(kCameraWrite, type);
}
int ParamStore::NasWriteBytes(int type) {
    return FindWrite(kNasWrite, type);
}
size_t ParamStore::TotalBytes() {
    return kCameraBytes + kNasBytes;
}

ParamStore::ParamStore() = default;

size_t ParamStore::Offset(const ParamSlotInfo& slot) const {
    size_t off = 0;
    for (const auto& s : kCamera) {
        if (&s == &slot) {
            return off;
        }
        off += s.bytes;
    }
    for (const auto& s : kNas) {
        if (&s == &slot) {
            return off;
        }
        off += s.bytes;
    }
    return bytes_.size();  // not a slot of ours: callers only pass table entries
}

unsigned char* ParamStore::Slot(const ParamSlotInfo& slot) {
    return bytes_.data() + Offset(slot);
}
const unsigned char* ParamStore::Slot(const ParamSlotInfo& slot) const {
    return bytes_.data() + Offset(slot);
}

size_t ParamStore::Store(const ParamSlotInfo& slot, const char* record, int length) {
    unsigned char* dst = Slot(slot);
    std::memset(dst, 0, slot.bytes);
    if (record == nullptr || length <= 0) {
        return 0;
    }
    const size_t n = std::min<size_t>(static_cast<size_t>(length), slot.bytes);
    std::memcpy(dst, record, n);
    return n;
}

}  // namespace vantor::client
