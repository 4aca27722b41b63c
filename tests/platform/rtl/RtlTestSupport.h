// Helpers shared by the runtime tests: a scratch folder and a guard for the global format settings.
#pragma once

#include "rtl/SysUtils.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace rtltest {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "rtltest-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Restores the process-wide format settings when a test changed them.
class SettingsGuard {
public:
    SettingsGuard() : saved_(FormatSettings()) {}
    ~SettingsGuard() { FormatSettings() = saved_; }

private:
    TFormatSettings saved_;
};

// Runs a test body in another current directory and returns to the old one.
class ChangeDir {
public:
    explicit ChangeDir(const std::string& dir) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~ChangeDir() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
    }

private:
    std::filesystem::path old_;
};

constexpr const char* NBSP = "\xC2\xA0";  // the Russian thousands separator

}  // namespace rtltest
