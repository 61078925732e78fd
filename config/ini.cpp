#include "config/ini.h"

#include <algorithm>
#include <cstring>

#include "config/numbers.h"

namespace {

constexpr std::string_view kWhitespace = kIniWhitespace;
constexpr auto npos = std::string::npos;

// Position of the first "=" not escaped as "\=", or npos. Escapes pair up
// from the left without overlap, so "\\=" hides its "=" too.
std::size_t findUnescapedEquals(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '=')
            ++i;
        else if (line[i] == '=')
            return i;
    }
    return npos;
}

// Returns `key` with every "\=" turned into "=", scanning once.
std::string unescapeKey(std::string_view key) {
    std::string plain;
    plain.reserve(key.size());
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (key[i] == '\\' && i + 1 < key.size() && key[i + 1] == '=')
            ++i;
        plain.push_back(key[i]);
    }
    return plain;
}

// long is 32 bits on Windows, so fseek/ftell would stop short of 2 GiB there.
#ifdef _WIN32
int seekFile(std::FILE* file, std::int64_t offset, int origin) { return _fseeki64(file, offset, origin); }
std::int64_t tellFile(std::FILE* file) { return _ftelli64(file); }
#else
int seekFile(std::FILE* file, std::int64_t offset, int origin) { return fseeko(file, offset, origin); }
std::int64_t tellFile(std::FILE* file) { return ftello(file); }
#endif

// Reads at most `limit` bytes in chunks through `read`, stopping early at end
// or failure, so a size the source cannot back (a directory, a shrinking
// file) never becomes one huge allocation.
template <class Read>
std::string readUpTo(Read read, std::int64_t limit) {
    constexpr std::int64_t kChunk = std::int64_t{1} << 20;
    std::string bytes;
    while (limit > 0) {
        const std::int64_t want = std::min(limit, kChunk);
        const std::size_t had = bytes.size();
        bytes.resize(had + static_cast<std::size_t>(want));
        const std::size_t got = read(bytes.data() + had, static_cast<std::size_t>(want));
        bytes.resize(had + got);
        if (static_cast<std::int64_t>(got) < want)
            break;
        limit -= want;
    }
    return bytes;
}

// The entry stored under the normalised `name`, appended with an empty value
// first when absent; index and list stay in step even when an append throws.
template <class Value>
Value& findOrAppend(std::vector<std::pair<std::string, Value>>& entries,
                    std::unordered_map<std::string, std::size_t>& index, std::string_view name) {
    std::string key = normaliseIniName(name);
    if (const auto found = index.find(key); found != index.end())
        return entries[found->second].second;
    entries.emplace_back(key, Value{});
    try {
        index.emplace(std::move(key), entries.size() - 1);
    } catch (...) {
        entries.pop_back();
        throw;
    }
    return entries.back().second;
}

}  // namespace

void trimWhitespace(std::string& text) {
    const std::size_t last = text.find_last_not_of(kWhitespace);
    if (last == npos) {
        text.clear();
        return;
    }
    text.erase(last + 1);
    text.erase(0, text.find_first_not_of(kWhitespace));
}

std::string normaliseIniName(std::string_view name) {
    std::string normalised(name);
    trimWhitespace(normalised);
    for (char& byte : normalised)
        byte = lowerAscii(byte);
    return normalised;
}

IniLineKind parseIniLine(std::string line, IniKeyValue& out) {
    std::size_t valueAt;  // not needed here
    return parseIniLineAt(std::move(line), out, valueAt);
}

IniLineKind parseIniLineAt(std::string line, IniKeyValue& out, std::size_t& valueAt) {
    out.key.clear();
    out.value.clear();
    const std::size_t lead = std::min(line.find_first_not_of(kWhitespace), line.size());
    trimWhitespace(line);
    if (line.empty())
        return IniLineKind::Blank;
    if (line.front() == ';')
        return IniLineKind::Comment;
    if (line.front() == '[') {
        if (const std::size_t semicolon = line.find(';'); semicolon != npos)
            line.erase(semicolon);
        // The name runs to the last "]", so an earlier one belongs to it.
        if (const std::size_t close = line.rfind(']'); close != npos) {
            out.key.assign(line, 1, close - 1);
            trimWhitespace(out.key);
            return IniLineKind::SectionHeader;
        }
    }
    const std::size_t equals = findUnescapedEquals(line);
    if (equals == npos)
        return IniLineKind::Unrecognised;
    std::string key = line.substr(0, equals);
    trimWhitespace(key);
    out.key = unescapeKey(key);
    // Values keep "\=" as written; only keys are unescaped.
    out.value.assign(line, equals + 1);
    const std::size_t blanks = out.value.find_first_not_of(kWhitespace);
    trimWhitespace(out.value);
    valueAt = lead + equals + 1 + (out.value.empty() ? 0 : blanks);
    return IniLineKind::KeyValue;
}

bool startsWithByteOrderMark(std::string_view bytes) {
    return bytes.substr(0, 3) == "\xEF\xBB\xBF";
}

std::size_t readIniLineAt(std::string_view bytes, std::size_t start, std::string& line,
                          std::vector<std::size_t>* dropped) {
    const std::size_t end = bytes.find('\n', start);
    const std::size_t stop = end == npos ? bytes.size() : end;
    line.reserve(line.size() + (stop - start));
    // Runs between the dropped bytes are appended whole: a byte at a time
    // costs a call each where the compiler does not inline it (WebAssembly).
    for (std::size_t i = start; i < stop;) {
        std::size_t run = i;
        while (run < stop && bytes[run] != '\r' && bytes[run] != '\0')
            ++run;
        line.append(bytes.data() + i, run - i);
        if (run < stop && dropped != nullptr)
            dropped->push_back(run);
        i = run + 1;
    }
    return end;
}

std::vector<std::string> splitIniLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        std::string line;
        const std::size_t end = readIniLineAt(bytes, start, line);
        lines.push_back(std::move(line));
        if (end == npos)
            return lines;
        start = end + 1;
    }
}

bool IniSection::hasKey(std::string_view key) const {
    return index_.count(normaliseIniName(key)) != 0;
}

std::string IniSection::getValue(std::string_view key) const {
    const auto found = index_.find(normaliseIniName(key));
    return found == index_.end() ? std::string{} : entries_[found->second].second;
}

std::string& IniSection::valueFor(std::string_view key) {
    return findOrAppend(entries_, index_, key);
}

void IniDocument::clear() {
    entries_.clear();
    index_.clear();
}

bool IniDocument::hasSection(std::string_view name) const {
    return index_.count(normaliseIniName(name)) != 0;
}

IniSection IniDocument::getSection(std::string_view name) const {
    const auto found = index_.find(normaliseIniName(name));
    return found == index_.end() ? IniSection{} : entries_[found->second].second;
}

IniSection& IniDocument::sectionFor(std::string_view name) {
    return findOrAppend(entries_, index_, name);
}

IniReader::IniReader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}

IniReader IniReader::fromBytes(std::string_view bytes) { return IniReader(Bytes{bytes, 0}); }

std::int64_t IniReader::sizeOfSource() {
    if (bytes_)
        return static_cast<std::int64_t>(bytes_->data.size());
    return seekFile(file_.get(), 0, SEEK_END) == 0 ? tellFile(file_.get()) : -1;
}

bool IniReader::seekTo(std::int64_t offset) {
    if (bytes_) {
        bytes_->at = offset;
        return true;
    }
    return seekFile(file_.get(), offset, SEEK_SET) == 0;
}

std::size_t IniReader::readSome(char* into, std::size_t count) {
    if (!bytes_)
        return std::fread(into, 1, count, file_.get());
    const std::string_view data = bytes_->data;
    const std::size_t at = static_cast<std::size_t>(std::min<std::int64_t>(bytes_->at, data.size()));
    const std::size_t n = std::min(count, data.size() - at);
    std::memcpy(into, data.data() + at, n);
    bytes_->at += static_cast<std::int64_t>(n);
    return n;
}

std::vector<std::string> IniReader::readIniLines() {
    if (!isOpen())
        return {};
    // An unknown size (-1) reads nothing, like an empty file.
    const std::int64_t size = sizeOfSource();
    std::string bytes;
    if (size > 0) {
        bool byteOrderMark = false;
        if (size >= 3 && seekTo(0)) {
            char mark[3] = {};
            byteOrderMark = startsWithByteOrderMark({mark, readSome(mark, 3)});
        }
        if (seekTo(byteOrderMark ? 3 : 0))
            bytes = readUpTo([this](char* into, std::size_t count) { return readSome(into, count); }, size);
    }
    file_.reset();
    bytes_.reset();
    if (size <= 0)
        return {};
    // Bytes the size promised but the read did not deliver would be zeros,
    // which the split drops anyway.
    return splitIniLines(bytes);
}

bool IniReader::parseInto(IniDocument& doc) {
    if (!isOpen())
        return false;
    std::vector<std::string> lines = readIniLines();
    // Only a header inserts into `doc`, so the pointer stays valid between headers.
    IniSection* current = nullptr;
    IniKeyValue parsed;
    for (std::string& line : lines) {
        switch (parseIniLine(std::move(line), parsed)) {
        case IniLineKind::SectionHeader:
            current = &doc.sectionFor(parsed.key);
            break;
        case IniLineKind::KeyValue:
            if (current != nullptr)
                current->valueFor(parsed.key) = std::move(parsed.value);
            break;
        default:
            break;
        }
    }
    return true;
}

bool loadIniFile(const std::string& path, IniDocument& doc) {
    doc.clear();
    if (path.empty())
        return false;
    IniReader reader(path);
    return reader.parseInto(doc);
}

void loadIniText(std::string_view bytes, IniDocument& doc) {
    doc.clear();
    IniReader reader = IniReader::fromBytes(bytes);
    reader.parseInto(doc);
}
