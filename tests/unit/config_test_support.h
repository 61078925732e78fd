// A fresh temporary directory, made the working directory for its lifetime.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace configtest {

struct ScratchDir {
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("plk-config-" + std::to_string(std::random_device{}()));
    ScratchDir() {
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        std::filesystem::remove_all(path, ignored);
    }
};

inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace configtest
