// The fixed parameter slots of a device object: one slot per answer type, camera and NAS
// columns side by side, allocated once with the object.
//
// Thread: slots are written on library threads (answers) and read on the user-interface
// thread through the addresses posted with the messages; a newer answer may overwrite a slot
// before a view copies it, so views copy at most the posted length. No allocation after
// construction.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vantor::client {

struct ParamSlotInfo {
    int type;
    uint16_t bytes;
    uint16_t message;
};

class ParamStore {
  public:
    static constexpr size_t kCameraSlotCount = 16;
    static constexpr size_t kNasSlotCount = 18;
    static constexpr size_t kStoreBytes = 10368 + 21464;  // both columns; checked in the .cpp

    // Slot of an answer type; nullptr for a type outside the column.
    static const ParamSlotInfo* CameraSlot(int type);
    static const ParamSlotInfo* NasSlot(int type);
    // The record size of a set type; 0 for a type outside the column.
    static int CameraWriteBytes(int type);
    static int NasWriteBytes(int type);

    ParamStore();

    // Zeroes the slot and copies min(length, slot size) bytes. Returns the bytes stored.
    size_t Store(const ParamSlotInfo& slot, const char* record, int length);
    unsigned char* Slot(const ParamSlotInfo& slot);
    const unsigned char* Slot(const ParamSlotInfo& slot) const;

    static size_t TotalBytes();

  private:
    size_t Offset(const ParamSlotInfo& slot) const;

    alignas(8) std::array<unsigned char, kStoreBytes> bytes_{};
};

}  // namespace vantor::client
