// The archive's LZ decoder. A token stream of literals and matches behind an
// escape byte; every length and distance is checked against the output.
#include <cstring>

#include "core/file/archive_reader.h"

namespace {

uint32_t Load32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

int64_t ZVArchiveDecode(const void* src, size_t srcSize, void* dest, size_t destSize) {
    if (src == nullptr || srcSize < ZVA_LZ_HEADER_SIZE) return -1;
    const unsigned char* in = static_cast<const unsigned char*>(src);
    uint32_t outSize = Load32(in);
    uint32_t packedSize = Load32(in + 4);
    if (packedSize < ZVA_LZ_HEADER_SIZE || packedSize > srcSize || outSize > destSize) return -1;
    if (outSize > 0 && dest == nullptr) return -1;
    const unsigned char escape = in[8];
    const unsigned char* end = in + packedSize;
    in += ZVA_LZ_HEADER_SIZE;
    unsigned char* const outStart = static_cast<unsigned char*>(dest);
    unsigned char* out = outStart;
    unsigned char* const outEnd = outStart + outSize;

    while (in < end) {
        // Runs of literals go in one copy.
        const unsigned char* stop = static_cast<const unsigned char*>(std::memchr(in, escape, end - in));
        if (stop == nullptr) stop = end;
        size_t run = static_cast<size_t>(stop - in);
        if (run > static_cast<size_t>(outEnd - out)) return -1;
        std::memcpy(out, in, run);
        out += run;
        in = stop;
        if (in == end) break;

        ++in;   // the escape byte
        if (in == end) return -1;
        unsigned int code = *in++;
        if (code == escape) {
            if (out == outEnd) return -1;
            *out++ = escape;
            continue;
        }
        // The escape value is not a code, so codes above it are stored one up.
        if (code > escape) --code;
        size_t length = code >> 3;
        if (code & 4) {
            if (in == end) return -1;
            length |= static_cast<size_t>(*in++) << 5;
        }
        length += ZVA_LZ_MIN_MATCH;
        size_t distance;
        switch (code & 3) {
        case 0:
            if (end - in < 1) return -1;
            distance = in[0];
            in += 1;
            break;
        case 1:
            if (end - in < 2) return -1;
            distance = in[0] | (static_cast<size_t>(in[1]) << 8);
            in += 2;
            break;
        case 2:
            if (end - in < 3) return -1;
            distance = in[0] | (static_cast<size_t>(in[1]) << 8) | (static_cast<size_t>(in[2]) << 16);
            in += 3;
            break;
        default:
            return -1;   // no encoder writes this form
        }
        distance += 1;
        if (distance > static_cast<size_t>(out - outStart) || length > static_cast<size_t>(outEnd - out))
            return -1;
        const unsigned char* from = out - distance;
        if (distance >= length) {
            std::memcpy(out, from, length);
            out += length;
        } else if (distance >= 8) {
            // Each 8-byte step reads only bytes that are already written.
            size_t i = 0;
            for (; i + 8 <= length; i += 8) std::memcpy(out + i, from + i, 8);
            for (; i < length; ++i) out[i] = from[i];
            out += length;
        } else {
            // A short distance repeats the last bytes.
            for (size_t i = 0; i < length; ++i) out[i] = from[i];
            out += length;
        }
    }
    if (out != outEnd) return -1;
    return outSize;
}
