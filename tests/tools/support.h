// Scratch files for the tool tests: one folder per test process, so tests
// running side by side never share a file; removed when the process ends.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace tooltest {

inline const std::filesystem::path& scratchFolder() {
    struct Folder {
        std::filesystem::path path;
        Folder() {
            path = std::filesystem::path(testing::TempDir()) / ("plk-tools-" + std::to_string(getpid()));
            std::filesystem::create_directories(path);
        }
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    return folder.path;
}

// A fresh path in the scratch folder (whatever was there is removed).
inline std::filesystem::path scratch(const std::string& name) {
    const std::filesystem::path p = scratchFolder() / name;
    std::filesystem::remove_all(p);
    return p;
}

}  // namespace tooltest
