#include "DeviceListFile.h"

#include <pugixml.hpp>

#include <sstream>

#include "AtomicFile.h"
#include "DebugOut.h"
#include "TextField.h"

namespace vantor::client {

const char* KindText(int32_t kind) {
    static const char* const kTexts[kKindCount] = {"ipc",       "wvr",       "switch",
                                                   "alram_ipc", "door_bell", "no_ptz_ipc"};
    return (kind >= 0 && kind < kKindCount) ? kTexts[kind] : "";
}

namespace {

bool ParseImpl(const pugi::xml_parse_result& parsed, const pugi::xml_document& doc,
               std::vector<DeviceListEntry>* entries) {
    if (!parsed) {
        DebugOut("load camera.xml failed.Msg:%s\n", parsed.description());
        return false;
    }
    const pugi::xml_node root = doc.child("Devices");
    if (!root) {
        DebugOut("read camera.xml file error,no found root node.\n");
        return false;
    }
    for (pugi::xml_node dev = root.child("Device"); dev; dev = dev.next_sibling("Device")) {
        if (entries->size() >= DeviceListFile::kMaxDevices) {
            break;
        }
        const pugi::xml_node type = dev.child("Type");
        if (!type || type.text().empty()) {
            continue;
        }
        const int kind = type.text().as_int(-1);
        if (kind < 0 || kind >= kKindCount) {
            continue;
        }
        DeviceListEntry e;
        e.kind = kind;
        CopyTextField(e.identity.name, dev.child("Name").text().get());
        CopyTextField(e.identity.host, dev.child("IP").text().get());
        CopyTextField(e.identity.user, dev.child("Username").text().get());
        CopyTextField(e.identity.password, dev.child("Pwd").text().get());
        CopyTextField(e.identity.device_id, dev.child("ID").text().get());
        e.identity.port = static_cast<uint16_t>(dev.child("Port").text().as_uint(0) & 0xFFFF);
        e.identity.video_mode = dev.child("VideoMode").text().as_int(0);
        e.identity.connection_mode = dev.child("P2P").text().as_int(0);
        entries->push_back(e);
    }
    return true;
}

}  // namespace

bool DeviceListFile::Parse(std::string_view xml, std::vector<DeviceListEntry>* entries) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size());
    return ParseImpl(parsed, doc, entries);
}

bool DeviceListFile::Load(const std::string& path, std::vector<DeviceListEntry>* entries) {
    std::string content;
    if (!AtomicFile::Read(path, kFileMaxBytes, &content)) {
        pugi::xml_parse_result missing;
        missing.status = pugi::status_file_not_found;
        return ParseImpl(missing, pugi::xml_document(), entries);
    }
    return Parse(content, entries);
}

std::string DeviceListFile::Format(const std::vector<DeviceListEntry>& entries) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    pugi::xml_node root = doc.append_child("Devices");
    for (const DeviceListEntry& e : entries) {
        const DeviceIdentity& id = e.identity;
        pugi::xml_node dev = root.append_child("Device");
        dev.append_child("Name").text().set(FieldText(id.name).c_str());
        dev.append_child("IP").text().set(FieldText(id.host).c_str());
        dev.append_child("Port").text().set(static_cast<unsigned>(id.port));
        dev.append_child("Username").text().set(FieldText(id.user).c_str());
        dev.append_child("Pwd").text().set(FieldText(id.password).c_str());
        dev.append_child("VideoMode").text().set(id.video_mode);
        dev.append_child("P2P").text().set(id.connection_mode);
        dev.append_child("ID").text().set(FieldText(id.device_id).c_str());
        dev.append_child("Type").text().set(e.kind);
    }
    std::ostringstream out;
    doc.save(out, "\t", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

bool DeviceListFile::Save(const std::string& path, const std::vector<DeviceListEntry>& entries) {
    if (!AtomicFile::Write(path, Format(entries), AtomicFile::kSecretMode)) {
        DebugOut("save camera.xml failed.\n");
        return false;
    }
    DebugOut("save camera.xml succ.\n");
    return true;
}

}  // namespace vantor::client
