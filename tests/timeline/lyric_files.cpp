#include "tests/timeline/lyric_files.h"

#include "timeline/timeline.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace lumivox::test {

namespace {
std::atomic<int> folders{0};
}

TempFolder::TempFolder() {
    auto base = std::filesystem::temp_directory_path();
    auto folder = base / ("lumivox-lyr-" + std::to_string(std::random_device{}()) + "-" +
                          std::to_string(folders.fetch_add(1)));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    path_ = folder.string();
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::write(const std::string& name, const std::string& bytes) const {
    auto file = std::filesystem::path(path_) / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
}

std::ostream& operator<<(std::ostream& out, const Entry& entry) {
    if (entry.pause)
        return out << "{" << entry.time << ", pause}";
    return out << "{" << entry.time << (entry.shared ? ", shared, \"" : ", \"") << entry.text
               << "\"}";
}

std::vector<Entry> timeline_entries() {
    std::vector<Entry> result;
    if (entries == nullptr) {
        EXPECT_EQ(count, 0);
        return result;
    }
    std::set<const char*> owned;
    for (int32_t i = 0; i < count; ++i) {
        if (!entries[i].shared && !is_pause(entries[i])) {
            EXPECT_TRUE(owned.insert(entries[i].text).second) << "text owned twice, entry " << i;
        }
    }
    for (int32_t i = 0; i < count; ++i) {
        const TimedLine& line = entries[i];
        if (i > 0) {
            EXPECT_LE(entries[i - 1].time, line.time) << "entry " << i;
            EXPECT_GT(line.time, 0) << "entry " << i;
        }
        if (is_pause(line)) {
            EXPECT_FALSE(line.shared) << "a pause shares a text, entry " << i;
            result.push_back(pause_at(line.time));
            continue;
        }
        if (line.shared) {
            EXPECT_TRUE(owned.count(line.text) == 1) << "shared entry without owner, " << i;
        }
        result.push_back({line.time, line.shared, line.text});
    }
    return result;
}

} // namespace lumivox::test
