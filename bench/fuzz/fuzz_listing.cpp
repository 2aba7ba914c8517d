// libFuzzer target: the listing reader over arbitrary listing texts. Input: the archive path
// as given to the listing command, a line feed, then the listing text.
#include "archiver/listing_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    if (newline == std::string_view::npos)
        return 0;
    const std::string_view path = input.substr(0, newline);
    const std::string_view text = input.substr(newline + 1);
    const rr::archiver::Listing listing = rr::archiver::readListing(text, path);

    // Each entry takes at least a name line and a details line of the text.
    if (listing.entries.size() > text.size() / 2)
        __builtin_trap();
    if (listing.result > 0 && std::size_t(listing.result) != listing.entries.size())
        __builtin_trap();
    for (const std::string& name : listing.entries)
        if (name.size() > text.size())
            __builtin_trap();
    return 0;
}
