#pragma once
// CRC32 (polynomial 0xEDB88320), the checksum of RAR headers and file data.

#include <cstddef>
#include <cstdint>

namespace myrar {

// Continues a CRC: pass 0 to start, pass the previous result to go on.
std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t n);

} // namespace myrar
