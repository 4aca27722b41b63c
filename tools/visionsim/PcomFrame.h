// PCOM ASCII frames as a Vision controller sees them: requests "/" UU CMD DATA CC, replies "/A" UU ECHO DATA CC.
// The simulator keeps its own protocol code so that it checks the link component instead of sharing its mistakes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace visionsim {

// Operand spaces of one controller: memory bits (MB), 16-bit integers (MI) and 32-bit integers (ML).
enum class Space { Bit, Int, Long };

const char* SpaceName(Space space);  // "MB", "MI", "ML"

// Two upper-case hex digits of the byte sum of the text, modulo 256.
std::string PcomChecksum(std::string_view text);

// Upper-case hex of value with exactly `width` digits (the value is masked to that width).
std::string Hex(uint32_t value, int width);

enum class ParseStatus {
    Ok,
    NoStart,      // the frame does not begin with "/"
    BadUnit,      // the two characters after "/" are not upper-case hex
    BadChecksum,  // the last two characters differ from the checksum of the frame's body
    BadCommand,   // not one of RB, RW, RNL, SB, SW, SNL
    BadData,      // address, count or values malformed, or the wrong number of characters
};

const char* ParseStatusName(ParseStatus status);

struct PcomRequest {
    int unit = -1;              // known as soon as the unit digits are readable, even when parsing fails later
    std::string command;        // "RB", "RW", "RNL", "SB", "SW" or "SNL"
    Space space = Space::Bit;
    bool write = false;
    int address = 0;
    int count = 0;
    std::string values;         // the value characters of a write, as sent
};

// Parses one request frame: the bytes from "/" up to, not including, the carriage return.
ParseStatus ParsePcomRequest(std::string_view frame, PcomRequest& request);

// Characters per value in a frame's data: 1 for bits, 4 for 16-bit and 8 for 32-bit integers.
int ValueWidth(Space space);

// "/" + unit digits + command line + checksum, without the carriage return.
std::string BuildPcomRequest(int unit, std::string_view commandLine);

// "/A" + unit digits + echo + data + checksum, without the carriage return.
std::string BuildPcomReply(int unit, std::string_view echo, std::string_view data);

}  // namespace visionsim
