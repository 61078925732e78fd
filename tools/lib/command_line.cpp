#include "tools/lib/command_line.h"

#include "tools/lib/files.h"

namespace fs = std::filesystem;

CommandLine::CommandLine(std::string command, std::vector<std::string> args)
    : command_(std::move(command)), args_(std::move(args)) {}

std::string CommandLine::value(const std::string& option) {
    if (done()) fail("option " + option + " needs a value");
    return next();
}

void CommandLine::fail(const std::string& what) const { throw CommandError(command_ + ": " + what); }

bool isHelp(const std::string& a) { return a == "--help" || a == "-h"; }

void requireReadable(CommandLine& a, const std::string& option, const std::string& path) {
    try {
        (void)readWholeFile(path);
    } catch (const FileError& e) {
        a.fail("option " + option + ": " + e.what());
    }
}

void ensureFolder(CommandLine& a, const std::string& option, const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) a.fail("option " + option + ": " + dir.string() + ": cannot make the folder");
}

void requireParentFolder(CommandLine& a, const std::string& option, const std::string& path) {
    std::error_code ec;
    const fs::path parent = fs::absolute(path, ec).parent_path();
    if (ec || !fs::is_directory(parent, ec)) a.fail("option " + option + ": " + path + ": its folder does not exist");
}

void requireFolderOf(CommandLine& a, const std::string& option, const std::string& path) {
    requireParentFolder(a, option, path);
    std::error_code ec;
    if (fs::is_directory(path, ec)) a.fail("option " + option + ": " + path + ": is a folder, not a file");
}
