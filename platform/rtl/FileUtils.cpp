#include "rtl/FileUtils.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

AnsiString PosixPath(const AnsiString& path) {
    std::string s = path.str();
    for (char& c : s)
        if (c == '\\') c = '/';
    return AnsiString(std::move(s));
}

namespace {
std::string px(const AnsiString& p) { return PosixPath(p).str(); }

TDateTime localTime(time_t t) { return UnixToDateTime(static_cast<long long>(t)); }
}  // namespace

AnsiString ExtractFilePath(const AnsiString& fileName) {
    std::string s = px(fileName);
    auto p = s.find_last_of('/');
    return p == std::string::npos ? AnsiString() : AnsiString(s.substr(0, p + 1));
}

AnsiString ExtractFileDir(const AnsiString& fileName) {
    std::string s = px(fileName);
    auto p = s.find_last_of('/');
    if (p == std::string::npos) return AnsiString();
    if (p == 0) return AnsiString("/");
    return AnsiString(s.substr(0, p));
}

AnsiString ExtractFileName(const AnsiString& fileName) {
    std::string s = px(fileName);
    auto p = s.find_last_of('/');
    return p == std::string::npos ? AnsiString(s) : AnsiString(s.substr(p + 1));
}

AnsiString ExtractFileExt(const AnsiString& fileName) {
    std::string s = px(fileName);
    auto p = s.find_last_of("./");
    if (p == std::string::npos || s[p] != '.') return AnsiString();
    return AnsiString(s.substr(p));
}

AnsiString ChangeFileExt(const AnsiString& fileName, const AnsiString& ext) {
    std::string s = px(fileName);
    auto p = s.find_last_of("./");
    if (p != std::string::npos && s[p] == '.') s.resize(p);
    return AnsiString(s + ext.str());
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& path) {
    std::string s = px(path);
    if (s.empty() || s.back() != '/') s += '/';
    return AnsiString(std::move(s));
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString& path) {
    std::string s = px(path);
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return AnsiString(std::move(s));
}

AnsiString ExpandFileName(const AnsiString& fileName) {
    std::string s = px(fileName);
    if (s.empty()) return GetCurrentDir();
    if (s[0] != '/') s = IncludeTrailingPathDelimiter(GetCurrentDir()).str() + s;
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= s.size()) {
        std::size_t j = s.find('/', i);
        if (j == std::string::npos) j = s.size();
        std::string part = s.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (auto& p : parts) out += "/" + p;
    if (out.empty()) out.push_back('/');
    if (s.back() == '/' && out != "/") out += '/';
    return AnsiString(std::move(out));
}

bool FileExists(const AnsiString& fileName) {
    struct stat st {};
    return !fileName.IsEmpty() && stat(px(fileName).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const AnsiString& dir) {
    struct stat st {};
    return !dir.IsEmpty() && stat(px(dir).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDir(const AnsiString& dir) { return !dir.IsEmpty() && mkdir(px(dir).c_str(), 0777) == 0; }
bool RemoveDir(const AnsiString& dir) { return !dir.IsEmpty() && rmdir(px(dir).c_str()) == 0; }

bool ForceDirectories(const AnsiString& dir) {
    std::string s = ExcludeTrailingPathDelimiter(dir).str();
    if (s.empty()) throw EInOutError("Невозможно создать каталог: пустое имя");
    if (DirectoryExists(AnsiString(s))) return true;
    auto p = s.find_last_of('/');
    if (p != std::string::npos && p > 0 && !ForceDirectories(AnsiString(s.substr(0, p)))) return false;
    return mkdir(s.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(AnsiString(s)));
}

bool DeleteFile(const AnsiString& fileName) {
    struct stat st {};
    std::string p = px(fileName);
    if (p.empty() || lstat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return unlink(p.c_str()) == 0;
}

bool RenameFile(const AnsiString& oldName, const AnsiString& newName) {
    // Like the Windows call, an existing target is not replaced.
    std::string to = px(newName);
    struct stat st {};
    if (lstat(to.c_str(), &st) == 0) return false;
    return std::rename(px(oldName).c_str(), to.c_str()) == 0;
}

bool FileAge(const AnsiString& fileName, TDateTime& out) {
    struct stat st {};
    if (stat(px(fileName).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    out = localTime(st.st_mtime);
    return true;
}

long long FileSizeOf(const AnsiString& fileName) {
    struct stat st {};
    if (stat(px(fileName).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}

AnsiString GetCurrentDir() {
    std::vector<char> buf(PATH_MAX);
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return AnsiString();
        buf.resize(buf.size() * 2);
    }
    return AnsiString(buf.data());
}

bool SetCurrentDir(const AnsiString& dir) { return !dir.IsEmpty() && chdir(px(dir).c_str()) == 0; }

AnsiString ExecutableFileName() {
    std::vector<char> buf(PATH_MAX);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return AnsiString();
        if (static_cast<std::size_t>(n) < buf.size()) return AnsiString(buf.data(), static_cast<std::size_t>(n));
        buf.resize(buf.size() * 2);
    }
}

namespace {
std::vector<std::string> commandLine() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    std::size_t i = 0;
    while (i < all.size()) {
        std::size_t j = all.find('\0', i);
        if (j == std::string::npos) j = all.size();
        args.push_back(all.substr(i, j - i));
        i = j + 1;
    }
    return args;
}
}  // namespace

int ParamCount() {
    auto args = commandLine();
    return args.empty() ? 0 : static_cast<int>(args.size()) - 1;
}

AnsiString ParamStr(int index) {
    if (index == 0) return ExecutableFileName();
    auto args = commandLine();
    if (index < 0 || index >= static_cast<int>(args.size())) return AnsiString();
    return AnsiString(args[static_cast<std::size_t>(index)]);
}

namespace {
std::mutex& diskFreeMutex() {
    static std::mutex m;
    return m;
}

std::function<long long(int)>& diskFreeSource() {
    static std::function<long long(int)> f;
    return f;
}
}  // namespace

void SetDiskFreeSource(std::function<long long(int drive)> source) {
    std::lock_guard<std::mutex> lock(diskFreeMutex());
    diskFreeSource() = std::move(source);
}

long long DiskFree(int drive) {
    std::function<long long(int)> source;
    {
        std::lock_guard<std::mutex> lock(diskFreeMutex());
        source = diskFreeSource();
    }
    if (source) return source(drive);
    if (drive != 0) return -1;
    struct statvfs sv {};
    if (statvfs(".", &sv) != 0) return -1;
    return static_cast<long long>(sv.f_bavail) * static_cast<long long>(sv.f_frsize);
}

// ---- Handles -----------------------------------------------------------------------------------

namespace {
// Takes the advisory lock that stands for the share mode; false when another handle holds a
// conflicting one.
bool lockForShare(int fd, unsigned mode) {
    unsigned share = mode & 0xF0;
    int op = 0;
    if (share == fmShareExclusive) op = LOCK_EX;
    else if (share == fmShareDenyWrite || share == fmShareDenyRead) op = LOCK_SH;
    if (op == 0) return true;
    return flock(fd, op | LOCK_NB) == 0;
}
}  // namespace

int FileOpen(const AnsiString& fileName, unsigned mode) {
    int access = (mode & 3) == fmOpenWrite ? O_WRONLY : (mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
    int fd = open(px(fileName).c_str(), access | O_CLOEXEC);
    if (fd < 0) return -1;
    if (!lockForShare(fd, mode)) {
        int e = errno;
        close(fd);
        errno = e == EWOULDBLOCK ? EACCES : e;
        return -1;
    }
    return fd;
}

int FileCreate(const AnsiString& fileName) {
    return open(px(fileName).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int FileRead(int handle, void* buffer, int count) {
    if (count <= 0) return 0;
    ssize_t n;
    do n = read(handle, buffer, static_cast<std::size_t>(count));
    while (n < 0 && errno == EINTR);
    return static_cast<int>(n);
}

int FileWrite(int handle, const void* buffer, int count) {
    if (count <= 0) return 0;
    const char* p = static_cast<const char*>(buffer);
    int done = 0;
    while (done < count) {
        ssize_t n = write(handle, p + done, static_cast<std::size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? done : -1;
        }
        done += static_cast<int>(n);
    }
    return done;
}

long long FileSeek(int handle, long long offset, int origin) {
    int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    return static_cast<long long>(lseek(handle, static_cast<off_t>(offset), whence));
}

void FileClose(int handle) {
    if (handle >= 0) close(handle);
}

// ---- Directory search ----------------------------------------------------------------------------

bool MatchesMask(const AnsiString& name, const AnsiString& mask) {
    // Iterative wildcard match with back-tracking to the last '*'. Case folding goes through
    // AnsiUpperCase so Cyrillic names match too.
    std::string n = AnsiUpperCase(name).str(), m = AnsiUpperCase(mask).str();
    if (m == "*.*") return true;  // every name, also one without a dot, as on Windows
    std::size_t i = 0, j = 0, star = std::string::npos, mark = 0;
    while (i < n.size()) {
        if (j < m.size() && (m[j] == '?' || m[j] == n[i])) {
            if (m[j] == '?') {
                // '?' takes one whole UTF-8 character.
                unsigned char b = static_cast<unsigned char>(n[i]);
                std::size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
                i += std::min(len, n.size() - i);
            } else {
                ++i;
            }
            ++j;
        } else if (j < m.size() && m[j] == '*') {
            star = j++;
            mark = i;
        } else if (star != std::string::npos) {
            j = star + 1;
            i = ++mark;
        } else {
            return false;
        }
    }
    while (j < m.size() && m[j] == '*') ++j;
    return j == m.size();
}

namespace {
int attrOf(const std::string& path, const std::string& name, struct stat& st) {
    int a = 0;
    if (S_ISDIR(st.st_mode)) a |= faDirectory;
    else a |= faArchive;
    if (access(path.c_str(), W_OK) != 0) a |= faReadOnly;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..") a |= faHidden;
    return a;
}

int findMatch(TSearchRec& rec) {
    DIR* d = static_cast<DIR*>(rec.Handle_);
    for (;;) {
        errno = 0;
        dirent* e = readdir(d);
        if (!e) return errno ? errno : ENOENT;
        std::string name = e->d_name;
        if (!MatchesMask(AnsiString(name), rec.Mask_)) continue;
        std::string full = rec.Dir_.str() + name;
        struct stat st {};
        if (stat(full.c_str(), &st) != 0) continue;  // vanished or a dangling link
        int a = attrOf(full, name, st);
        // Directories and hidden entries only when asked for, like the Windows search.
        if ((a & faDirectory) && !(rec.WantAttr_ & faDirectory)) continue;
        if ((a & faHidden) && !(rec.WantAttr_ & faHidden)) continue;
        rec.Name = AnsiString(name);
        rec.Attr = a;
        rec.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<long long>(st.st_size);
        rec.Time = localTime(st.st_mtime);
        return 0;
    }
}
}  // namespace

int FindFirst(const AnsiString& path, int attr, TSearchRec& rec) {
    FindClose(rec);
    std::string p = px(path);
    auto slash = p.find_last_of('/');
    std::string dir = slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
    rec.Mask_ = AnsiString(slash == std::string::npos ? p : p.substr(slash + 1));
    rec.Dir_ = AnsiString(dir);
    rec.WantAttr_ = attr;
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return errno ? errno : ENOENT;
    rec.Handle_ = d;
    int r = findMatch(rec);
    if (r != 0) FindClose(rec);
    return r;
}

int FindNext(TSearchRec& rec) {
    if (!rec.Handle_) return ENOENT;
    return findMatch(rec);
}

void FindClose(TSearchRec& rec) {
    if (rec.Handle_) closedir(static_cast<DIR*>(rec.Handle_));
    rec.Handle_ = nullptr;
}
