// Frames of the flotation controller's line protocol, as the controller sees them.
//
// This code is deliberately written apart from the station's own protocol unit: the simulator is
// an independent peer, so a mistake in one side's framing or checksum shows up as a failed
// exchange instead of cancelling out. All texts here are wire bytes (Windows-1251).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pufsim {

// Sum of the bytes taken as unsigned 8-bit values, wrapping at 65,536.
std::uint16_t ByteSum(std::string_view bytes);

// The checksum tag of a text: "<", four hexadecimal digits of ByteSum, ">".
std::string SumTag(std::string_view bytes, bool lowerCase = false);
// The tag for an arbitrary 16-bit value (a deliberately wrong checksum).
std::string TagOf(std::uint16_t sum, bool lowerCase = false);

// What a received line turned out to be.
enum class LineKind {
    Command,      // "PUF1:" + body + correct checksum
    Probe,        // the unframed connect probe "GetTimeA"
    BadChecksum,  // starts with "PUF1:" but its checksum is wrong, malformed or missing
    Junk,         // anything else
    Echo,         // a controller answer read back: the line discipline of the port echoes
};
const char* LineKindName(LineKind kind);

struct ParsedLine {
    LineKind kind = LineKind::Junk;
    int leadingBlanks = 0;   // blanks in front of the frame; the station sends five
    std::string text;        // the line without blanks and control bytes at either end
    std::string word;        // the body up to its first colon (Command and BadChecksum)
    std::string argument;    // the body after that colon; may hold further colons and blanks
};

// Parses one line as it came in, without its CR.
ParsedLine ParseLine(std::string_view line);

// How replies are written. The station trims an answer and accepts one colon in front of the
// checksum, so both variations must be tolerated by it.
struct ReplyStyle {
    int leadingBlanks = 0;            // blanks in front of the frame, outside the checksum
    bool colonBeforeChecksum = false; // "..._OK:payload:<cs>"
};

// Text that the checksum covers: "PUF1:" + word + "_OK:" + payload (+ ":").
std::string AnswerBody(std::string_view word, std::string_view payload, const ReplyStyle& style = {});
// Same for a refusal: "PUF1:" + word + "_Error:" + reason (+ ":").
std::string RefusalBody(std::string_view word, std::string_view reason, const ReplyStyle& style = {});
// Body + tag, with the style's leading blanks in front; no line end.
std::string Seal(std::string_view body, const ReplyStyle& style = {});
// The controller's answer to a request whose checksum does not hold: "PUF1Error:BAD CRC<051F>".
std::string BadCrcLine();

}  // namespace pufsim
