#include "core/Kvcrypt.h"

#include <cstdint>
#include <mutex>
#include <random>
#include <string>

// Layout of a scrambled text (every character from '0' to 'Z', 43 symbols):
//   46 characters of random salt, 4 characters of check value, then 4 characters per byte of the
//   password. Each byte is XORed with a key stream derived from the salt and stored together with a
//   random number, so the same password never gives the same text twice.
namespace {

constexpr int Base = 43;
constexpr char First = '0';
constexpr int SaltLength = 46;
constexpr int CheckLength = 4;
constexpr int HeaderLength = SaltLength + CheckLength;  // 50
constexpr std::uint32_t FourDigits = Base * Base * Base * Base;  // 3,418,801

std::uint32_t Fnv1a(const std::string& bytes, std::uint32_t h = 2166136261u) {
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

// Key byte i of the stream that a salt selects.
unsigned char KeyByte(std::uint32_t seed, std::size_t i) {
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ull * (i + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<unsigned char>((z ^ (z >> 31)) & 0xFF);
}

void AppendDigits(std::string& out, std::uint32_t v) {
    char d[4];
    for (int i = 3; i >= 0; --i) {
        d[i] = static_cast<char>(First + v % Base);
        v /= Base;
    }
    out.append(d, 4);
}

bool ReadDigits(const std::string& s, std::size_t pos, std::uint32_t& v) {
    v = 0;
    for (std::size_t i = pos; i < pos + 4; ++i) {
        const int d = static_cast<unsigned char>(s[i]) - First;
        if (d < 0 || d >= Base) return false;
        v = v * Base + static_cast<std::uint32_t>(d);
    }
    return true;
}

std::uint32_t CheckValue(const std::string& salt, const std::string& plain) {
    return Fnv1a(plain, Fnv1a(salt)) % FourDigits;
}

std::mutex rngMutex;
std::mt19937& Rng() {
    static std::mt19937 rng([] {
        std::random_device rd;
        std::seed_seq seq{rd(), rd(), rd(), rd()};
        return std::mt19937(seq);
    }());
    return rng;
}

}  // namespace

AnsiString ScrambleText(const AnsiString& text) {
    const std::string& plain = text.str();
    std::lock_guard<std::mutex> lock(rngMutex);
    std::uniform_int_distribution<int> symbol(0, Base - 1);
    // The noise stored beside each byte: as large as four digits allow.
    std::uniform_int_distribution<std::uint32_t> noise(0, FourDigits / 256 - 1);

    std::string salt;
    for (int i = 0; i < SaltLength; ++i) salt += static_cast<char>(First + symbol(Rng()));
    std::string out = salt;
    AppendDigits(out, CheckValue(salt, plain));
    const std::uint32_t seed = Fnv1a(salt);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(plain[i]) ^ KeyByte(seed, i);
        AppendDigits(out, noise(Rng()) * 256 + c);
    }
    return AnsiString(std::move(out));
}

AnsiString UnscrambleText(const AnsiString& text) {
    const std::string& s = text.str();
    if (s.size() < static_cast<std::size_t>(HeaderLength) || (s.size() - HeaderLength) % 4 != 0) return AnsiString();
    const std::string salt = s.substr(0, SaltLength);
    for (char ch : salt)
        if (ch < First || ch >= First + Base) return AnsiString();
    std::uint32_t check = 0;
    if (!ReadDigits(s, SaltLength, check)) return AnsiString();
    const std::uint32_t seed = Fnv1a(salt);
    std::string plain;
    for (std::size_t pos = HeaderLength, i = 0; pos < s.size(); pos += 4, ++i) {
        std::uint32_t v = 0;
        if (!ReadDigits(s, pos, v)) return AnsiString();
        plain += static_cast<char>(static_cast<unsigned char>(v & 0xFF) ^ KeyByte(seed, i));
    }
    if (CheckValue(salt, plain) != check) return AnsiString();
    return AnsiString(std::move(plain));
}
