// Build tool: turns a UTF-8 language source into the client's UTF-16LE language file.
//
// Source: "[Tag]" starts a block, every other line is the next entry of that block ("-" is an
// empty entry, "#" starts a comment line). Tags are written in the client's fixed order, each
// block framed so that the reader's seven-character item frame holds. A text longer than its
// entry, a tag the client does not know, or more entries than the tag holds fail the build.
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "LanguageTables.h"

namespace {

void PutUnit(std::string& out, char16_t u) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
}

bool AppendUtf16(std::string& out, const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = s[i];
        uint32_t cp;
        size_t n;
        if (c < 0x80) {
            cp = c, n = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F, n = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F, n = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07, n = 4;
        } else {
            return false;
        }
        if (i + n > s.size()) {
            return false;
        }
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            PutUnit(out, static_cast<char16_t>(0xD800 + (cp >> 10)));
            PutUnit(out, static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            PutUnit(out, static_cast<char16_t>(cp));
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using vantor::client::LanguageTables;
    if (argc != 3) {
        std::fprintf(stderr, "usage: vantor_langpack SOURCE.lang OUTPUT.xml\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open\n", argv[1]);
        return 1;
    }
    std::map<std::string, std::vector<std::string>> blocks;
    std::string line, tag;
    int line_no = 0;
    while (std::getline(in, line)) {
        ++line_no;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            tag = line.substr(1, line.size() - 2);
            blocks[tag];
            continue;
        }
        if (tag.empty()) {
            std::fprintf(stderr, "%s:%d: entry before any [Tag]\n", argv[1], line_no);
            return 1;
        }
        blocks[tag].push_back(line == "-" ? std::string() : line);
    }
    std::string out;
    PutUnit(out, 0xFEFF);
    size_t known = 0;
    for (const auto& info : LanguageTables::Tags()) {
        const std::string name = info.name;
        AppendUtf16(out, "<" + name + ">\r\n");
        const auto it = blocks.find(name);
        if (it != blocks.end()) {
            ++known;
            if (it->second.size() > info.capacity) {
                std::fprintf(stderr, "%s: [%s] has %zu entries, at most %u\n", argv[1],
                             name.c_str(), it->second.size(), info.capacity);
                return 1;
            }
            for (const std::string& text : it->second) {
                if (text.size() >= info.width_bytes) {
                    std::fprintf(stderr, "%s: [%s] \"%s\" is longer than %u bytes\n", argv[1],
                                 name.c_str(), text.c_str(), info.width_bytes - 1u);
                    return 1;
                }
                if (!AppendUtf16(out, "\t<item>" + text + "</item>\r\n")) {
                    std::fprintf(stderr, "%s: [%s] is not UTF-8\n", argv[1], name.c_str());
                    return 1;
                }
            }
        }
        AppendUtf16(out, "</" + name + ">\r\n");
    }
    if (known != blocks.size()) {
        std::fprintf(stderr, "%s: unknown tag in source\n", argv[1]);
        return 1;
    }
    std::ofstream o(argv[2], std::ios::binary);
    o.write(out.data(), static_cast<std::streamsize>(out.size()));
    return o ? 0 : 1;
}
