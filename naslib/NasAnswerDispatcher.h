// What the session does with one answer text: results, records, record-file entries, the
// account check result, and the follow-up requests (reboot after network, users, Wi-Fi or
// access-point changes; the result queries of the Wi-Fi scan and the camera search).
//
// Thread: the session's receive thread (P2P) or command thread (TCP). The sink is called
// with no library lock held.
#pragma once

#include "NasCommandTable.h"
#include "morsk_records.h"

namespace vantor {

class CAPPacket;

class NasAnswerSink {
  public:
    virtual ~NasAnswerSink() = default;
    virtual void OnRecord(int type, const void* record, int size) = 0;
    virtual void OnResult(int type, int result) = 0;
    virtual void OnRecordFile(const NasRecordFileEntry& entry) = 0;
    virtual void OnAccountResult(int result) = 0;
    // Queue the record-less request of `type` (reboot, result queries).
    virtual void OnFollowUp(int type) = 0;
};

class NasAnswerDispatcher {
  public:
    // P2P: the answer ID of the head selects the row (unknown IDs are ignored).
    static void DispatchAnswerId(CAPPacket& packet, int answerId, const char* text,
                                 NasAnswerSink& sink);
    // TCP: the type the request was sent with selects the row.
    static void DispatchType(CAPPacket& packet, int type, const char* text, NasAnswerSink& sink);

    static void Dispatch(CAPPacket& packet, const NasCommandRow& row, const char* text,
                         NasAnswerSink& sink);
};

}  // namespace vantor
