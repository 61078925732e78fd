// The command lines of the tools: options read one by one, and every failure
// one line that names the command, for exit status 2.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

// The whole message, the command's name in front.
struct CommandError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class CommandLine {
public:
    CommandLine(std::string command, std::vector<std::string> args);
    bool done() const { return i_ >= args_.size(); }
    const std::string& next() { return args_[i_++]; }
    // The value after `option`, which must be there.
    std::string value(const std::string& option);
    [[noreturn]] void fail(const std::string& what) const;

private:
    std::string command_;
    std::vector<std::string> args_;
    std::size_t i_ = 0;
};

bool isHelp(const std::string& arg);

// Checks made before any work, each failing with the option's name.
void requireReadable(CommandLine& a, const std::string& option, const std::string& path);
void ensureFolder(CommandLine& a, const std::string& option, const std::filesystem::path& dir);
// An output file's folder exists.
void requireParentFolder(CommandLine& a, const std::string& option, const std::string& path);
// ... and the file is not itself a folder.
void requireFolderOf(CommandLine& a, const std::string& option, const std::string& path);
