// The archive's LZ encoder: hash-chain match search with one step of lazy
// matching. Matches are 4..8195 bytes long, up to 16 MB back; a code byte
// never has both low bits set, so a code shifted past the escape still fits.
#include "lz_encode.h"

#include <cstdint>
#include <cstring>

#include "core/file/archive_reader.h"

namespace {

constexpr int kHashBits = 17;
constexpr int kChainDepth = 48;

uint32_t HashAt(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return (v * 2654435761u) >> (32 - kHashBits);
}

struct Match {
    size_t length = 0;
    size_t distance = 0;
};

// Bytes a match costs in the stream: escape, code, the length extension
// when the length needs it, and one to three distance bytes.
size_t MatchCost(const Match& m) {
    size_t d = m.distance - 1;
    size_t distanceBytes = d < 0x100 ? 1 : d < 0x10000 ? 2 : 3;
    return 2 + (m.length - ZVA_LZ_MIN_MATCH >= 32 ? 1 : 0) + distanceBytes;
}

class Encoder {
public:
    Encoder(const unsigned char* data, size_t size)
        : data_(data), size_(size), head_(size_t(1) << kHashBits, -1), prev_(size, -1) {}

    std::vector<unsigned char> Run() {
        escape_ = RarestByte();
        out_.assign(ZVA_LZ_HEADER_SIZE, 0);
        size_t i = 0;
        Match ahead;            // the match found one byte on, when it won
        bool haveAhead = false;
        while (i < size_) {
            Match m = haveAhead ? ahead : Find(i);
            haveAhead = false;
            Insert(i);
            if (Worth(m) && i + 1 < size_) {
                // A better match one byte on wins over this one. Nothing is
                // inserted before that byte's turn, so its search is reused.
                Match next = Find(i + 1);
                if (Worth(next) && next.length > m.length + 1) {
                    Literal(data_[i]);
                    ++i;
                    ahead = next;
                    haveAhead = true;
                    continue;
                }
            }
            if (!Worth(m)) {
                Literal(data_[i]);
                ++i;
                continue;
            }
            Emit(m);
            for (size_t k = 1; k < m.length; ++k) Insert(i + k);
            i += m.length;
        }
        Put32(0, static_cast<uint32_t>(size_));
        Put32(4, static_cast<uint32_t>(out_.size()));
        out_[8] = escape_;
        return std::move(out_);
    }

private:
    unsigned char RarestByte() const {
        size_t counts[256] = {};
        for (size_t i = 0; i < size_; ++i) ++counts[data_[i]];
        int best = 0;
        for (int b = 1; b < 256; ++b)
            if (counts[b] < counts[best]) best = b;
        return static_cast<unsigned char>(best);
    }

    void Insert(size_t i) {
        if (i + 4 > size_) return;
        uint32_t h = HashAt(data_ + i);
        prev_[i] = head_[h];
        head_[h] = static_cast<int32_t>(i);
    }

    Match Find(size_t i) const {
        Match best;
        if (i + ZVA_LZ_MIN_MATCH > size_) return best;
        size_t limit = size_ - i < ZVA_LZ_MAX_MATCH ? size_ - i : ZVA_LZ_MAX_MATCH;
        int32_t candidate = head_[HashAt(data_ + i)];
        for (int depth = 0; candidate >= 0 && depth < kChainDepth; ++depth) {
            size_t distance = i - static_cast<size_t>(candidate);
            if (distance > ZVA_LZ_MAX_DISTANCE) break;
            const unsigned char* a = data_ + candidate;
            const unsigned char* b = data_ + i;
            if (a[best.length] == b[best.length]) {
                size_t n = 0;
                while (n < limit && a[n] == b[n]) ++n;
                // Nearer matches cost fewer distance bytes: keep the first of equals.
                if (n > best.length) {
                    best.length = n;
                    best.distance = distance;
                    if (n == limit) break;
                }
            }
            candidate = prev_[static_cast<size_t>(candidate)];
        }
        if (best.length < ZVA_LZ_MIN_MATCH) best = Match();
        return best;
    }

    bool Worth(const Match& m) const { return m.length >= ZVA_LZ_MIN_MATCH && MatchCost(m) < m.length; }

    void Literal(unsigned char b) {
        out_.push_back(b);
        if (b == escape_) out_.push_back(escape_);
    }

    void Emit(const Match& m) {
        size_t length = m.length - ZVA_LZ_MIN_MATCH;
        size_t distance = m.distance - 1;
        unsigned int code = static_cast<unsigned int>((length & 31) << 3);
        if (length >= 32) code |= 4;
        unsigned int form = distance < 0x100 ? 0 : distance < 0x10000 ? 1 : 2;
        code |= form;
        out_.push_back(escape_);
        // Codes from the escape value up are stored one higher; the largest
        // code (0xFE) then becomes 0xFF.
        out_.push_back(static_cast<unsigned char>(code >= escape_ ? code + 1 : code));
        if (length >= 32) out_.push_back(static_cast<unsigned char>(length >> 5));
        for (unsigned int k = 0; k <= form; ++k) out_.push_back(static_cast<unsigned char>(distance >> (8 * k)));
    }

    void Put32(size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) out_[at + k] = static_cast<unsigned char>(v >> (8 * k));
    }

    const unsigned char* data_;
    size_t size_;
    std::vector<int32_t> head_;
    std::vector<int32_t> prev_;
    std::vector<unsigned char> out_;
    unsigned char escape_ = 0;
};

}  // namespace

std::vector<unsigned char> LzEncode(const unsigned char* data, size_t size) { return Encoder(data, size).Run(); }
