#include "tools/pufsim/PufFrames.h"

namespace pufsim {

namespace {

constexpr std::string_view kPrefix = "PUF1:";

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

std::uint16_t ByteSum(std::string_view bytes) {
    std::uint32_t sum = 0;
    for (char c : bytes) sum += static_cast<unsigned char>(c);
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

std::string TagOf(std::uint16_t sum, bool lowerCase) {
    const char* digits = lowerCase ? "0123456789abcdef" : "0123456789ABCDEF";
    std::string tag = "<";
    for (int shift = 12; shift >= 0; shift -= 4) tag += digits[(sum >> shift) & 0xF];
    tag += '>';
    return tag;
}

std::string SumTag(std::string_view bytes, bool lowerCase) { return TagOf(ByteSum(bytes), lowerCase); }

const char* LineKindName(LineKind kind) {
    switch (kind) {
        case LineKind::Command: return "command";
        case LineKind::Probe: return "probe";
        case LineKind::BadChecksum: return "bad-crc";
        case LineKind::Junk: return "junk";
        case LineKind::Echo: return "echo";
    }
    return "?";
}

ParsedLine ParseLine(std::string_view line) {
    ParsedLine out;
    while (!line.empty() && IsBlankOrControl(line.back())) line.remove_suffix(1);
    while (out.leadingBlanks < static_cast<int>(line.size()) && line[out.leadingBlanks] == ' ') ++out.leadingBlanks;
    std::string_view text = line.substr(out.leadingBlanks);
    while (!text.empty() && IsBlankOrControl(text.front())) text.remove_prefix(1);
    out.text = std::string(text);
    if (text.empty()) return out;

    // Our own answers coming back mean the station left the port's echo on.
    if (text.find("_OK:") != std::string_view::npos || text.find("_Error:") != std::string_view::npos ||
        text.starts_with("PUF1Error:")) {
        out.kind = LineKind::Echo;
        return out;
    }
    if (text == "GetTimeA") {
        out.kind = LineKind::Probe;
        out.word = "GetTimeA";
        return out;
    }
    if (!text.starts_with(kPrefix)) return out;

    // The checksum is the last "<" with four digits and ">" closing the line.
    const std::size_t lt = text.rfind('<');
    const bool shaped = lt != std::string_view::npos && lt >= kPrefix.size() && text.size() - lt == 6 &&
                        text.back() == '>';
    std::string_view body = shaped ? text.substr(kPrefix.size(), lt - kPrefix.size()) : text.substr(kPrefix.size());
    if (!shaped) {
        // Best effort for the word, so a refusal can name it.
        const std::size_t end = body.find_first_of(":<");
        out.word = std::string(body.substr(0, end));
        out.kind = LineKind::BadChecksum;
        return out;
    }
    const std::size_t colon = body.find(':');
    out.word = std::string(body.substr(0, colon));
    out.argument = colon == std::string_view::npos ? std::string() : std::string(body.substr(colon + 1));

    bool digitsOk = true;
    for (std::size_t i = lt + 1; i < lt + 5; ++i) digitsOk = digitsOk && IsUpperHex(text[i]);
    out.kind = digitsOk && text.substr(lt) == SumTag(text.substr(0, lt)) ? LineKind::Command : LineKind::BadChecksum;
    return out;
}

std::string AnswerBody(std::string_view word, std::string_view payload, const ReplyStyle& style) {
    std::string body;
    body.append(kPrefix).append(word).append("_OK:").append(payload);
    if (style.colonBeforeChecksum) body += ':';
    return body;
}

std::string RefusalBody(std::string_view word, std::string_view reason, const ReplyStyle& style) {
    std::string body;
    body.append(kPrefix).append(word).append("_Error:").append(reason);
    if (style.colonBeforeChecksum) body += ':';
    return body;
}

std::string Seal(std::string_view body, const ReplyStyle& style) {
    std::string line(static_cast<std::size_t>(style.leadingBlanks > 0 ? style.leadingBlanks : 0), ' ');
    line.append(body).append(SumTag(body));
    return line;
}

std::string BadCrcLine() {
    const std::string body = "PUF1Error:BAD CRC";
    return body + SumTag(body);
}

}  // namespace pufsim
