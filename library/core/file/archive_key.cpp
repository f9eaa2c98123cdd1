// Archive keys: deriving the 12-byte key from a key string, and the XOR
// scrambling that every archive byte is stored with.
#include <cstring>

#include "core/file/archive_reader.h"

namespace {

// These values are part of the archive format: archives made with other
// values read as garbage. Change them only together with every shipped archive.
constexpr unsigned char kDefaultFill = 0x6D;     // key bytes when there is no key string
constexpr unsigned char kSecondKeyByte = 0xC7;   // every byte of the second fixed key

unsigned char RotateLeft(unsigned char value, int bits) {
    return static_cast<unsigned char>((value << bits) | (value >> (8 - bits)));
}

// The fixed operation applied to the key byte at each position.
unsigned char Transform(int position, unsigned char b) {
    switch (position) {
    case 0: return static_cast<unsigned char>(~b);
    case 1: return RotateLeft(b, 4);
    case 2: return b ^ 0x8A;
    case 3: return static_cast<unsigned char>(~RotateLeft(b, 2));
    case 4: return static_cast<unsigned char>(~b);
    case 5: return b ^ 0xD3;
    case 6: return static_cast<unsigned char>(~b);
    case 7: return static_cast<unsigned char>(~RotateLeft(b, 5));
    case 8: return RotateLeft(b, 1);
    case 9: return b ^ 0x4B;
    case 10: return RotateLeft(b, 3) ^ 0x96;
    default: return b ^ 0x2E;
    }
}

}  // namespace

void ZVArchiveKeyCreate(const char* keyString, unsigned char key[ZVA_KEY_SIZE]) {
    size_t length = keyString != nullptr ? std::strlen(keyString) : 0;
    for (int i = 0; i < ZVA_KEY_SIZE; ++i) {
        unsigned char b = length == 0 ? kDefaultFill : static_cast<unsigned char>(keyString[i % length]);
        key[i] = Transform(i, b);
    }
}

void ZVArchiveSecondKey(unsigned char key[ZVA_KEY_SIZE]) { std::memset(key, kSecondKeyByte, ZVA_KEY_SIZE); }

void ZVArchiveKeyConv(void* data, size_t size, uint64_t position, const unsigned char key[ZVA_KEY_SIZE]) {
    unsigned char* p = static_cast<unsigned char*>(data);
    size_t phase = static_cast<size_t>(position % ZVA_KEY_SIZE);
    // 24 bytes are two key periods and three 64-bit words: the key pattern
    // repeats on word boundaries, so the bulk goes a word at a time.
    if (size >= 24) {
        unsigned char pattern[24];
        for (size_t i = 0; i < 24; ++i) pattern[i] = key[(phase + i) % ZVA_KEY_SIZE];
        uint64_t k0, k1, k2;
        std::memcpy(&k0, pattern, 8);
        std::memcpy(&k1, pattern + 8, 8);
        std::memcpy(&k2, pattern + 16, 8);
        size_t blocks = size / 24;
        for (size_t b = 0; b < blocks; ++b, p += 24) {
            uint64_t w0, w1, w2;
            std::memcpy(&w0, p, 8);
            std::memcpy(&w1, p + 8, 8);
            std::memcpy(&w2, p + 16, 8);
            w0 ^= k0;
            w1 ^= k1;
            w2 ^= k2;
            std::memcpy(p, &w0, 8);
            std::memcpy(p + 8, &w1, 8);
            std::memcpy(p + 16, &w2, 8);
        }
        size -= blocks * 24;   // the phase is unchanged: 24 is a multiple of 12
    }
    for (size_t i = 0; i < size; ++i) p[i] ^= key[(phase + i) % ZVA_KEY_SIZE];
}
