#include "FirmwareUpgrade.h"

#include <strings.h>

#include "SessionCipher.h"
#include "SettingsStore.h"

namespace devsim {

namespace {

std::string Result(int n) {
    return "result= " + std::to_string(n) + ";\r\n";
}

}  // namespace

bool ParseFailure(const std::string& text, FirmwareUpgrade::Failure* f) {
    static const struct {
        const char* name;
        FirmwareUpgrade::Failure f;
    } kNames[] = {{"none", FirmwareUpgrade::Failure::kNone},
                  {"version", FirmwareUpgrade::Failure::kVersionMismatch},
                  {"cancel", FirmwareUpgrade::Failure::kCancel},
                  {"transfer", FirmwareUpgrade::Failure::kTransferError},
                  {"md5", FirmwareUpgrade::Failure::kMd5},
                  {"silent", FirmwareUpgrade::Failure::kSilent}};
    for (const auto& n : kNames) {
        if (text == n.name) {
            *f = n.f;
            return true;
        }
    }
    return false;
}

std::string FirmwareUpgrade::announce(const CgiRequest& r) {
    if (failure_ == Failure::kSilent)
        return {};
    if (failure_ == Failure::kVersionMismatch)
        return Result(-3);
    long long size = r.getInt("filesize", -1);
    if (size < 0 || static_cast<unsigned long long>(size) > kMaxImageBytes)
        return Result(-1);
    fileName_ = SanitizeText(r.get("filename"), 255);
    version_ = SanitizeText(r.get("filever"), 31);
    expectedMd5_ = SanitizeText(r.get("filemd5"), 32);
    expectedSize_ = size;
    image_.clear();
    announced_ = true;
    verified_ = false;
    return Result(0);
}

std::string FirmwareUpgrade::start() {
    if (failure_ == Failure::kSilent)
        return {};
    if (failure_ == Failure::kCancel)
        return Result(-8);
    return Result(announced_ ? 0 : -1);
}

std::string FirmwareUpgrade::dataStep() {
    if (failure_ == Failure::kSilent)
        return {};
    if (failure_ == Failure::kTransferError)
        return Result(-2);
    return Result(announced_ ? 0 : -1);
}

std::string FirmwareUpgrade::data(const uint8_t* bytes, size_t n) {
    if (failure_ == Failure::kSilent)
        return {};
    if (failure_ == Failure::kTransferError || !announced_)
        return Result(-2);
    // More bytes than announced is a transfer error, never a buffer that keeps growing.
    if (image_.size() + n > static_cast<size_t>(expectedSize_))
        return Result(-2);
    image_.append(reinterpret_cast<const char*>(bytes), n);
    return Result(1);
}

std::string FirmwareUpgrade::end() {
    if (failure_ == Failure::kSilent)
        return {};
    std::string md5 = vantor::md5hex(image_);
    verified_ = announced_ && failure_ != Failure::kMd5 &&
                static_cast<long long>(image_.size()) == expectedSize_ &&
                strcasecmp(md5.c_str(), expectedMd5_.c_str()) == 0;
    return Result(verified_ ? 2 : -5);
}

std::string FirmwareUpgrade::confirm(const CgiRequest& r, bool* accepted) {
    *accepted = false;
    if (failure_ == Failure::kSilent)
        return {};
    if (r.getInt("confirm", 0) == 0) {
        announced_ = false;
        image_.clear();
        return Result(0);
    }
    if (!verified_)
        return Result(-1);
    *accepted = true;
    announced_ = false;
    verified_ = false;
    return Result(0);
}

std::string FirmwareUpgrade::fileMd5() const {
    return "filemd5= " + vantor::md5hex(image_) + ";\r\n";
}

}  // namespace devsim
