// The archive's key derivation, scrambling and LZ code: pinned keys, the
// word-wise scrambling against the byte rule, hand-made token streams good
// and bad, and encoder round trips.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive_fixture.h"
#include "core/file/archive_reader.h"
#include "lz_encode.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string Hex(const unsigned char* p, size_t n) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, "%02X", p[i]);
        s += b;
    }
    return s;
}

// These values are part of the archive format; shipped archives depend on them.
TEST(ArchiveKey, DerivationIsPinned) {
    struct Case {
        const char* keyString;
        const char* key;
    } cases[] = {
        {"kor3vq", "94F6F83389A29412E478255F"},
        {nullptr, "92D6E74A92BE9252DA26FD43"},
        {"", "92D6E74A92BE9252DA26FD43"},             // empty: no key string
        {"abcdefghijklmnop", "9E26E96E9AB598F2D221CD42"},  // only the first 12 count
        {"abcdefghijkl", "9E26E96E9AB598F2D221CD42"},
        {"A", "BE14CBFABE92BED7820A9C6F"},
    };
    for (const Case& c : cases) {
        unsigned char key[ZVA_KEY_SIZE];
        ZVArchiveKeyCreate(c.keyString, key);
        EXPECT_EQ(Hex(key, ZVA_KEY_SIZE), c.key) << (c.keyString ? c.keyString : "(null)");
    }
    unsigned char second[ZVA_KEY_SIZE];
    ZVArchiveSecondKey(second);
    EXPECT_EQ(Hex(second, ZVA_KEY_SIZE), "C7C7C7C7C7C7C7C7C7C7C7C7");
}

TEST(ArchiveKey, ScramblingFollowsTheByteRuleAtEveryOffset) {
    unsigned char key[ZVA_KEY_SIZE];
    ZVArchiveKeyCreate("kor3vq", key);
    Bytes plain(200);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<unsigned char>(i * 37 + 11);
    for (uint64_t position : {0ull, 1ull, 5ull, 11ull, 12ull, 13ull, 4294967301ull}) {
        for (size_t start = 0; start < 9; ++start) {
            for (size_t length : {0u, 1u, 23u, 24u, 25u, 47u, 48u, 100u, 191u}) {
                Bytes data = plain;
                ZVArchiveKeyConv(data.data() + start, length, position, key);
                for (size_t i = 0; i < data.size(); ++i) {
                    unsigned char expected = plain[i];
                    if (i >= start && i < start + length) expected ^= key[(position + i - start) % 12];
                    ASSERT_EQ(data[i], expected) << position << "/" << start << "/" << length << " at " << i;
                }
                ZVArchiveKeyConv(data.data() + start, length, position, key);
                ASSERT_EQ(data, plain);
            }
        }
    }
}

Bytes Block(uint32_t outSize, unsigned char escape, const Bytes& tokens) {
    Bytes b(ZVA_LZ_HEADER_SIZE);
    zvfix::Builder::Put32(b, 0, outSize);
    zvfix::Builder::Put32(b, 4, static_cast<uint32_t>(ZVA_LZ_HEADER_SIZE + tokens.size()));
    b[8] = escape;
    b.insert(b.end(), tokens.begin(), tokens.end());
    return b;
}

Bytes Literals(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>('a' + i % 23);
    return b;
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ArchiveLz, DecodesEveryTokenForm) {
    Bytes far = Literals(70000);
    Bytes mid = Literals(300);
    struct Case {
        const char* what;
        Bytes block;
        std::string expected;   // empty: compare against a computed tail instead
    } cases[] = {
        {"literals", Block(3, 0xFF, {'a', 'b', 'c'}), "abc"},
        {"escape as a literal", Block(2, 'A', {'x', 'A', 'A'}), "xA"},
        {"distance 1 repeats the last byte", Block(9, 0xFF, {'z', 0xFF, 0x20, 0x00}), "zzzzzzzzz"},
        // Code 0x20 is stored as 0x21 above an escape of 0x10; unreduced it
        // would read as a two-byte distance.
        {"code above the escape", Block(10, 0x10, {'a', 'b', 0x10, 0x21, 0x01}), "ababababab"},
        {"code below the escape", Block(10, 0x30, {'a', 'b', 0x30, 0x20, 0x01}), "ababababab"},
        {"length extension byte", Block(101, 0xFF, {'q', 0xFF, 0x04, 0x03, 0x00}), std::string(101, 'q')},
        {"longest match", Block(8196, 0xFF, {'q', 0xFF, 0xFE, 0xFF, 0x00, 0x00, 0x00}), std::string(8196, 'q')},
        {"16-bit distance", Block(304, 0xFF, Concat(mid, {0xFF, 0x01, 0x2B, 0x01})),
         std::string(mid.begin(), mid.end()) + std::string(mid.begin(), mid.begin() + 4)},
        {"24-bit distance", Block(70004, 0xFF, Concat(far, {0xFF, 0x02, 0x6F, 0x11, 0x01})),
         std::string(far.begin(), far.end()) + std::string(far.begin(), far.begin() + 4)},
        {"empty", Block(0, 0xFF, {}), ""},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> out(c.expected.size() + 1, 0xEE);
        int64_t n = ZVArchiveDecode(c.block.data(), c.block.size(), out.data(), c.expected.size());
        ASSERT_EQ(n, static_cast<int64_t>(c.expected.size())) << c.what;
        EXPECT_EQ(std::string(out.begin(), out.begin() + n), c.expected) << c.what;
        EXPECT_EQ(out[c.expected.size()], 0xEE) << c.what << ": wrote past the end";
    }
}

TEST(ArchiveLz, RefusesMalformedStreams) {
    Bytes good = Block(9, 0xFF, {'z', 0xFF, 0x20, 0x00});
    Bytes shortPacked = good;
    zvfix::Builder::Put32(shortPacked, 4, 8);
    Bytes longPacked = good;
    zvfix::Builder::Put32(longPacked, 4, static_cast<uint32_t>(good.size() + 1));
    struct Case {
        const char* what;
        Bytes block;
        size_t capacity;
    } cases[] = {
        {"low code bits 3", Block(9, 0xFF, {'a', 'b', 'c', 'd', 0xFF, 0x03, 0x00}), 9},
        {"distance before the start", Block(9, 0xFF, {'a', 0xFF, 0x20, 0x05}), 9},
        {"match past the stated size", Block(5, 0xFF, {'a', 0xFF, 0x20, 0x00}), 64},
        {"literals past the stated size", Block(2, 0xFF, {'a', 'b', 'c'}), 64},
        {"escaped escape past the stated size", Block(1, 'A', {'x', 'A', 'A'}), 64},
        {"ends after the escape", Block(2, 0xFF, {'a', 0xFF}), 2},
        {"ends before the extension byte", Block(40, 0xFF, {'a', 0xFF, 0x04}), 40},
        {"ends inside a distance", Block(40, 0xFF, {'a', 0xFF, 0x02, 0x00, 0x00}), 40},
        {"decodes short of the stated size", Block(10, 0xFF, {'a', 'b', 'c'}), 10},
        {"stated size above the room", Block(3, 0xFF, {'a', 'b', 'c'}), 2},
        {"block size below its header", shortPacked, 9},
        {"block size beyond the data", longPacked, 9},
        {"shorter than a header", Bytes(good.begin(), good.begin() + 8), 9},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> out(c.capacity + 1);
        EXPECT_EQ(ZVArchiveDecode(c.block.data(), c.block.size(), out.data(), c.capacity), -1) << c.what;
    }
}

Bytes AllBytesBut(int missing, size_t size) {
    Bytes b;
    for (size_t i = 0; b.size() < size; ++i) {
        unsigned char c = static_cast<unsigned char>((i * 7 + i / 300) & 0xFF);
        if (c != missing) b.push_back(c);
    }
    return b;
}

TEST(ArchiveLz, EncoderRoundTrips) {
    std::string sample = zvfix::SampleData(400000, 3);
    Bytes random(5000);
    uint32_t x = 12345;
    for (auto& b : random) {
        x = x * 1103515245 + 12345;
        b = static_cast<unsigned char>(x >> 24);
    }
    struct Case {
        const char* what;
        Bytes data;
        bool shrinks;
    } cases[] = {
        {"empty", {}, false},
        {"one byte", {'x'}, false},
        {"long run", Bytes(100000, 'r'), true},
        {"text with near and far repeats", Bytes(sample.begin(), sample.end()), true},
        {"noise", random, false},
        {"escape 0x00", AllBytesBut(0x00, 60000), true},
        {"escape 0xFF", AllBytesBut(0xFF, 60000), true},
        {"escape 0x80", AllBytesBut(0x80, 60000), true},
    };
    for (const Case& c : cases) {
        Bytes packed = LzEncode(c.data.data(), c.data.size());
        if (c.shrinks) {
            EXPECT_LT(packed.size(), c.data.size() / 2) << c.what;
        }
        Bytes out(c.data.size() + 1);
        ASSERT_EQ(ZVArchiveDecode(packed.data(), packed.size(), out.data(), c.data.size()),
                  static_cast<int64_t>(c.data.size()))
            << c.what;
        out.pop_back();
        EXPECT_TRUE(out == c.data) << c.what;
    }
}

}  // namespace
