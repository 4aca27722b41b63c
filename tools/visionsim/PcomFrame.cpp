#include "PcomFrame.h"

namespace visionsim {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // the controller's frames are upper case only
}

// Reads `width` upper-case hex digits; false when any of them is not one.
bool ReadHex(std::string_view text, size_t pos, int width, uint32_t& value) {
    if (pos + width > text.size()) return false;
    value = 0;
    for (int i = 0; i < width; ++i) {
        int d = HexDigit(text[pos + i]);
        if (d < 0) return false;
        value = value * 16 + static_cast<uint32_t>(d);
    }
    return true;
}

}  // namespace

const char* SpaceName(Space space) {
    switch (space) {
        case Space::Bit: return "MB";
        case Space::Int: return "MI";
        case Space::Long: return "ML";
    }
    return "?";
}

const char* ParseStatusName(ParseStatus status) {
    switch (status) {
        case ParseStatus::Ok: return "ok";
        case ParseStatus::NoStart: return "no start";
        case ParseStatus::BadUnit: return "bad unit id";
        case ParseStatus::BadChecksum: return "bad checksum";
        case ParseStatus::BadCommand: return "unknown command";
        case ParseStatus::BadData: return "bad data";
    }
    return "?";
}

std::string Hex(uint32_t value, int width) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out(static_cast<size_t>(width), '0');
    for (int i = width - 1; i >= 0; --i) {
        out[static_cast<size_t>(i)] = digits[value & 0xF];
        value >>= 4;
    }
    return out;
}

std::string PcomChecksum(std::string_view text) {
    unsigned sum = 0;
    for (char c : text) sum += static_cast<unsigned char>(c);
    return Hex(sum & 0xFF, 2);
}

int ValueWidth(Space space) {
    switch (space) {
        case Space::Bit: return 1;
        case Space::Int: return 4;
        case Space::Long: return 8;
    }
    return 1;
}

ParseStatus ParsePcomRequest(std::string_view frame, PcomRequest& r) {
    r = PcomRequest{};
    if (frame.empty() || frame[0] != '/') return ParseStatus::NoStart;
    uint32_t unit = 0;
    if (!ReadHex(frame, 1, 2, unit)) return ParseStatus::BadUnit;
    r.unit = static_cast<int>(unit);
    // "/" + unit + at least two command letters + checksum
    if (frame.size() < 7) return ParseStatus::BadData;
    std::string_view body = frame.substr(1, frame.size() - 3);
    if (frame.substr(frame.size() - 2) != PcomChecksum(body)) return ParseStatus::BadChecksum;

    std::string_view rest = body.substr(2);
    static const struct {
        const char* name;
        Space space;
        bool write;
    } commands[] = {
        // the three-letter commands first: "RN" alone is no command
        {"RNL", Space::Long, false}, {"SNL", Space::Long, true}, {"RB", Space::Bit, false},
        {"RW", Space::Int, false},   {"SB", Space::Bit, true},   {"SW", Space::Int, true},
    };
    bool found = false;
    for (const auto& c : commands) {
        std::string_view name = c.name;
        if (rest.substr(0, name.size()) == name) {
            r.command = c.name;
            r.space = c.space;
            r.write = c.write;
            rest.remove_prefix(name.size());
            found = true;
            break;
        }
    }
    if (!found) return ParseStatus::BadCommand;

    uint32_t address = 0, count = 0;
    if (!ReadHex(rest, 0, 4, address) || !ReadHex(rest, 4, 2, count)) return ParseStatus::BadData;
    if (count == 0 || address + count - 1 > 0xFFFF) return ParseStatus::BadData;
    r.address = static_cast<int>(address);
    r.count = static_cast<int>(count);
    rest.remove_prefix(6);
    if (!r.write) return rest.empty() ? ParseStatus::Ok : ParseStatus::BadData;

    size_t width = static_cast<size_t>(ValueWidth(r.space));
    if (rest.size() != width * count) return ParseStatus::BadData;
    for (size_t i = 0; i < rest.size(); i += width) {
        uint32_t v = 0;
        if (r.space == Space::Bit) {
            if (rest[i] != '0' && rest[i] != '1') return ParseStatus::BadData;
        } else if (!ReadHex(rest, i, static_cast<int>(width), v)) {
            return ParseStatus::BadData;
        }
    }
    r.values = std::string(rest);
    return ParseStatus::Ok;
}

std::string BuildPcomRequest(int unit, std::string_view commandLine) {
    std::string body = Hex(static_cast<uint32_t>(unit), 2);
    body += commandLine;
    return "/" + body + PcomChecksum(body);
}

std::string BuildPcomReply(int unit, std::string_view echo, std::string_view data) {
    std::string body = Hex(static_cast<uint32_t>(unit), 2);
    body += echo;
    body += data;
    return "/A" + body + PcomChecksum(body);
}

}  // namespace visionsim
