// Temporary folders, a change of the current folder for a while, and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <stdlib.h>

namespace testlib {

// A fresh folder under the system's temporary folder ($TMPDIR), removed with everything in it.
// Path() is empty when none could be made.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "plantmon") {
        std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(tmpl.data())) path_ = tmpl;
    }
    ~TempDir() {
        if (path_.empty()) return;
        std::error_code ec;
        // A test may have taken the folder's permissions away.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Makes a folder the current one while the object lives, and goes back afterwards.
class CurrentDir {
public:
    explicit CurrentDir(const std::string& dir) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~CurrentDir() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
    }
    CurrentDir(const CurrentDir&) = delete;
    CurrentDir& operator=(const CurrentDir&) = delete;

private:
    std::filesystem::path old_;
};

// A fresh temporary folder that is the current one while the object lives.
class ScratchCurrentDir {
public:
    explicit ScratchCurrentDir(const std::string& prefix = "plantmon") : dir_(prefix), current_(dir_.Path()) {}
    const std::string& Path() const { return dir_.Path(); }
    std::string operator/(const std::string& name) const { return dir_ / name; }

private:
    TempDir dir_;
    CurrentDir current_;
};

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Replaces the file's bytes.
inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace testlib
