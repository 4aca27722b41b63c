#include "rtl/IniFiles.h"

#include "rtl/FileUtils.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <mutex>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace inifile_detail {

std::string trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
    return std::string(s.substr(b, e - b));
}

// A section or key name as the lookups compare it: trimmed, letter case folded (Cyrillic included),
// so that two names match exactly when AnsiCompareText finds them equal.
std::string fold(std::string_view name) { return AnsiLowerCase(AnsiString(trim(name))).str(); }

// One parsed file. Every line keeps its original text, so a rewrite changes only what was
// written.
class Document {
public:
    virtual ~Document() = default;
    enum Kind { Other, Section, Key };
    struct Line {
        std::string raw;
        Kind kind = Other;
        std::string name;   // section or key name, trimmed
        std::string folded; // the name as lookups compare it
        std::string value;  // trimmed text after '='
    };

    void parse(std::string text) {
        lines_.clear();
        // A byte-order mark says UTF-8, but an editor may have put it in front of Windows-1251 text:
        // what is not valid UTF-8 after it is read like any other old file.
        if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
        if (!IsValidUtf8(text)) text = Cp1251ToUtf8(text);
        crlf_ = text.empty() || text.find("\r\n") != std::string::npos || text.find('\n') == std::string::npos;
        std::size_t start = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n') {
                lines_.push_back(classify(text.substr(start, i - start)));
                if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                start = i + 1;
            }
        }
        if (start < text.size()) lines_.push_back(classify(text.substr(start)));
    }

    std::string serialize() const {
        std::string out;
        const char* eol = crlf_ ? "\r\n" : "\n";
        for (const Line& l : lines_) {
            out += l.raw;
            out += eol;
        }
        return out;
    }

    void clear() { lines_.clear(); }

    bool read(const AnsiString& section, const AnsiString& key, std::string& value) const {
        int h = findSection(section);
        if (h < 0) return false;
        int k = findKey(h, key);
        if (k < 0) return false;
        value = unquote(lines_[static_cast<std::size_t>(k)].value);
        return true;
    }

    void write(const AnsiString& section, const AnsiString& key, const AnsiString& value) {
        std::string keyName = trim(key.str());
        std::string line = keyName + "=" + value.str();
        int h = findSection(section);
        if (h < 0) {
            lines_.push_back(classify("[" + trim(section.str()) + "]"));
            lines_.push_back(classify(line));
            return;
        }
        int k = findKey(h, key);
        if (k >= 0) {
            // Keep the key as the file spells it.
            Line& l = lines_[static_cast<std::size_t>(k)];
            l = classify(l.name + "=" + value.str());
            return;
        }
        // After the section's last non-blank line, so blank lines that separate sections stay
        // where they are.
        int end = sectionEnd(h);
        int at = end;
        while (at - 1 > h && trim(lines_[static_cast<std::size_t>(at - 1)].raw).empty()) --at;
        lines_.insert(lines_.begin() + at, classify(line));
    }

    void keys(const AnsiString& section, TStrings* out) const {
        int h = findSection(section);
        if (h < 0) return;
        for (int i = h + 1, end = sectionEnd(h); i < end; ++i)
            if (lines_[static_cast<std::size_t>(i)].kind == Key) out->Add(AnsiString(lines_[static_cast<std::size_t>(i)].name));
    }

    void values(const AnsiString& section, TStrings* out) const {
        int h = findSection(section);
        if (h < 0) return;
        for (int i = h + 1, end = sectionEnd(h); i < end; ++i) {
            const Line& l = lines_[static_cast<std::size_t>(i)];
            if (l.kind == Key) out->Add(AnsiString(l.name + "=" + unquote(l.value)));
        }
    }

    void sections(TStrings* out) const {
        std::set<std::string> seen;
        for (const Line& l : lines_) {
            if (l.kind != Section || !seen.insert(l.folded).second) continue;
            out->Add(AnsiString(l.name));
        }
    }

    bool hasSection(const AnsiString& section) const { return findSection(section) >= 0; }

    bool eraseSection(const AnsiString& section) {
        bool any = false;
        for (int h; (h = findSection(section)) >= 0;) {
            lines_.erase(lines_.begin() + h, lines_.begin() + sectionEnd(h));
            any = true;
        }
        return any;
    }

    bool deleteKey(const AnsiString& section, const AnsiString& key) {
        int h = findSection(section);
        if (h < 0) return false;
        bool any = false;
        for (int k; (k = findKey(h, key)) >= 0;) {
            lines_.erase(lines_.begin() + k);
            any = true;
        }
        return any;
    }

private:
    static Line classify(std::string raw) {
        Line l;
        l.raw = std::move(raw);
        std::string t = trim(l.raw);
        if (t.empty() || t[0] == ';') return l;
        if (t[0] == '[') {
            std::size_t e = t.find(']');
            l.kind = Section;
            l.name = trim(t.substr(1, e == std::string::npos ? std::string::npos : e - 1));
            l.folded = fold(l.name);
            return l;
        }
        std::size_t eq = t.find('=');
        if (eq == std::string::npos) return l;
        l.name = trim(t.substr(0, eq));
        if (l.name.empty()) return l;
        l.kind = Key;
        l.folded = fold(l.name);
        l.value = trim(t.substr(eq + 1));
        return l;
    }

    static std::string unquote(const std::string& v) {
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            return v.substr(1, v.size() - 2);
        return v;
    }

    int findSection(const AnsiString& section) const {
        const std::string wanted = fold(section.str());
        for (std::size_t i = 0; i < lines_.size(); ++i)
            if (lines_[i].kind == Section && lines_[i].folded == wanted) return static_cast<int>(i);
        return -1;
    }

    int sectionEnd(int header) const {
        std::size_t i = static_cast<std::size_t>(header) + 1;
        while (i < lines_.size() && lines_[i].kind != Section) ++i;
        return static_cast<int>(i);
    }

    // One pass over the section's lines: a section of many keys costs each lookup its length, not its
    // length squared.
    int findKey(int header, const AnsiString& key) const {
        const std::string wanted = fold(key.str());
        for (int i = header + 1, end = sectionEnd(header); i < end; ++i) {
            const Line& l = lines_[static_cast<std::size_t>(i)];
            if (l.kind == Key && l.folded == wanted) return i;
        }
        return -1;
    }

    std::vector<Line> lines_;
    bool crlf_ = true;
};

// Identity of the file's contents as far as stat can tell, to know when to read it again.
struct FileId {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtimeNs = 0;
    bool operator==(const FileId&) const = default;
};

FileId identify(const std::string& path) {
    FileId id;
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return id;
    id.exists = true;
    id.dev = st.st_dev;
    id.ino = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return id;
}

bool loadInto(const std::string& path, Document& doc) {
    doc.clear();
    if (path.empty()) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        doc.parse(std::string());
        return false;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    doc.parse(std::move(bytes));
    return true;
}

mode_t processUmask() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 6, "Umask:") == 0) return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
    return 022;
}

// Serialises writers of this process: a write reads, changes and replaces the whole file.
std::mutex& writeMutex() {
    static std::mutex m;
    return m;
}

// The file behind a name: two spellings of one file ("x.ini", "./x.ini") share their state.
std::string canonical(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// Counts the writes this process made to each file. stat alone cannot tell two quick rewrites
// apart: the timestamp is coarse and a replaced file may get a freed inode number back.
std::mutex& generationMutex() {
    static std::mutex m;
    return m;
}
std::map<std::string, unsigned long long>& generations() {
    static std::map<std::string, unsigned long long> g;
    return g;
}
unsigned long long generationOf(const std::string& canonicalPath) {
    std::lock_guard<std::mutex> lock(generationMutex());
    auto it = generations().find(canonicalPath);
    return it == generations().end() ? 0 : it->second;
}
void bumpGeneration(const std::string& canonicalPath) {
    std::lock_guard<std::mutex> lock(generationMutex());
    ++generations()[canonicalPath];
}

// Replaces the file's contents in one step (a temporary file renamed over it), so a crash while
// writing never leaves a half-written settings file.
void saveFile(const AnsiString& fileName, const std::string& path, const std::string& bytes) {
    if (path.empty()) throw EIniFileException("Не задано имя INI-файла");
    std::string target = path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) target = resolved;  // write through a link, not over it
    struct stat st {};
    mode_t mode = stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~processUmask());
    std::string tmp = target + ".XXXXXX";
    std::vector<char> name(tmp.begin(), tmp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) throw EIniFileException("Не удается записать в файл " + fileName + ": " + std::strerror(errno));
    (void)fchmod(fd, mode);  // best effort: the contents matter more than the mode
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) ok = false;
        else done += static_cast<std::size_t>(n);
    }
    int err = errno;
    if (close(fd) != 0) ok = false;
    if (ok && std::rename(name.data(), target.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        unlink(name.data());
        throw EIniFileException("Не удается записать в файл " + fileName + ": " + std::strerror(err));
    }
}

}  // namespace inifile_detail

using inifile_detail::Document;

// ---- TCustomIniFile ------------------------------------------------------------------------------

int TCustomIniFile::ReadInteger(const AnsiString& section, const AnsiString& ident, int def) {
    std::string s = inifile_detail::trim(ReadString(section, ident, "").str());
    std::size_t i = 0;
    bool neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    int base = 10;
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    } else if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    }
    long long v = 0;
    int digits = 0;
    for (; i < s.size(); ++i, ++digits) {
        char c = s[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else break;
        v = v * base + d;
        if (v > (base == 16 ? 0xFFFFFFFFLL : 2147483648LL)) return def;
    }
    if (digits == 0) return def;
    if (base == 16) v = static_cast<int>(static_cast<unsigned>(v));  // 8 hex digits wrap like StrToInt
    if (neg) v = -v;
    if (v > INT_MAX || v < INT_MIN) return def;
    return static_cast<int>(v);
}

void TCustomIniFile::WriteInteger(const AnsiString& section, const AnsiString& ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const AnsiString& section, const AnsiString& ident, bool def) {
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const AnsiString& section, const AnsiString& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const AnsiString& section, const AnsiString& ident, double def) {
    AnsiString s = ReadString(section, ident, "");
    if (s.Trim().IsEmpty()) return def;
    TFormatSettings fs = FormatSettings();
    double v;
    if (TextToFloat(s, v, fs)) return v;
    fs.DecimalSeparator = fs.DecimalSeparator == '.' ? ',' : '.';
    if (TextToFloat(s, v, fs)) return v;
    return def;
}

void TCustomIniFile::WriteFloat(const AnsiString& section, const AnsiString& ident, double value) {
    WriteString(section, ident, FloatToStr(value));
}

bool TCustomIniFile::SectionExists(const AnsiString& section) {
    TStringList names;
    ReadSections(&names);
    for (int i = 0; i < names.Count(); ++i)
        if (AnsiSameText(names[i], inifile_detail::trim(section.str()))) return true;
    return false;
}

bool TCustomIniFile::ValueExists(const AnsiString& section, const AnsiString& ident) {
    TStringList keys;
    ReadSection(section, &keys);
    for (int i = 0; i < keys.Count(); ++i)
        if (AnsiSameText(keys[i], inifile_detail::trim(ident.str()))) return true;
    return false;
}

// ---- TIniFile ------------------------------------------------------------------------------------

namespace {
struct CachedDocument : Document {
    inifile_detail::FileId id;
    unsigned long long generation = 0;
    bool loaded = false;
};
}  // namespace

TIniFile::TIniFile(const AnsiString& fileName) : TCustomIniFile(fileName), doc_(std::make_unique<CachedDocument>()) {}
TIniFile::~TIniFile() = default;

Document& TIniFile::current() {
    auto& doc = static_cast<CachedDocument&>(*doc_);
    std::string path = PosixPath(FileName()).str();
    const unsigned long long gen = inifile_detail::generationOf(inifile_detail::canonical(path));
    inifile_detail::FileId id = inifile_detail::identify(path);
    if (!doc.loaded || !(id == doc.id) || gen != doc.generation) {
        inifile_detail::loadInto(id.exists ? path : std::string(), doc);
        doc.id = id;
        doc.generation = gen;
        doc.loaded = true;
    }
    return doc;
}

void TIniFile::store() {
    auto& doc = static_cast<CachedDocument&>(*doc_);
    std::string path = PosixPath(FileName()).str();
    inifile_detail::saveFile(FileName(), path, doc.serialize());
    const std::string key = inifile_detail::canonical(path);
    inifile_detail::bumpGeneration(key);
    doc.id = inifile_detail::identify(path);
    doc.generation = inifile_detail::generationOf(key);
}

AnsiString TIniFile::ReadString(const AnsiString& section, const AnsiString& ident, const AnsiString& def) {
    std::string v;
    return current().read(section, ident, v) ? AnsiString(std::move(v)) : def;
}

void TIniFile::WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) {
    std::lock_guard<std::mutex> lock(inifile_detail::writeMutex());
    if (FileName().IsEmpty()) throw EIniFileException("Не задано имя INI-файла");
    current().write(section, ident, value);
    try {
        store();
    } catch (...) {
        static_cast<CachedDocument&>(*doc_).loaded = false;  // the file did not change: read it again
        throw;
    }
}

void TIniFile::ReadSection(const AnsiString& section, TStrings* strings) {
    if (!strings) return;
    strings->BeginUpdate();
    strings->Clear();
    current().keys(section, strings);
    strings->EndUpdate();
}

void TIniFile::ReadSections(TStrings* strings) {
    if (!strings) return;
    strings->BeginUpdate();
    strings->Clear();
    current().sections(strings);
    strings->EndUpdate();
}

void TIniFile::ReadSectionValues(const AnsiString& section, TStrings* strings) {
    if (!strings) return;
    strings->BeginUpdate();
    strings->Clear();
    current().values(section, strings);
    strings->EndUpdate();
}

void TIniFile::EraseSection(const AnsiString& section) {
    std::lock_guard<std::mutex> lock(inifile_detail::writeMutex());
    if (current().eraseSection(section)) store();
}

void TIniFile::DeleteKey(const AnsiString& section, const AnsiString& ident) {
    std::lock_guard<std::mutex> lock(inifile_detail::writeMutex());
    if (current().deleteKey(section, ident)) store();
}

// ---- TMemIniFile ---------------------------------------------------------------------------------

TMemIniFile::TMemIniFile(const AnsiString& fileName) : TCustomIniFile(fileName), doc_(std::make_unique<Document>()) {
    inifile_detail::loadInto(PosixPath(fileName).str(), *doc_);
}

TMemIniFile::~TMemIniFile() = default;

AnsiString TMemIniFile::ReadString(const AnsiString& section, const AnsiString& ident, const AnsiString& def) {
    std::string v;
    return doc_->read(section, ident, v) ? AnsiString(std::move(v)) : def;
}

void TMemIniFile::WriteString(const AnsiString& section, const AnsiString& ident, const AnsiString& value) {
    doc_->write(section, ident, value);
}

void TMemIniFile::ReadSection(const AnsiString& section, TStrings* strings) {
    if (!strings) return;
    strings->BeginUpdate();
    strings->Clear();
    doc_->keys(section, strings);
    strings->EndUpdate();
}

void TMemIniFile::ReadSections(TStrings* strings) {
    if (!strings) return;
    strings->BeginUpdate();
    strings->Clear();
    doc_->sections(strings);
    strings->EndUpdate();
}

void TMemIniFile::ReadSectionValues(const AnsiString& section, TStrings* strings) {
    if (!strings) return;
    strings->BeginUpdate();
    strings->Clear();
    doc_->values(section, strings);
    strings->EndUpdate();
}

void TMemIniFile::EraseSection(const AnsiString& section) { doc_->eraseSection(section); }
void TMemIniFile::DeleteKey(const AnsiString& section, const AnsiString& ident) { doc_->deleteKey(section, ident); }

void TMemIniFile::UpdateFile() {
    std::lock_guard<std::mutex> lock(inifile_detail::writeMutex());
    const std::string path = PosixPath(FileName()).str();
    inifile_detail::saveFile(FileName(), path, doc_->serialize());
    inifile_detail::bumpGeneration(inifile_detail::canonical(path));
}

void TMemIniFile::Clear() { doc_->clear(); }

// ---- TRegIniFile ---------------------------------------------------------------------------------

AnsiString TRegIniFile::StorePath(const AnsiString& keyPath) {
    std::string root;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) {
        root = x;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            passwd* pw = getpwuid(getuid());
            home = pw ? pw->pw_dir : "/tmp";
        }
        root = std::string(home) + "/.config";
    }
    std::string key = PosixPath(keyPath).str();
    while (!key.empty() && key.front() == '/') key.erase(0, 1);
    while (!key.empty() && key.back() == '/') key.pop_back();
    // A key path never climbs out of the store.
    std::string clean;
    std::size_t i = 0;
    while (i <= key.size()) {
        std::size_t j = key.find('/', i);
        if (j == std::string::npos) j = key.size();
        std::string part = key.substr(i, j - i);
        if (!part.empty() && part != "." && part != "..") clean += "/" + part;
        i = j + 1;
    }
    if (clean.empty()) clean = "/default";
    return AnsiString(root + "/plantmon" + clean + ".ini");
}

TRegIniFile::TRegIniFile(const AnsiString& keyPath) : TIniFile(StorePath(keyPath)) {
    ForceDirectories(ExtractFileDir(FileName()));
}

// ---- Profile functions ---------------------------------------------------------------------------

unsigned GetPrivateProfileInt(const AnsiString& section, const AnsiString& key, int def, const AnsiString& fileName) {
    TIniFile ini(fileName);
    std::string s = inifile_detail::trim(ini.ReadString(section, key, "").str());
    if (s.empty()) return static_cast<unsigned>(def);
    std::size_t i = 0;
    unsigned base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        i = 2;
    }
    unsigned v = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        unsigned d;
        if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f') d = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F') d = static_cast<unsigned>(c - 'A' + 10);
        else break;
        v = v * base + d;
    }
    return v;
}

AnsiString GetPrivateProfileString(const AnsiString& section, const AnsiString& key, const AnsiString& def,
                                   const AnsiString& fileName) {
    TIniFile ini(fileName);
    return ini.ReadString(section, key, def);
}

bool WritePrivateProfileString(const AnsiString& section, const AnsiString& key, const AnsiString& value,
                               const AnsiString& fileName) {
    try {
        TIniFile ini(fileName);
        ini.WriteString(section, key, value);
        return true;
    } catch (const Exception&) {
        return false;
    }
}
