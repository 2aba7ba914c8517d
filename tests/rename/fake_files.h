#pragma once
// In-memory stand-ins for List archive and the file operations. File names compare without
// regard to ASCII letter case, as on Windows, and one file may have several names.

#include "archiver/archive_lister.h"
#include "platform/cp936_text.h"
#include "rename/file_operations.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace rr::test {

class FakeLister : public archiver::ArchiveLister {
public:
    std::map<std::string, archiver::Listing> listings;
    std::vector<std::string> listed;
    // Called after each listing, to change the disk while the archiver "runs".
    std::function<void(const std::string&)> duringListing;

    archiver::Listing list(const std::string& path) override {
        listed.push_back(path);
        if (duringListing) {
            duringListing(path);
        }
        auto it = listings.find(path);
        return it == listings.end() ? archiver::Listing{} : it->second;
    }

    void add(const std::string& path, std::vector<std::string> entries, bool isVolume = false) {
        archiver::Listing listing;
        listing.result = static_cast<int>(entries.size());
        listing.entries = std::move(entries);
        listing.isVolume = isVolume;
        listings[path] = listing;
    }
};

class FakeFiles : public rename::FileOperations {
public:
    // Folded name -> (file index, name as given).
    std::map<std::string, std::pair<std::uint64_t, std::string>> names;
    std::set<std::string> directories;
    std::map<std::uint64_t, std::uint64_t> writeTimes;
    std::vector<std::string> recycled;
    bool recycleFails = false;
    bool renameFails = false;

    void addFile(const std::string& path) {
        std::uint64_t id = ++lastId_;
        names[key(path)] = {id, path};
        writeTimes[id] = 1;
    }
    // Another name of the file already under `path` (a short name, say).
    void addAlias(const std::string& path, const std::string& alias) {
        names[key(alias)] = {names.at(key(path)).first, alias};
    }
    void touch(const std::string& path) { ++writeTimes[names.at(key(path)).first]; }
    void remove(const std::string& path) { names.erase(key(path)); }

    bool has(const std::string& path) const { return names.count(key(path)) != 0; }
    std::vector<std::string> all() const {
        std::vector<std::string> out;
        for (const auto& [k, v] : names) {
            out.push_back(v.second);
        }
        return out;
    }

    std::optional<rename::FileStamp> stamp(const std::string& path) override {
        auto it = names.find(key(path));
        if (it == names.end()) {
            return std::nullopt;
        }
        rename::FileStamp s;
        s.volumeSerial = 7;
        s.fileIndex = it->second.first;
        s.writeTime = writeTimes[it->second.first];
        return s;
    }
    bool exists(const std::string& path) override {
        return has(path) || directories.count(key(path)) != 0;
    }
    bool rename(const std::string& from, const std::string& to) override {
        if (renameFails || !has(from) || exists(to)) {
            return false;
        }
        auto node = names.at(key(from));
        names.erase(key(from));
        names[key(to)] = {node.first, to};
        return true;
    }
    bool recycle(const std::string& path) override {
        if (recycleFails || !has(path)) {
            return false;
        }
        recycled.push_back(path);
        remove(path);
        return true;
    }

private:
    static std::string key(const std::string& path) { return cp936::asciiLower(path); }
    std::uint64_t lastId_ = 0;
};

} // namespace rr::test
