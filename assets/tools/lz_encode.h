// The archive's LZ encoder (the library only decodes).
#pragma once
#include <cstddef>
#include <vector>

// The compressed block: uncompressed size, block size (these 9 header bytes
// included), escape byte, then literals and escape-led matches. The escape
// is the rarest byte of the data.
std::vector<unsigned char> LzEncode(const unsigned char* data, size_t size);
