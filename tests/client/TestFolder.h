// A scratch folder per test, removed afterwards, and small file helpers.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vantor::client::test {

class TestFolder {
  public:
    TestFolder() {
        char tmpl[] = "/tmp/vantor-client-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TestFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(File(name), std::ios::binary) << content;
    }
    std::string Read(const std::string& name) const { return ReadPath(File(name)); }
    static std::string ReadPath(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

  private:
    std::string path_;
};

// Runs a shell command and returns its standard output.
inline std::string RunCapture(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) {
        return out;
    }
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
        out.append(buf, n);
    }
    ::pclose(p);
    return out;
}

}  // namespace vantor::client::test
