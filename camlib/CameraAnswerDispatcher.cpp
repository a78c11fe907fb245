#include "CameraAnswerDispatcher.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "CAPCameraPacket.h"
#include "CameraRecordDecoder.h"
#include "DebugOut.h"

namespace vantor {
namespace {

bool IsRecordType(int type) {
    switch (type) {
        case 0x2001:
        case 0x2003:
        case 0x2005:
        case 0x2007:
        case 0x2009:
        case 0x2011:
        case 0x2013:
        case 0x2016:
        case 0x2018:
        case 0x2021:
        case 0x2025:
        case 0x2701:
        case 0x2703:
        case 0x2705:
        case 0x270B:
        case 0x2713:
        case 0x271F:
        case 0x2722:
        case 0x272B:
        case 0x2730:
        case 0x2739:
        case 0x273A:
        case 0x2741:
        case 0x2749:
        case 0x2709:
        case 0x270D:
        case 0x271C:
        case 0x272D:
        case 0x272F:
        case 0x2737:
        case 0x273B:
        case 0x273E:
        case 0x2745:
        case 0x2746:
        case 0x6105:
            return true;
        default:
            return false;
    }
}

bool IsGenericResultType(int type) {
    if (type == 0x270F || type == 0x2718 || type == 0x274A || (type >= 0x274C && type <= 0x2765)) {
        return false;
    }
    switch (type) {
        case 0x2000:
        case 0x2002:
        case 0x2004:
        case 0x2006:
        case 0x2008:
        case 0x2010:
        case 0x2012:
        case 0x2015:
        case 0x2017:
        case 0x2022:
        case 0x2024:
        case 0x2026:
        case 0x2700:
        case 0x6104:
        case 0x6106:
            return true;
        default:
            return type >= 0x2701 && type <= 0x2766;
    }
}

bool RebootsAfterSuccess(int type) {
    return type == 0x2002 || type == 0x2012 || type == 0x270A || type == 0x2710;
}

}  // namespace

void CameraAnswerDispatcher::DispatchAnswerCode(int answerCode, const uint8_t* data, size_t len,
                                                AnswerSink& sink) {
    int types[kAnswerTypesMax];
    int n = CAPCameraPacket::AnswerTypes(answerCode, types);
    for (int i = 0; i < n; ++i) {
        Dispatch(types[i], data, len, sink);
    }
}

void CameraAnswerDispatcher::Dispatch(int type, const uint8_t* data, size_t len, AnswerSink& sink) {
    if (data == nullptr || len == 0) {
        return;
    }
    if (type == 0x270E || type == 0x2727 || type == 0x6107) {
        // Pictures go on as they came; the caller gets their exact length.
        if (len <= static_cast<size_t>(INT32_MAX)) {
            sink.OnParamData(type, reinterpret_cast<const char*>(data), static_cast<int>(len));
        }
        return;
    }
    // Plain answers arrive without a terminator and may hold zero bytes: the text ends at the
    // first zero or at the payload's end.
    const char* p = reinterpret_cast<const char*>(data);
    size_t textLen = strnlen(p, len);
    std::string text(p, textLen);
    DispatchText(type, text.c_str(), textLen, sink);
}

bool CameraAnswerDispatcher::DecodeAndDeliver(int type, const char* text, AnswerSink& sink) {
    alignas(8) uint8_t record[kDecodedRecordMax];
    CameraRecordDecoder decoder(x_);
    size_t size = decoder.Decode(type, text, record);
    if (size == 0) {
        return false;
    }
    int deliverType = type == 0x2707 ? 0x2014 : type;
    sink.OnParamData(deliverType, reinterpret_cast<const char*>(record), static_cast<int>(size));
    return true;
}

void CameraAnswerDispatcher::DispatchText(int type, const char* text, size_t textLen,
                                          AnswerSink& sink) {
    if (IsRecordType(type) || type == 0x2707) {
        DecodeAndDeliver(type, text, sink);
        return;
    }
    switch (type) {
        case 0x2014:
            if (CAPPacket::IsResultOk(text)) {
                sink.QueueFollowUp(0x2707);
            }
            return;
        case 0x2706:
        case 0x2766: {
            CameraRecordDecoder decoder(x_);
            int n = decoder.RecordCount(text);
            DarvelRecordListEntry entry;
            if (n == 0) {
                memset(&entry, 0, sizeof(entry));
                sink.OnRecordFile(entry);
                return;
            }
            for (int i = 0; i < n; ++i) {
                decoder.RecordEntry(text, n, i, &entry);
                sink.OnRecordFile(entry);
            }
            return;
        }
        case 0x2708:
            DebugOut("CHECK_USER return msg:%s\n", text);
            if (CAPPacket::IsAccountCheckOk(text)) {
                sink.OnAccountAccepted();
            }
            return;
        case 0x2726:
            if (textLen < kSerialAnswerMax) {
                sink.OnParamData(type, text, static_cast<int>(textLen));
            }
            return;
        case 0x271A: {
            char md5[kFileMd5TextBytes] = {};
            x_.GetFileMd5(text, md5, sizeof(md5));
            sink.OnParamData(type, md5, static_cast<int>(strlen(md5)));
            return;
        }
        case 0x2717:
        case 0x5001:
        case 0x5002:
        case 0x5003: {
            int step = x_.GetStepResult(text);
            const char* fmt = type == 0x2717   ? "recv 1 ret:%s\n"
                              : type == 0x5001 ? "recv 2 ret:%s\n"
                              : type == 0x5002 ? "recv data ret:%s\n"
                                               : "recv 4 ret:%s\n";
            DebugOut(fmt, text);
            sink.OnTransferStep(step);
            return;
        }
        case 0x2719: {
            int step = x_.GetStepResult(text);
            DebugOut("recv confirm ret:%s\n", text);
            sink.OnParamResult(0x2719, step);
            return;
        }
        case 0x2732:
            if (CAPPacket::IsResultOk(text)) {
                sink.QueueFollowUp(0x2733);
            }
            return;
        case 0x2733:
            sink.OnParamResult(0x2732, CAPPacket::IsResultOk(text) ? 1 : 0);
            return;
        case 0x2742:
            if (CAPPacket::IsResultOk(text)) {
                sink.QueueFollowUp(0x2743);
            }
            return;
        case 0x2743:
            sink.OnParamResult(0x2742, CAPPacket::IsResultOk(text) ? 1 : 0);
            return;
        case 0x2734: {
            int n = 0;
            if (x_.GetIntValue(text, "logcnt=", &n) == 0 || n <= 0) {
                return;
            }
            if (n > kAnswerListMax) {
                n = kAnswerListMax;
            }
            char key[64];
            for (int i = 0; i < n; ++i) {
                int logType = -1;
                int time = 0;
                snprintf(key, sizeof(key), "type[%d]=", i);
                x_.GetIntValue(text, key, &logType);
                snprintf(key, sizeof(key), "time[%d]=", i);
                x_.GetIntValue(text, key, &time);
                sink.OnDeviceLog(logType, n, i, time);
            }
            return;
        }
        default:
            break;
    }
    if (IsGenericResultType(type)) {
        int result = CAPPacket::IsResultOk(text) ? 1 : 0;
        sink.OnParamResult(type, result);
        if (result == 1 && RebootsAfterSuccess(type)) {
            sink.QueueFollowUp(0x2700);
        }
    }
}

}  // namespace vantor
