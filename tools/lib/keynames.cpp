#include "tools/lib/keynames.h"

#include <array>
#include <cctype>
#include <charconv>

namespace {

struct Named {
    std::uint32_t code;
    const char* name;
    const char* hint;
};

// Fixed names; letters, digits, F-keys and numpad digits are made on the fly.
constexpr Named kNamed[] = {
    {0x03, "CANCEL", ""}, {0x08, "BACK", "Backspace"}, {0x09, "TAB", ""}, {0x0C, "CLEAR", ""},
    {0x0D, "RETURN", "Enter"}, {0x10, "SHIFT", ""}, {0x11, "CONTROL", "Ctrl"},
    {0x12, "MENU", "Alt"}, {0x13, "PAUSE", ""}, {0x14, "CAPITAL", "Caps Lock"},
    {0x15, "KANA", ""}, {0x17, "JUNJA", ""}, {0x18, "FINAL", ""}, {0x19, "KANJI", ""},
    {0x1B, "ESCAPE", "Esc"}, {0x1C, "CONVERT", ""}, {0x1D, "NONCONVERT", ""},
    {0x1E, "ACCEPT", ""}, {0x1F, "MODECHANGE", ""}, {0x20, "SPACE", ""},
    {0x21, "PRIOR", "Page Up"}, {0x22, "NEXT", "Page Down"}, {0x23, "END", ""},
    {0x24, "HOME", ""}, {0x25, "LEFT", "left arrow"}, {0x26, "UP", "up arrow"},
    {0x27, "RIGHT", "right arrow"}, {0x28, "DOWN", "down arrow"}, {0x29, "SELECT", ""},
    {0x2A, "PRINT", ""}, {0x2B, "EXECUTE", ""}, {0x2C, "SNAPSHOT", "Print Screen"},
    {0x2D, "INSERT", ""}, {0x2E, "DELETE", ""}, {0x2F, "HELP", ""},
    {0x5B, "LWIN", "left Windows key"}, {0x5C, "RWIN", "right Windows key"},
    {0x5D, "APPS", "menu key"}, {0x5F, "SLEEP", ""},
    {0x6A, "MULTIPLY", "numpad *"}, {0x6B, "ADD", "numpad +"}, {0x6C, "SEPARATOR", ""},
    {0x6D, "SUBTRACT", "numpad -"}, {0x6E, "DECIMAL", "numpad ."}, {0x6F, "DIVIDE", "numpad /"},
    {0x90, "NUMLOCK", "Num Lock"}, {0x91, "SCROLL", "Scroll Lock"},
    {0xA0, "LSHIFT", ""}, {0xA1, "RSHIFT", ""}, {0xA2, "LCONTROL", ""}, {0xA3, "RCONTROL", ""},
    {0xA4, "LMENU", "left Alt"}, {0xA5, "RMENU", "right Alt"},
    {0xA6, "BROWSER_BACK", ""}, {0xA7, "BROWSER_FORWARD", ""}, {0xA8, "BROWSER_REFRESH", ""},
    {0xA9, "BROWSER_STOP", ""}, {0xAA, "BROWSER_SEARCH", ""}, {0xAB, "BROWSER_FAVORITES", ""},
    {0xAC, "BROWSER_HOME", ""}, {0xAD, "VOLUME_MUTE", ""}, {0xAE, "VOLUME_DOWN", ""},
    {0xAF, "VOLUME_UP", ""}, {0xB0, "MEDIA_NEXT_TRACK", ""}, {0xB1, "MEDIA_PREV_TRACK", ""},
    {0xB2, "MEDIA_STOP", ""}, {0xB3, "MEDIA_PLAY_PAUSE", ""}, {0xB4, "LAUNCH_MAIL", ""},
    {0xB5, "LAUNCH_MEDIA_SELECT", ""}, {0xB6, "LAUNCH_APP1", ""}, {0xB7, "LAUNCH_APP2", ""},
    {0xBA, "OEM_1", "; : on US keyboards"}, {0xBB, "OEM_PLUS", "= +"},
    {0xBC, "OEM_COMMA", ", <"}, {0xBD, "OEM_MINUS", "- _"}, {0xBE, "OEM_PERIOD", ". >"},
    {0xBF, "OEM_2", "/ ? on US keyboards"}, {0xC0, "OEM_3", "` ~ on US keyboards"},
    {0xDB, "OEM_4", "[ { on US keyboards"}, {0xDC, "OEM_5", "\\ | on US keyboards"},
    {0xDD, "OEM_6", "] } on US keyboards"}, {0xDE, "OEM_7", "' \" on US keyboards"},
    {0xDF, "OEM_8", ""}, {0xE2, "OEM_102", "< > beside left Shift on some keyboards"},
    {0xE5, "PROCESSKEY", ""}, {0xE7, "PACKET", ""}, {0xF6, "ATTN", ""}, {0xF7, "CRSEL", ""},
    {0xF8, "EXSEL", ""}, {0xF9, "EREOF", ""}, {0xFA, "PLAY", ""}, {0xFB, "ZOOM", ""},
    {0xFC, "NONAME", ""}, {0xFD, "PA1", ""}, {0xFE, "OEM_CLEAR", ""},
};

// Mouse buttons have codes as well; the third field is the button as a
// sentence names it, and its hint is that without "the".
constexpr Named kMouseButtons[] = {
    {0x01, "LBUTTON", "the left mouse button"}, {0x02, "RBUTTON", "the right mouse button"},
    {0x04, "MBUTTON", "the middle mouse button"}, {0x05, "XBUTTON1", "mouse button 4"},
    {0x06, "XBUTTON2", "mouse button 5"},
};

struct Alias {
    const char* alias;
    std::uint32_t code;
};
constexpr Alias kAliases[] = {
    {"ESC", 0x1B}, {"ENTER", 0x0D}, {"BACKSPACE", 0x08}, {"CTRL", 0x11}, {"ALT", 0x12},
    {"CAPSLOCK", 0x14}, {"PAGEUP", 0x21}, {"PGUP", 0x21}, {"PAGEDOWN", 0x22}, {"PGDN", 0x22},
    {"DEL", 0x2E}, {"INS", 0x2D}, {"PRINTSCREEN", 0x2C}, {"SCROLLLOCK", 0x91},
    {"TILDE", 0xC0}, {"BACKQUOTE", 0xC0}, {"`", 0xC0}, {"~", 0xC0},
};

// Every code a byte can hold, watched or not.
constexpr std::size_t kCodeCount = 256;

// Names made from a range: storage for their text.
struct RangeNames {
    std::array<std::string, kCodeCount> names;
    RangeNames() {
        for (int c = '0'; c <= '9'; ++c) names[c] = std::string(1, static_cast<char>(c));
        for (int c = 'A'; c <= 'Z'; ++c) names[c] = std::string(1, static_cast<char>(c));
        for (int i = 0; i <= 9; ++i) names[0x60 + i] = std::string("NUMPAD").append(std::to_string(i));
        for (int i = 1; i <= 24; ++i) names[0x6F + i] = std::string("F").append(std::to_string(i));
        for (const Named& n : kNamed) names[n.code] = n.name;
        for (const Named& n : kMouseButtons) names[n.code] = n.name;
    }
};

const RangeNames& table() {
    static const RangeNames t;
    return t;
}

}  // namespace

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string_view keyName(std::int64_t code) {
    if (code < 0 || code >= static_cast<std::int64_t>(kCodeCount)) return {};
    return table().names[static_cast<std::size_t>(code)];
}

std::string_view keyHint(std::int64_t code) {
    for (const Named& n : kNamed)
        if (n.code == code) return n.hint;
    std::string_view hint = mouseButton(code);
    if (hint.starts_with("the ")) hint.remove_prefix(4);
    return hint;
}

std::string_view mouseButton(std::int64_t code) {
    for (const Named& n : kMouseButtons)
        if (n.code == code) return n.hint;
    return {};
}

std::string describeKey(std::int64_t code) {
    std::string out = std::to_string(code);
    const std::string_view name = keyName(code);
    if (name.empty()) return out + " (no key)";
    out += " (";
    out += name;
    const std::string_view hint = keyHint(code);
    if (!hint.empty()) {
        out += ", ";
        out += hint;
    }
    return out + ")";
}

std::optional<std::uint32_t> parseKey(std::string_view text) {
    if (text.empty()) return std::nullopt;
    if (std::isdigit(static_cast<unsigned char>(text[0]))) {
        int base = 10;
        if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            base = 16;
            text.remove_prefix(2);
        }
        // A lone digit is also the name of a digit key; as a code it wins.
        std::uint32_t code = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), code, base);
        if (ec != std::errc{} || end != text.data() + text.size() || !isWatchedKey(code)) return std::nullopt;
        return code;
    }
    std::string name = upper(text);
    if (name.rfind("VK_", 0) == 0) name.erase(0, 3);
    for (const Alias& a : kAliases)
        if (name == a.alias) return a.code;
    const auto& names = table().names;
    for (std::uint32_t c = 1; c < KEY_TABLE_SIZE; ++c)
        if (names[c] == name) return c;
    return std::nullopt;
}
