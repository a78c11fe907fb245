// What the answer dispatcher hands its results to: the session (which applies the stop-flag
// rule and calls the client's callbacks) or a test recorder.
//
// Thread: called on the thread that received the answer; memory handed over is valid only
// during the call.
#pragma once

#include "darvel_recordfile.h"

namespace vantor {

class AnswerSink {
  public:
    virtual ~AnswerSink() = default;
    virtual void OnParamData(int type, const char* record, int length) = 0;
    virtual void OnParamResult(int type, int result) = 0;
    virtual void OnRecordFile(const DarvelRecordListEntry& entry) = 0;
    virtual void OnDeviceLog(int logType, int count, int index, int time) = 0;
    // The device accepted the account (check_user.cgi answered with success).
    virtual void OnAccountAccepted() = 0;
    // A file-transfer step answered (step result, 255 without a result key).
    virtual void OnTransferStep(int result) = 0;
    // The dispatcher wants a request without record queued (wifi scan result, mail and FTP
    // tests, the reboot after a successful set of users, Wi-Fi, ONVIF or factory restore).
    virtual void QueueFollowUp(int type) = 0;
};

}  // namespace vantor
