#pragma once
// Decrypts an entry's packed file data with the archive password before it goes to the
// decompressors: AES-128 with the RAR 2.9-4.x key for RAR4 entries, AES-256 with the PBKDF2
// key for RAR5 entries.

#include "archive_entry.h"

#include <cstdint>
#include <string>
#include <vector>

namespace myrar {

enum class DecryptStatus {
    Ok,
    Unsupported, // the 1.5/2.0 ciphers, or parameters out of range
    Damaged,     // not a whole number of cipher blocks
    Failed,      // the platform's cipher failed
};

// `password` is code page 936 text. The data stays padded to whole blocks: the entry's
// unpacked size (stored data) or the decompressor tells where it ends.
DecryptStatus decryptEntryData(const Entry& entry, const std::string& password,
                               std::vector<std::uint8_t>& data);

} // namespace myrar
