#include "SystemSettings.h"

#include <pugixml.hpp>

#include <cstdlib>
#include <sstream>

#include "AtomicFile.h"
#include "DataPaths.h"
#include "DebugOut.h"
#include "TextField.h"

namespace vantor::client {

namespace {

std::string ReadText(const pugi::xml_node& root, const char* name, const char* fallback) {
    const pugi::xml_node node = root.child(name);
    if (!node) {
        return fallback;
    }
    return std::string(CutUtf8(node.text().get(), SystemSettings::kTextMaxBytes));
}

int32_t ReadInt(const pugi::xml_node& root, const char* name, int32_t fallback) {
    const pugi::xml_node node = root.child(name);
    if (!node) {
        return fallback;
    }
    return node.text().as_int(0);
}

void AddText(pugi::xml_node& root, const char* name, const std::string& value) {
    root.append_child(name).text().set(
        std::string(CutUtf8(value, SystemSettings::kTextMaxBytes)).c_str());
}

void AddInt(pugi::xml_node& root, const char* name, int32_t value) {
    root.append_child(name).text().set(value);
}

// Integer prefix of a line as atoi reads it, without atoi's overflow behaviour.
int32_t ParseLeadingInt(const std::string& line) {
    char* end = nullptr;
    const long long v = std::strtoll(line.c_str(), &end, 10);
    if (v > INT32_MAX || v < INT32_MIN) {
        return 0;
    }
    return static_cast<int32_t>(v);
}

}  // namespace

bool SystemSettingsFile::Load(const std::string& path, const std::string& setup_folder,
                              SystemSettings* settings) {
    std::string content;
    pugi::xml_document doc;
    pugi::xml_parse_result parsed;
    if (!AtomicFile::Read(path, kFileMaxBytes, &content)) {
        parsed.status = pugi::status_file_not_found;
    } else {
        parsed = doc.load_buffer(content.data(), content.size());
    }
    if (!parsed) {
        DebugOut("load config.xml failed.Msg:%s\n", parsed.description());
        return false;
    }
    const pugi::xml_node root = doc.child("SystemSet");
    if (!root) {
        DebugOut("read config.xml file error,not found root node.\n");
        return false;
    }
    SystemSettings s;
    s.pic_path = ReadText(root, "PicPath", "");
    s.rec_path = ReadText(root, "RecPath", "");
    s.alarm_path = ReadText(root, "AlarmPath", "");
    s.video_mode = ReadInt(root, "VideoMode", 0);
    s.osd_at_video_start = ReadInt(root, "OpenOSDWhenStartVideo", 0);
    s.rec_file_len = ReadText(root, "RecFileLen", "200");
    s.rec_time_len = ReadText(root, "RecTimeLen", "5");
    s.rec_reserve_space = ReadText(root, "RecReserveSpace", "200");
    s.rec_over = ReadInt(root, "RecRover", 0);
    s.init_split_screen = ReadInt(root, "InitSplitScreen", 4);
    s.language = ReadInt(root, "Language", 0);
    s.auto_start_video = ReadInt(root, "AutoStartVideo", 0);
    s.auto_start_record = ReadInt(root, "AutoStartRecord", 0);
    if (ReadInt(root, "Flag", 0) != 1) {
        s.language = ReadSetupLanguage(setup_folder);
    }
    *settings = s;
    return true;
}

bool SystemSettingsFile::Save(const std::string& path, const SystemSettings& s) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    pugi::xml_node root = doc.append_child("SystemSet");
    AddText(root, "PicPath", s.pic_path);
    AddText(root, "RecPath", s.rec_path);
    AddText(root, "AlarmPath", s.alarm_path);
    AddInt(root, "VideoMode", s.video_mode);
    AddInt(root, "OpenOSDWhenStartVideo", s.osd_at_video_start);
    AddText(root, "RecFileLen", s.rec_file_len);
    AddText(root, "RecTimeLen", s.rec_time_len);
    AddText(root, "RecReserveSpace", s.rec_reserve_space);
    AddInt(root, "RecRover", s.rec_over);
    AddInt(root, "InitSplitScreen", s.init_split_screen);
    AddInt(root, "Language", s.language);
    AddInt(root, "AutoStartVideo", s.auto_start_video);
    AddInt(root, "AutoStartRecord", s.auto_start_record);
    AddInt(root, "Flag", 1);
    std::ostringstream out;
    doc.save(out, "\t", pugi::format_default, pugi::encoding_utf8);
    if (!AtomicFile::Write(path, out.str(), AtomicFile::kPublicMode)) {
        DebugOut("save config.xml failed.\n");
        return false;
    }
    DebugOut("save config.xml succ.\n");
    return true;
}

int32_t SystemSettingsFile::ReadSetupLanguage(const std::string& folder) {
    std::string content;
    if (!AtomicFile::Read(DataPaths::Join(folder, "setup.lg"), 64 * 1024, &content)) {
        return 0;
    }
    const size_t first_end = content.find('\n');
    if (first_end == std::string::npos) {
        return 0;
    }
    std::string second = content.substr(first_end + 1, kSetupLineMaxBytes);
    const size_t second_end = second.find('\n');
    if (second_end != std::string::npos) {
        second.resize(second_end);
    }
    return ParseLeadingInt(second);
}

}  // namespace vantor::client
