// File handling shared by the tools: whole-file reads, writes that never
// leave a half-written file behind, and the private folder from which the
// plug-in reads its settings file.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// Errors carry one line naming the file at fault.
struct FileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string readWholeFile(const std::string& path);

// Writes under a temporary name in the same folder, then renames.
void writeFileAtomically(const std::filesystem::path& path, std::string_view content);

// Renames a finished temporary file into place; removes it on failure.
void commitFile(const std::filesystem::path& temp, const std::filesystem::path& path);
std::filesystem::path temporaryNameFor(const std::filesystem::path& path);

// The bytes of the file at `path`, or nothing when there is no path.
std::optional<std::string> readOptionalFile(const std::optional<std::string>& path);

// A fresh folder holding `content` in a file named as the plug-in looks for
// it, or no such file without `content` (the plug-in then keeps its
// defaults). enter() makes it the working folder, leave() goes back; the
// folder is removed on destruction.
class SettingsFolder {
public:
    explicit SettingsFolder(const std::optional<std::string>& content);
    ~SettingsFolder();
    SettingsFolder(const SettingsFolder&) = delete;
    SettingsFolder& operator=(const SettingsFolder&) = delete;
    void enter();
    void leave();

private:
    std::filesystem::path dir_, previous_;
    bool inside_ = false;
};
