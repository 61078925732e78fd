#include "tools/lib/files.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>

#include "config/settings.h"

namespace fs = std::filesystem;

namespace {

std::string unique() {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::to_string(now) + "-" + std::to_string(counter++);
}

}  // namespace

std::string readWholeFile(const std::string& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) throw FileError(path + ": is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError(path + ": cannot open the file");
    std::ostringstream buf;
    buf << in.rdbuf();
    if (in.bad()) throw FileError(path + ": cannot read the file");
    return buf.str();
}

fs::path temporaryNameFor(const fs::path& path) {
    fs::path temp = path;
    temp += ".tmp-" + unique();
    return temp;
}

void commitFile(const fs::path& temp, const fs::path& path) {
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        // Some systems refuse to rename over an existing file.
        fs::remove(path, ec);
        fs::rename(temp, path, ec);
    }
    if (ec) {
        fs::remove(temp, ec);
        throw FileError(path.string() + ": cannot write the file");
    }
}

void writeFileAtomically(const fs::path& path, std::string_view content) {
    const fs::path temp = temporaryNameFor(path);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw FileError(path.string() + ": cannot write the file");
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            fs::remove(temp, ec);
            throw FileError(path.string() + ": cannot write the file");
        }
    }
    commitFile(temp, path);
}

std::optional<std::string> readOptionalFile(const std::optional<std::string>& path) {
    if (!path) return std::nullopt;
    return readWholeFile(*path);
}

SettingsFolder::SettingsFolder(const std::optional<std::string>& content) {
    std::error_code ec;
    dir_ = fs::temp_directory_path(ec) / ("pacelark-" + unique());
    if (ec || !fs::create_directories(dir_, ec))
        throw FileError(dir_.string() + ": cannot make a working folder");
    if (content) writeFileAtomically(dir_ / kSettingsFileName, *content);
}

SettingsFolder::~SettingsFolder() {
    leave();
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void SettingsFolder::enter() {
    if (inside_) return;
    previous_ = fs::current_path();
    fs::current_path(dir_);
    inside_ = true;
}

void SettingsFolder::leave() {
    if (!inside_) return;
    std::error_code ec;
    fs::current_path(previous_, ec);
    inside_ = false;
}
