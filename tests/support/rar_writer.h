#pragma once
// Test-only writer of RAR 4.x and RAR 5.0 archives with stored data, for fixtures. It writes
// what the tests need to see in a listing: names in every form, folders, comments, streams,
// volumes, self-extracting stubs, encrypted entries and encrypted headers.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rar_writer {

enum class Format { Rar4, Rar5 };
enum class Host { Windows, Unix };

struct Item {
    std::string name; // UTF-8, "/" between folders
    bool directory = false;
    std::string data; // stored bytes
    // Size to declare instead of data.size(); the data area then holds `data` only, so
    // sizes over 4 GiB cost nothing (method 3 is declared so no reader expects them stored).
    std::optional<std::uint64_t> declaredSize;
    std::optional<std::uint64_t> declaredPacked;
    Host host = Host::Windows;
    std::uint32_t attributes = 0x20;    // DOS archive bit, or a Unix mode for Host::Unix
    std::uint32_t dosTime = 0x5A8B6C20; // 11-04-25 13:33:00
    bool encrypted = false;             // marks the entry encrypted (data is not really encrypted)
    bool splitBefore = false;
    bool splitAfter = false;
    bool rar4PlainName = false; // RAR4: code page 936 bytes only, no Unicode form
    std::string fileComment;    // stored comment of this entry
    std::string streamName;     // NTFS stream stored with this entry (UTF-8)
};

struct Archive {
    Format format = Format::Rar4;
    std::vector<Item> items;
    std::string comment; // stored archive comment, bytes as given
    bool solid = false;
    bool volume = false;
    bool firstVolume = false;
    unsigned volumeNumber = 0; // counted from 0
    bool moreVolumes = false;
    std::string sfxStub;                       // bytes put before the archive
    std::optional<std::string> headerPassword; // UTF-8; encrypts every header after the main
    bool endBlock = true;
};

std::vector<std::uint8_t> write(const Archive& archive);

// Writes bytes to a file; false on failure.
bool saveFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace rar_writer
