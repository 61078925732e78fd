// A small INI reader: sections of key/value lines, names matched without
// regard to case or surrounding blanks, values kept as written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The bytes every trim removes: space, tab, LF, CR, FF and VT.
inline constexpr std::string_view kIniWhitespace{" \t\n\r\f\v", 6};

// Removes kIniWhitespace from both ends of `text`.
void trimWhitespace(std::string& text);

// Returns `name` trimmed and lower-cased byte by byte as tolower does in the
// "C" locale (only A to Z change), whatever locale the process has set.
std::string normaliseIniName(std::string_view name);

enum class IniLineKind {
    Blank = 0,
    Comment = 1,
    SectionHeader = 2,
    KeyValue = 3,
    Unrecognised = 4,
};

// What parseIniLine found: the section name in `key` for a header,
// key and value for a key/value line, both empty otherwise.
struct IniKeyValue {
    std::string key;
    std::string value;
};

// Classifies one line (without its line end) and fills `out` accordingly.
IniLineKind parseIniLine(std::string line, IniKeyValue& out);

// parseIniLine, also telling where a key/value line's value starts in
// `line`: its first byte, or just after the "=" when it is empty.
IniLineKind parseIniLineAt(std::string line, IniKeyValue& out, std::size_t& valueAt);

// Whether `bytes` start with the UTF-8 byte-order mark EF BB BF.
bool startsWithByteOrderMark(std::string_view bytes);

// Appends to `line` the line of `bytes` that starts at `start` as the reader
// sees it: up to the next LF, without CR and zero bytes, whose offsets go to
// `dropped` when given. Returns the LF's offset, or npos for the last line.
std::size_t readIniLineAt(std::string_view bytes, std::size_t start, std::string& line,
                          std::vector<std::size_t>* dropped = nullptr);

// Splits raw file bytes at LF, dropping CR and zero bytes; always yields at
// least one line, the last one possibly empty.
std::vector<std::string> splitIniLines(std::string_view bytes);

class IniSection {
public:
    using Entry = std::pair<std::string, std::string>;  // normalised key, value

    bool hasKey(std::string_view key) const;
    // A copy of the value, or "" when the key is absent; inserts nothing.
    std::string getValue(std::string_view key) const;
    // The stored value, appended empty first when absent. Valid until the
    // next insertion into this section.
    std::string& valueFor(std::string_view key);
    // Entries in order of first insertion.
    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::size_t> index_;
};

class IniDocument {
public:
    using Entry = std::pair<std::string, IniSection>;  // normalised name, section

    void clear();
    bool hasSection(std::string_view name) const;
    // A copy of the section, or an empty one when absent; inserts nothing.
    IniSection getSection(std::string_view name) const;
    // The stored section, appended empty first when absent. Valid until the
    // next insertion into this document.
    IniSection& sectionFor(std::string_view name);
    // Sections in order of first insertion.
    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::size_t> index_;
};

// Reads one byte source once: a file opened in binary mode, or bytes held in
// memory; both go through the same size query, mark test and split.
class IniReader {
public:
    explicit IniReader(const std::string& path);
    // Reads `bytes` as a file holding them; the view must outlive the reader.
    static IniReader fromBytes(std::string_view bytes);

    bool isOpen() const { return file_ != nullptr || bytes_.has_value(); }

    // Reads the whole source, closes it and returns its lines without line
    // ends; an empty source, or one not open, gives no lines.
    std::vector<std::string> readIniLines();
    // Adds the source's sections and keys to `doc`; false when not open.
    bool parseInto(IniDocument& doc);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    // The source's end, or -1 when it cannot be told.
    std::int64_t sizeOfSource();
    bool seekTo(std::int64_t offset);
    std::size_t readSome(char* into, std::size_t count);

    // Bytes in memory with a file's position.
    struct Bytes {
        std::string_view data;
        std::int64_t at;
    };

    explicit IniReader(Bytes bytes) : bytes_(bytes) {}

    std::unique_ptr<std::FILE, FileCloser> file_;
    std::optional<Bytes> bytes_;
};

// Empties `doc` and fills it from the file at `path`; false for an empty path
// or a file that cannot be opened.
bool loadIniFile(const std::string& path, IniDocument& doc);

// Empties `doc` and fills it from `bytes` as if they were a file's content.
void loadIniText(std::string_view bytes, IniDocument& doc);
