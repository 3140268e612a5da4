// Helpers of the loader and lookup tests: lyric files in a temporary folder,
// and the Timeline as plain values.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace lumivox::test {

// A fresh folder under the system's temporary folder, removed with its files.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, without a final separator.
    const std::string& path() const { return path_; }
    // Writes bytes as they stand into the file name; returns its path.
    std::string write(const std::string& name, const std::string& bytes) const;

  private:
    std::string path_;
};

struct Entry {
    int32_t time;
    bool shared;
    std::string text; // "" for a pause
    bool pause = false;
    bool operator==(const Entry&) const = default;
};
inline Entry pause_at(int32_t time) {
    return {time, false, "", true};
}
std::ostream& operator<<(std::ostream& out, const Entry& entry);

// The Timeline's entries. Also checks what every loaded Timeline must hold:
// ascending times, each text owned by exactly one entry, shared entries
// pointing at an owner's text, and pauses sharing nothing.
std::vector<Entry> timeline_entries();

} // namespace lumivox::test
