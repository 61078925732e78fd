#include "tools/lib/keynames.h"

#include <array>
#include <cctype>
#include <charconv>

#include "tools/lib/messages.h"

namespace {

struct Named {
    std::uint32_t code;
    const char* name;
    const char* words = nullptr;  // the message naming the key for a player; none: few keyboards have it
    const char* keys = nullptr;   // the words' {keys}: a keypad key's symbol
};

// Fixed names; letters, digits, F-keys and numpad digits are made on the fly.
// The words name a key as its cap reads in the player's language; the
// key.layout ones as the language's usual keyboard layout puts the code, for
// codes that each layout gives to other keys.
constexpr Named kNamed[] = {
    {0x03, "CANCEL", "key.hint.break"}, {0x08, "BACK", "key.hint.backspace"}, {0x09, "TAB", "key.hint.tab"},
    {0x0C, "CLEAR", "key.hint.clear"}, {0x0D, "RETURN", "key.hint.enter"}, {0x10, "SHIFT", "key.hint.shift"},
    {0x11, "CONTROL", "key.hint.ctrl"}, {0x12, "MENU", "key.hint.alt"}, {0x13, "PAUSE", "key.hint.pause"},
    {0x14, "CAPITAL", "key.hint.caps_lock"}, {0x15, "KANA"}, {0x17, "JUNJA"}, {0x18, "FINAL"}, {0x19, "KANJI"},
    {0x1B, "ESCAPE", "key.hint.esc"}, {0x1C, "CONVERT"}, {0x1D, "NONCONVERT"}, {0x1E, "ACCEPT"}, {0x1F, "MODECHANGE"},
    {0x20, "SPACE", "key.hint.space"}, {0x21, "PRIOR", "key.hint.page_up"}, {0x22, "NEXT", "key.hint.page_down"},
    {0x23, "END", "key.hint.end"}, {0x24, "HOME", "key.hint.home"}, {0x25, "LEFT", "key.hint.left_arrow"},
    {0x26, "UP", "key.hint.up_arrow"}, {0x27, "RIGHT", "key.hint.right_arrow"}, {0x28, "DOWN", "key.hint.down_arrow"},
    {0x29, "SELECT"}, {0x2A, "PRINT"}, {0x2B, "EXECUTE"}, {0x2C, "SNAPSHOT", "key.hint.print_screen"},
    {0x2D, "INSERT", "key.hint.insert"}, {0x2E, "DELETE", "key.hint.delete"}, {0x2F, "HELP"},
    {0x5B, "LWIN", "key.hint.left_windows"}, {0x5C, "RWIN", "key.hint.right_windows"}, {0x5D, "APPS", "key.hint.menu"},
    {0x5F, "SLEEP", "key.hint.sleep"}, {0x6A, "MULTIPLY", "key.hint.numpad", "*"}, {0x6B, "ADD", "key.hint.numpad", "+"},
    {0x6C, "SEPARATOR"}, {0x6D, "SUBTRACT", "key.hint.numpad", "-"}, {0x6E, "DECIMAL", "key.hint.numpad", "."},
    {0x6F, "DIVIDE", "key.hint.numpad", "/"}, {0x90, "NUMLOCK", "key.hint.num_lock"},
    {0x91, "SCROLL", "key.hint.scroll_lock"}, {0xA0, "LSHIFT", "key.hint.left_shift"},
    {0xA1, "RSHIFT", "key.hint.right_shift"}, {0xA2, "LCONTROL", "key.hint.left_ctrl"},
    {0xA3, "RCONTROL", "key.hint.right_ctrl"}, {0xA4, "LMENU", "key.hint.left_alt"}, {0xA5, "RMENU", "key.hint.right_alt"},
    {0xA6, "BROWSER_BACK", "key.hint.browser_back"}, {0xA7, "BROWSER_FORWARD", "key.hint.browser_forward"},
    {0xA8, "BROWSER_REFRESH", "key.hint.browser_refresh"}, {0xA9, "BROWSER_STOP", "key.hint.browser_stop"},
    {0xAA, "BROWSER_SEARCH", "key.hint.browser_search"}, {0xAB, "BROWSER_FAVORITES", "key.hint.browser_favorites"},
    {0xAC, "BROWSER_HOME", "key.hint.browser_home"}, {0xAD, "VOLUME_MUTE", "key.hint.volume_mute"},
    {0xAE, "VOLUME_DOWN", "key.hint.volume_down"}, {0xAF, "VOLUME_UP", "key.hint.volume_up"},
    {0xB0, "MEDIA_NEXT_TRACK", "key.hint.media_next"}, {0xB1, "MEDIA_PREV_TRACK", "key.hint.media_previous"},
    {0xB2, "MEDIA_STOP", "key.hint.media_stop"}, {0xB3, "MEDIA_PLAY_PAUSE", "key.hint.media_play_pause"},
    {0xB4, "LAUNCH_MAIL", "key.hint.launch_mail"}, {0xB5, "LAUNCH_MEDIA_SELECT", "key.hint.launch_media"},
    {0xB6, "LAUNCH_APP1", "key.hint.launch_app1"}, {0xB7, "LAUNCH_APP2", "key.hint.launch_app2"},
    {0xBA, "OEM_1", "key.layout.186"}, {0xBB, "OEM_PLUS", "key.layout.187"}, {0xBC, "OEM_COMMA", "key.layout.188"},
    {0xBD, "OEM_MINUS", "key.layout.189"}, {0xBE, "OEM_PERIOD", "key.layout.190"}, {0xBF, "OEM_2", "key.layout.191"},
    {0xC0, "OEM_3", "key.layout.192"}, {0xC1, "ABNT_C1", "key.layout.193"}, {0xC2, "ABNT_C2", "key.layout.194"},
    {0xDB, "OEM_4", "key.layout.219"}, {0xDC, "OEM_5", "key.layout.220"}, {0xDD, "OEM_6", "key.layout.221"},
    {0xDE, "OEM_7", "key.layout.222"}, {0xDF, "OEM_8", "key.layout.223"}, {0xE2, "OEM_102", "key.layout.226"},
    {0xE5, "PROCESSKEY"}, {0xE7, "PACKET"}, {0xF6, "ATTN"}, {0xF7, "CRSEL"}, {0xF8, "EXSEL"}, {0xF9, "EREOF"},
    {0xFA, "PLAY"}, {0xFB, "ZOOM"}, {0xFC, "NONAME"}, {0xFD, "PA1"}, {0xFE, "OEM_CLEAR"},
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

// Each code's name and words; the names made from a range stored here.
struct Key {
    std::string name;
    const char* words = nullptr;  // as Named's
    std::string keys;
    bool cap = false;  // the name is what the cap reads: a letter, a digit, an F-key
};

struct KeyTable {
    std::array<Key, kCodeCount> keys;
    KeyTable() {
        for (int c = '0'; c <= '9'; ++c) keys[c] = {std::string(1, static_cast<char>(c)), nullptr, {}, true};
        for (int c = 'A'; c <= 'Z'; ++c) keys[c] = {std::string(1, static_cast<char>(c)), nullptr, {}, true};
        for (int i = 0; i <= 9; ++i)
            keys[0x60 + i] = {std::string("NUMPAD").append(std::to_string(i)), "key.hint.numpad", std::to_string(i)};
        for (int i = 1; i <= 24; ++i) keys[0x6F + i] = {std::string("F").append(std::to_string(i)), nullptr, {}, true};
        for (const Named& n : kNamed) keys[n.code] = {n.name, n.words, n.keys ? n.keys : ""};
        for (const Button& b : kMouseButtons) keys[b.code] = {b.name, b.hint, {}};
    }
};

const KeyTable& table() {
    static const KeyTable t;
    return t;
}

const Key* keyOf(std::int64_t code) {
    if (code < 0 || code >= static_cast<std::int64_t>(kCodeCount)) return nullptr;
    const Key& k = table().keys[static_cast<std::size_t>(code)];
    return k.name.empty() ? nullptr : &k;
}

}  // namespace

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string_view keyName(std::int64_t code) {
    const Key* k = keyOf(code);
    return k ? std::string_view(k->name) : std::string_view();
}

std::string keyWords(std::int64_t code) {
    const Key* k = keyOf(code);
    if (!k) return {};
    if (k->cap) return k->name;
    if (const Button* b = mouseButtonOf(code)) return tr(b->hint, {{"number", b->number}});
    if (k->words) return tr(k->words, {{"keys", k->keys}});
    return tr("key.rare");
}

bool isCommonKey(std::int64_t code) {
    const Key* k = keyOf(code);
    return k && (k->cap || k->words);
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
    const std::string words = keyWords(code);
    if (words != name) out += ", " + words;
    return out + ")";
}

std::string playerKeyText(std::int64_t code) {
    if (keyName(code).empty()) return tr("key.no_key", {{"key", std::to_string(code)}});
    return std::to_string(code) + " (" + keyWords(code) + ")";
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
    const auto& keys = table().keys;
    for (std::uint32_t c = 1; c < KEY_TABLE_SIZE; ++c)
        if (keys[c].name == name) return c;
    return std::nullopt;
}
