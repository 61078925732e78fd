#include "tools/lib/keynames.h"

#include <array>
#include <cctype>
#include <charconv>

#include "tools/lib/messages.h"

namespace {

struct Named {
    std::uint32_t code;
    const char* name;
    const char* hint = nullptr;  // the hint's message id
    const char* keys = nullptr;  // the symbols on the key: the hint's {keys}, or the hint itself
};

// Fixed names; letters, digits, F-keys and numpad digits are made on the fly.
// A hint names the key as its cap reads, for keys whose name does not say
// where they are.
constexpr Named kNamed[] = {
    {0x03, "CANCEL"}, {0x08, "BACK", "key.hint.backspace"}, {0x09, "TAB"}, {0x0C, "CLEAR"},
    {0x0D, "RETURN", "key.hint.enter"}, {0x10, "SHIFT"}, {0x11, "CONTROL", "key.hint.ctrl"},
    {0x12, "MENU", "key.hint.alt"}, {0x13, "PAUSE"}, {0x14, "CAPITAL", "key.hint.caps_lock"}, {0x15, "KANA"},
    {0x17, "JUNJA"}, {0x18, "FINAL"}, {0x19, "KANJI"}, {0x1B, "ESCAPE", "key.hint.esc"}, {0x1C, "CONVERT"},
    {0x1D, "NONCONVERT"}, {0x1E, "ACCEPT"}, {0x1F, "MODECHANGE"}, {0x20, "SPACE"},
    {0x21, "PRIOR", "key.hint.page_up"}, {0x22, "NEXT", "key.hint.page_down"}, {0x23, "END"}, {0x24, "HOME"},
    {0x25, "LEFT", "key.hint.left_arrow"}, {0x26, "UP", "key.hint.up_arrow"}, {0x27, "RIGHT", "key.hint.right_arrow"},
    {0x28, "DOWN", "key.hint.down_arrow"}, {0x29, "SELECT"}, {0x2A, "PRINT"}, {0x2B, "EXECUTE"},
    {0x2C, "SNAPSHOT", "key.hint.print_screen"}, {0x2D, "INSERT"}, {0x2E, "DELETE"}, {0x2F, "HELP"},
    {0x5B, "LWIN", "key.hint.left_windows"}, {0x5C, "RWIN", "key.hint.right_windows"},
    {0x5D, "APPS", "key.hint.menu"}, {0x5F, "SLEEP"}, {0x6A, "MULTIPLY", "key.hint.numpad", "*"},
    {0x6B, "ADD", "key.hint.numpad", "+"}, {0x6C, "SEPARATOR"}, {0x6D, "SUBTRACT", "key.hint.numpad", "-"},
    {0x6E, "DECIMAL", "key.hint.numpad", "."}, {0x6F, "DIVIDE", "key.hint.numpad", "/"},
    {0x90, "NUMLOCK", "key.hint.num_lock"}, {0x91, "SCROLL", "key.hint.scroll_lock"}, {0xA0, "LSHIFT"},
    {0xA1, "RSHIFT"}, {0xA2, "LCONTROL"}, {0xA3, "RCONTROL"}, {0xA4, "LMENU", "key.hint.left_alt"},
    {0xA5, "RMENU", "key.hint.right_alt"}, {0xA6, "BROWSER_BACK"}, {0xA7, "BROWSER_FORWARD"},
    {0xA8, "BROWSER_REFRESH"}, {0xA9, "BROWSER_STOP"}, {0xAA, "BROWSER_SEARCH"}, {0xAB, "BROWSER_FAVORITES"},
    {0xAC, "BROWSER_HOME"}, {0xAD, "VOLUME_MUTE"}, {0xAE, "VOLUME_DOWN"}, {0xAF, "VOLUME_UP"},
    {0xB0, "MEDIA_NEXT_TRACK"}, {0xB1, "MEDIA_PREV_TRACK"}, {0xB2, "MEDIA_STOP"}, {0xB3, "MEDIA_PLAY_PAUSE"},
    {0xB4, "LAUNCH_MAIL"}, {0xB5, "LAUNCH_MEDIA_SELECT"}, {0xB6, "LAUNCH_APP1"}, {0xB7, "LAUNCH_APP2"},
    {0xBA, "OEM_1", "key.hint.us_keyboards", "; :"}, {0xBB, "OEM_PLUS", nullptr, "= +"},
    {0xBC, "OEM_COMMA", nullptr, ", <"}, {0xBD, "OEM_MINUS", nullptr, "- _"}, {0xBE, "OEM_PERIOD", nullptr, ". >"},
    {0xBF, "OEM_2", "key.hint.us_keyboards", "/ ?"}, {0xC0, "OEM_3", "key.hint.us_keyboards", "` ~"},
    {0xDB, "OEM_4", "key.hint.us_keyboards", "[ {"}, {0xDC, "OEM_5", "key.hint.us_keyboards", "\\ |"},
    {0xDD, "OEM_6", "key.hint.us_keyboards", "] }"}, {0xDE, "OEM_7", "key.hint.us_keyboards", "' \""}, {0xDF, "OEM_8"},
    {0xE2, "OEM_102", "key.hint.beside_left_shift", "< >"}, {0xE5, "PROCESSKEY"}, {0xE7, "PACKET"}, {0xF6, "ATTN"},
    {0xF7, "CRSEL"}, {0xF8, "EXSEL"}, {0xF9, "EREOF"}, {0xFA, "PLAY"}, {0xFB, "ZOOM"}, {0xFC, "NONAME"},
    {0xFD, "PA1"}, {0xFE, "OEM_CLEAR"},
};

// Mouse buttons have codes as well: each as a sentence names it and as its
// hint; buttons 4 and 5 by their number.
struct Button {
    std::uint32_t code;
    const char* name;
    const char* sentence;
    const char* hint;
    const char* number;
};
constexpr Button kMouseButtons[] = {
    {0x01, "LBUTTON", "key.mouse.left", "key.hint.mouse_left", ""},
    {0x02, "RBUTTON", "key.mouse.right", "key.hint.mouse_right", ""},
    {0x04, "MBUTTON", "key.mouse.middle", "key.hint.mouse_middle", ""},
    {0x05, "XBUTTON1", "key.mouse.numbered", "key.hint.mouse_numbered", "4"},
    {0x06, "XBUTTON2", "key.mouse.numbered", "key.hint.mouse_numbered", "5"},
};

const Button* mouseButtonOf(std::int64_t code) {
    for (const Button& b : kMouseButtons)
        if (b.code == code) return &b;
    return nullptr;
}

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
        for (const Button& b : kMouseButtons) names[b.code] = b.name;
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

std::string keyHint(std::int64_t code) {
    for (const Named& n : kNamed) {
        if (n.code != code) continue;
        if (n.hint) return tr(n.hint, {{"keys", n.keys ? n.keys : ""}});
        return n.keys ? n.keys : "";
    }
    if (const Button* b = mouseButtonOf(code)) return tr(b->hint, {{"number", b->number}});
    return {};
}

std::string mouseButton(std::int64_t code) {
    if (const Button* b = mouseButtonOf(code)) return tr(b->sentence, {{"number", b->number}});
    return {};
}

std::string describeKey(std::int64_t code) {
    const std::string_view name = keyName(code);
    if (name.empty()) return tr("key.no_key", {{"key", std::to_string(code)}});
    std::string out = std::to_string(code) + " (";
    out += name;
    const std::string hint = keyHint(code);
    if (!hint.empty()) out += ", " + hint;
    return out + ")";
}

std::string playerKeyText(std::int64_t code) {
    const std::string_view name = keyName(code);
    if (name.empty()) return tr("key.no_key", {{"key", std::to_string(code)}});
    const std::string hint = keyHint(code);
    return std::to_string(code) + " (" + (hint.empty() ? std::string(name) : hint) + ")";
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
