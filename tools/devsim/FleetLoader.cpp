#include "FleetLoader.h"

#include <cstdio>
#include <pugixml.hpp>
#include <set>

#include "CgiRequest.h"

namespace devsim {

namespace {

bool ParseInt(const std::string& v, int lo, int hi, int* out) {
    if (v.empty())
        return false;
    size_t i = v[0] == '-' ? 1 : 0;
    if (i >= v.size())
        return false;
    for (; i < v.size(); ++i) {
        if (v[i] < '0' || v[i] > '9')
            return false;
    }
    long long x = ParseLeadingInt(v);
    if (x < lo || x > hi)
        return false;
    *out = static_cast<int>(x);
    return true;
}

bool ParseBool(const std::string& v, bool* out) {
    if (v == "1" || v == "true" || v == "yes") {
        *out = true;
        return true;
    }
    if (v == "0" || v == "false" || v == "no") {
        *out = false;
        return true;
    }
    return false;
}

}  // namespace

bool FleetLoader::Apply(DeviceProfile* p, const std::string& k, const std::string& v,
                        std::string* error) {
    bool ok = true;
    if (k == "id") {
        p->id = v;
    } else if (k == "name") {
        p->name = v;
    } else if (k == "kind") {
        ok = ParseKind(v, &p->kind);
    } else if (k == "user") {
        p->user = v;
    } else if (k == "password") {
        p->password = v;
    } else if (k == "firmware") {
        p->firmware = v;
    } else if (k == "mac") {
        p->mac = v;
    } else if (k == "host") {
        p->host = v;
    } else if (k == "width") {
        ok = ParseInt(v, 64, 1920, &p->mainStream.width);
    } else if (k == "height") {
        ok = ParseInt(v, 64, 1080, &p->mainStream.height);
    } else if (k == "fps") {
        ok = ParseInt(v, 1, 30, &p->mainStream.fps);
    } else if (k == "subWidth") {
        ok = ParseInt(v, 64, 1920, &p->subStream.width);
    } else if (k == "subHeight") {
        ok = ParseInt(v, 64, 1080, &p->subStream.height);
    } else if (k == "subFps") {
        ok = ParseInt(v, 1, 30, &p->subStream.fps);
    } else if (k == "p2p") {
        ok = ParseBool(v, &p->p2p);
    } else if (k == "httpPort") {
        ok = ParseInt(v, -1, 65535, &p->httpPort);
    } else if (k == "battery") {
        ok = ParseBool(v, &p->battery);
    } else if (k == "sleepAfterMs") {
        ok = ParseInt(v, 100, 3600000, &p->sleepAfterMs);
    } else if (k == "alarmIntervalMs") {
        ok = ParseInt(v, 0, 3600000, &p->alarmIntervalMs);
    } else if (k == "recordings") {
        ok = ParseInt(v, 0, 200, &p->recordings);
    } else if (k == "chunked") {
        ok = ParseBool(v, &p->chunked);
    } else {
        *error = "unknown attribute '" + k + "'";
        return false;
    }
    if (!ok)
        *error = "bad value '" + v + "' for " + k;
    return ok;
}

bool FleetLoader::ParseDeviceOptions(const std::string& options, DeviceProfile* out,
                                     std::string* error) {
    size_t pos = 0;
    while (pos <= options.size()) {
        size_t comma = options.find(',', pos);
        std::string item =
            options.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        pos = comma == std::string::npos ? options.size() + 1 : comma + 1;
        if (item.empty())
            continue;
        size_t eq = item.find('=');
        if (eq == std::string::npos) {
            *error = "expected key=value in '" + item + "'";
            return false;
        }
        if (!Apply(out, item.substr(0, eq), item.substr(eq + 1), error))
            return false;
    }
    return true;
}

void FleetLoader::Generate(const DeviceProfile& pattern, const std::string& idPrefix, int count,
                           std::vector<DeviceProfile>* out) {
    for (int i = 0; i < count && out->size() < static_cast<size_t>(kMaxDevices); ++i) {
        DeviceProfile p = pattern;
        char id[64];
        std::snprintf(id, sizeof id, "%s%06d%s", idPrefix.c_str(), i + 1, "SIMAA");
        p.id = id;
        out->push_back(p);
    }
}

bool FleetLoader::LoadFile(const std::string& path, std::vector<DeviceProfile>* out,
                           std::string* error) {
    pugi::xml_document doc;
    pugi::xml_parse_result r = doc.load_file(path.c_str());
    if (!r) {
        *error = path + ": " + r.description();
        return false;
    }
    pugi::xml_node fleet = doc.child("fleet");
    if (!fleet) {
        *error = path + ": no <fleet> element";
        return false;
    }
    for (pugi::xml_node n : fleet.children()) {
        std::string tag = n.name();
        if (tag != "device" && tag != "generate")
            continue;
        DeviceProfile p;
        std::string prefix = "VSIM";
        int count = 0;
        for (pugi::xml_attribute a : n.attributes()) {
            std::string k = a.name(), v = a.value();
            if (tag == "generate" && k == "count") {
                if (!ParseInt(v, 0, kMaxDevices, &count)) {
                    *error = path + ": bad count";
                    return false;
                }
                continue;
            }
            if (tag == "generate" && k == "idPrefix") {
                prefix = v;
                continue;
            }
            std::string e;
            if (!Apply(&p, k, v, &e)) {
                *error = path + ": " + e;
                return false;
            }
        }
        if (tag == "generate") {
            Generate(p, prefix, count, out);
        } else {
            out->push_back(p);
        }
        if (out->size() > static_cast<size_t>(kMaxDevices)) {
            *error = path + ": too many devices";
            return false;
        }
    }
    return true;
}

bool FleetLoader::Validate(const std::vector<DeviceProfile>& devices, std::string* error) {
    std::set<std::string> ids;
    for (const auto& d : devices) {
        if (d.id.size() < 3 || d.id.size() > DeviceProfile::kMaxIdBytes) {
            *error = "device ID '" + d.id + "' must have 3-31 characters";
            return false;
        }
        if (!ids.insert(d.id).second) {
            *error = "device ID '" + d.id + "' appears twice";
            return false;
        }
        if (d.name.size() > DeviceProfile::kMaxNameBytes ||
            d.user.size() > DeviceProfile::kMaxAccountBytes ||
            d.password.size() > DeviceProfile::kMaxAccountBytes) {
            *error = "device '" + d.id + "': name or account too long";
            return false;
        }
        if (!d.p2p && d.httpPort < 0) {
            *error = "device '" + d.id + "' has neither p2p nor httpPort";
            return false;
        }
    }
    return true;
}

}  // namespace devsim
