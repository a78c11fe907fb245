#include "NasAnswerDispatcher.h"

#include <cstdint>

#include "CAPPacket.h"
#include "NasRecordDecoder.h"

namespace vantor {
namespace {
constexpr size_t kLargestRecordBytes = sizeof(NasAccessories);
}  // namespace

void NasAnswerDispatcher::DispatchAnswerId(CAPPacket& packet, int answerId, const char* text,
                                           NasAnswerSink& sink) {
    const NasCommandRow* row = FindNasAnswer(answerId);
    if (row != nullptr)
        Dispatch(packet, *row, text, sink);
}

void NasAnswerDispatcher::DispatchType(CAPPacket& packet, int type, const char* text,
                                       NasAnswerSink& sink) {
    const NasCommandRow* row = FindNasCommand(type);
    if (row != nullptr)
        Dispatch(packet, *row, text, sink);
}

void NasAnswerDispatcher::Dispatch(CAPPacket& packet, const NasCommandRow& row, const char* text,
                                   NasAnswerSink& sink) {
    if (text == nullptr)
        return;
    switch (row.kind) {
        case NasAnswerKind::kResult:
            sink.OnResult(row.type, NasRecordDecoder::IsOk(packet, text) ? 1 : 0);
            return;
        case NasAnswerKind::kResultReboot: {
            bool ok = NasRecordDecoder::IsOk(packet, text);
            sink.OnResult(row.type, ok ? 1 : 0);
            if (ok)
                sink.OnFollowUp(NAS_REBOOT);
            return;
        }
        case NasAnswerKind::kFollowUp:
            if (NasRecordDecoder::IsOk(packet, text))
                sink.OnFollowUp(row.recordType);
            return;
        case NasAnswerKind::kRecord: {
            static_assert(kLargestRecordBytes == 6692, "the accessory table is the largest");
            alignas(8) uint8_t record[kLargestRecordBytes];
            if (row.recordBytes > sizeof record)
                return;
            if (NasRecordDecoder::Decode(packet, row.recordType, text, record, row.recordBytes))
                sink.OnRecord(row.recordType, record, row.recordBytes);
            return;
        }
        case NasAnswerKind::kRecordFiles:
            NasRecordDecoder::DecodeRecordFiles(
                packet, text, [&sink](const NasRecordFileEntry& e) { sink.OnRecordFile(e); });
            return;
        case NasAnswerKind::kCheckUser:
            sink.OnAccountResult(NasRecordDecoder::IsOk(packet, text) ? 1 : 0);
            return;
        case NasAnswerKind::kIgnored:
        case NasAnswerKind::kNone:
            return;
    }
}

}  // namespace vantor
