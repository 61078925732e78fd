// Edits a settings file as a careful player would by hand: one setting's
// value changes and every other byte stays (comments, order, other sections,
// line ends, the byte-order mark). Positions come from the plug-in's own
// reading of the bytes, so the line changed is the line the plug-in reads.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "config/settings.h"
#include "tools/lib/messages.h"

// What an edit or a typed value came to: the text, or the message saying
// why it was refused (a clause: the page goes on after it). A refusal is an
// answer, not a fault, so it is returned.
struct EditResult {
    std::string text;
    Message refusal;  // no id when `text` stands
    bool ok() const { return refusal.id.empty(); }
};

// `text` in double quotes for a message: its characters as they are, what
// cannot be shown (control bytes, bytes that are no UTF-8) as \xNN; cut after
// 40 bytes, which a word outside the quotes says.
std::string quotedValue(std::string_view text);

// The settings' section header as a file writes it: [SETTINGS].
std::string settingsSectionHeader();

// `text` as quotedValue shows it, without the quotes: a name from a file.
std::string shownText(std::string_view text);

// Whether the plug-in's parse for `kind` (Integer or Float) reads all of
// `text`, not only a leading part of it.
bool wholeNumber(std::string_view text, SettingKind kind);

// `value` as the plug-in's float parse reads it back bit for bit: the
// shortest such decimal with a point, "nan", "inf" and their negatives.
EditResult floatValueText(float value);

// A number as a player types it, trimmed, with a lone decimal comma taken as
// the point ("2,5" is meant as 2.5, not read as 2).
std::string typedNumberText(std::string_view typed);

// A finite number a player typed, read whole by the plug-in's float parse
// after typedNumberText; none otherwise.
std::optional<float> typedNumber(std::string_view typed);

// The text to write for `entry` from what a player typed: a whole number or a
// key name for the keys, a number (a decimal comma taken as a point) for the
// floats, true or false for the switches. Never clamped; refused for text
// the plug-in would not read as meant.
EditResult fieldValueText(const SettingEntry& entry, std::string_view typed);

// The text of `entry`'s value in `values`; refused for a float no text gives.
EditResult settingValueText(const SettingEntry& entry, const Settings& values);

// The line end an added line takes: LF when more lines end in LF alone than
// in CRLF, else CRLF.
std::string_view lineEndStyle(std::string_view bytes);

// `bytes` with the whole value of the line the plug-in reads for table key
// `key` replaced by `value`; a key the file lacks is added to [SETTINGS] (the
// section added at the end when missing), in the file's line-end style.
// Refused when the plug-in would not read `value` from the result.
EditResult setSettingValue(std::string_view bytes, std::size_t key, std::string_view value);

// A file with every setting at its default under [SETTINGS], Windows line ends.
std::string defaultsText();

// What a picked file holds, told before it is taken as text.
enum class FileKind { Text, Empty, Utf16LittleEndian, Utf16BigEndian, Binary };
struct FileLook {
    FileKind kind = FileKind::Text;
    std::size_t zeroBytes = 0;
};
FileLook lookAtBytes(std::string_view bytes);
