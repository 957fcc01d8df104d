#include "sim/state_file.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <span>
#include <stdexcept>
#include <tuple>
#include <type_traits>

#include "strings/hex.h"
#include "strings/text_codec.h"

namespace qx7::sim {
namespace {

using Json = nlohmann::json;
using OrderedJson = nlohmann::ordered_json;

// A problem in the file; `what` names the key and the fault.
class StateFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& path, const std::string& problem) {
    throw StateFileError(path + ": " + problem);
}

constexpr std::size_t kCdbPrefixMax = 16;

// ---- text forms -----------------------------------------------------------

// Passwords are bytes; the file shows each byte as the character with that
// code point (Latin-1), so any byte survives as valid JSON text.
std::string BytesToUtf8(const std::string& bytes) {
    return strings::ToUtf8(
        strings::FromLatin1(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
}

// The inverse; nothing for a character above U+00FF.
std::optional<std::string> Utf8ToBytes(const std::string& text) { return strings::ToLatin1(strings::FromUtf8(text)); }

// The text forms of the two choices in the file.
template <typename Enum>
struct Named {
    Enum value;
    const char* name;
};
constexpr Named<UnlockMode> kUnlockModes[] = {
    {UnlockMode::Admin, "admin"}, {UnlockMode::User, "user"}, {UnlockMode::Locked, "locked"}};
constexpr Named<SimFault::Mode> kFaultModes[] = {{SimFault::Mode::Check, "check"}, {SimFault::Mode::Io, "io"}};

template <typename Enum, std::size_t N>
const char* NameOf(Enum value, const Named<Enum> (&names)[N]) {
    for (const auto& named : names) {
        if (named.value == value) return named.name;
    }
    return names[0].name;
}

std::string UsbId(std::uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", unsigned{id});
    return text;
}

// ---- reading --------------------------------------------------------------

std::string Indexed(const std::string& path, std::size_t index) { return path + "[" + std::to_string(index) + "]"; }

bool ReadBool(const Json& v, const std::string& path) {
    if (!v.is_boolean()) Fail(path, "expected true or false");
    return v.get<bool>();
}

std::string ReadString(const Json& v, const std::string& path) {
    if (!v.is_string()) Fail(path, "expected a string");
    return v.get<std::string>();
}

const Json& ReadList(const Json& v, const std::string& path) {
    if (!v.is_array()) Fail(path, "expected a list");
    return v;
}

long long ReadInteger(const Json& v, const std::string& path, long long min, long long max) {
    if (!v.is_number_integer()) Fail(path, "expected a whole number");
    const auto out_of_range = [&](const std::string& got) {
        Fail(path, "expected a number from " + std::to_string(min) + " to " + std::to_string(max) + ", got " + got);
    };
    // The parser keeps every value from 0 up as unsigned: one above the
    // largest signed value must not be read as a negative number.
    if (v.is_number_unsigned()) {
        const std::uint64_t value = v.get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(max) || (min > 0 && value < static_cast<std::uint64_t>(min))) {
            out_of_range(std::to_string(value));
        }
        return static_cast<long long>(value);
    }
    const std::int64_t value = v.get<std::int64_t>();
    if (value < min || value > max) out_of_range(std::to_string(value));
    return value;
}

template <std::size_t N>
std::array<std::uint8_t, N> ReadHex(const Json& v, const std::string& path) {
    const std::string text = ReadString(v, path);
    const auto bytes = strings::FromHex(text);
    if (!bytes || bytes->size() != N) {
        Fail(path, "expected " + std::to_string(2 * N) + " hex digits, got \"" + text + "\"");
    }
    std::array<std::uint8_t, N> out{};
    std::copy(bytes->begin(), bytes->end(), out.begin());
    return out;
}

template <typename Enum, std::size_t N>
Enum ReadChoice(const Json& v, const std::string& path, const Named<Enum> (&names)[N]) {
    const std::string text = ReadString(v, path);
    std::string expected;
    for (std::size_t i = 0; i < N; ++i) {
        if (text == names[i].name) return names[i].value;
        expected += (i == 0 ? "" : i + 1 == N ? " or " : ", ");
        expected += std::string("\"") + names[i].name + "\"";
    }
    Fail(path, "expected " + expected + ", got \"" + text + "\"");
}

// "0x" and one to four hex digits.
std::uint16_t ReadUsbId(const Json& v, const std::string& path) {
    const std::string expected = "expected a hex string such as \"0x230A\"";
    if (!v.is_string()) Fail(path, expected);
    const std::string text = v.get<std::string>();
    bool ok = text.size() > 2 && text.size() <= 6 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    unsigned value = 0;
    for (std::size_t i = 2; ok && i < text.size(); ++i) {
        const int digit = strings::HexDigitValue(text[i]);
        ok = digit >= 0;
        value = value << 4 | static_cast<unsigned>(ok ? digit : 0);
    }
    if (!ok) Fail(path, expected + ", got \"" + text + "\"");
    return static_cast<std::uint16_t>(value);
}

std::string ReadPassword(const Json& v, const std::string& path) {
    const auto bytes = Utf8ToBytes(ReadString(v, path));
    if (!bytes) Fail(path, "only characters U+0001 to U+00FF can be stored");
    if (bytes->size() > kSimPasswordMax) {
        Fail(path, "longer than " + std::to_string(kSimPasswordMax) + " characters");
    }
    if (bytes->find('\0') != std::string::npos) Fail(path, "contains a zero character");
    return *bytes;
}

template <typename Container>
Container ReadTags(const Json& v, const std::string& path) {
    const Json& list = ReadList(v, path);
    Container tags;
    for (std::size_t i = 0; i < list.size(); ++i) {
        tags.push_back(ReadHex<std::tuple_size_v<SimTag>>(list[i], Indexed(path, i)));
    }
    return tags;
}

// One JSON object: refuses keys it does not know and hands each present
// value, with its path, to a reader.
class ObjectReader {
public:
    ObjectReader(const Json& value, std::string path, std::initializer_list<const char*> keys)
        : object_(value), path_(std::move(path)) {
        if (!object_.is_object()) Fail(path_, "expected an object");
        for (const auto& item : object_.items()) {
            bool known = false;
            for (const char* key : keys) known = known || item.key() == key;
            if (!known) Fail(path_, "unknown key \"" + item.key() + "\"");
        }
    }

    // Calls read(value, path) when `key` is present.
    template <typename Read>
    void With(const char* key, Read read) const {
        const auto it = object_.find(key);
        if (it != object_.end()) read(*it, path_ + "." + key);
    }

private:
    const Json& object_;
    std::string path_;
};

SimFault ReadFault(const Json& v, const std::string& path) {
    const ObjectReader reader(v, path, {"cdb_prefix", "mode", "count"});
    SimFault fault;
    reader.With("cdb_prefix", [&](const Json& value, const std::string& at) {
        const std::string text = ReadString(value, at);
        const auto bytes = strings::FromHex(text);
        if (!bytes || bytes->size() > kCdbPrefixMax) {
            Fail(at, "expected up to 32 hex digits (whole bytes), got \"" + text + "\"");
        }
        fault.cdb_prefix = *bytes;
    });
    reader.With("mode",
                [&](const Json& value, const std::string& at) { fault.mode = ReadChoice(value, at, kFaultModes); });
    reader.With("count", [&](const Json& value, const std::string& at) {
        fault.count = static_cast<int>(ReadInteger(value, at, -1, 1000000000));
    });
    return fault;
}

SimDrive ReadDrive(const Json& v, std::size_t index) {
    const ObjectReader reader(
        v, Indexed("drives", index),
        {"plugged",        "device_id",     "vendor_id",   "product_id",  "manufacturer", "product",
         "serial_string",  "firmware",      "id_block",    "state_block", "has_cdrom",    "mode",
         "admin_password", "user_password", "rfid_reader", "languages",   "settings_hex", "tags",
         "reader_queue",   "faults",        "latency_ms",  "drops_writes"});
    SimDrive drive = DefaultDrive(index);
    const auto boolean = [&](const char* key, bool& out) {
        reader.With(key, [&](const Json& value, const std::string& at) { out = ReadBool(value, at); });
    };
    const auto text = [&](const char* key, std::string& out) {
        reader.With(key, [&](const Json& value, const std::string& at) { out = ReadString(value, at); });
    };
    const auto hex = [&](const char* key, auto& out) {
        reader.With(key, [&](const Json& value, const std::string& at) {
            out = ReadHex<std::tuple_size_v<std::remove_reference_t<decltype(out)>>>(value, at);
        });
    };
    const auto password = [&](const char* key, std::string& out) {
        reader.With(key, [&](const Json& value, const std::string& at) { out = ReadPassword(value, at); });
    };

    boolean("plugged", drive.plugged);
    hex("device_id", drive.device_id);
    reader.With("vendor_id", [&](const Json& value, const std::string& at) { drive.vendor_id = ReadUsbId(value, at); });
    reader.With("product_id",
                [&](const Json& value, const std::string& at) { drive.product_id = ReadUsbId(value, at); });
    text("manufacturer", drive.manufacturer);
    text("product", drive.product);
    text("serial_string", drive.serial_string);
    reader.With("firmware", [&](const Json& value, const std::string& at) {
        const Json& list = ReadList(value, at);
        if (list.size() != 2) Fail(at, "expected [major, minor]");
        for (std::size_t i = 0; i < 2; ++i) {
            drive.firmware[i] = static_cast<std::uint8_t>(ReadInteger(list[i], Indexed(at, i), 0, 255));
        }
    });
    hex("id_block", drive.id_block);
    hex("state_block", drive.state_block);
    boolean("has_cdrom", drive.has_cdrom);
    reader.With("mode",
                [&](const Json& value, const std::string& at) { drive.mode = ReadChoice(value, at, kUnlockModes); });
    password("admin_password", drive.admin_password);
    password("user_password", drive.user_password);
    boolean("rfid_reader", drive.rfid_reader);
    reader.With("languages", [&](const Json& value, const std::string& at) {
        const long long languages = ReadInteger(value, at, 0, 99);
        if (languages != 4 && languages != 6) {
            Fail(at, "expected 4 or 6, got " + std::to_string(languages));
        }
        drive.languages = static_cast<int>(languages);
    });
    hex("settings_hex", drive.settings);
    reader.With("tags", [&](const Json& value, const std::string& at) {
        drive.tags = ReadTags<std::vector<SimTag>>(value, at);
        if (drive.tags.size() > kSimStoredTagsMax) {
            Fail(at, "a drive stores at most " + std::to_string(kSimStoredTagsMax) + " tags");
        }
    });
    reader.With("reader_queue", [&](const Json& value, const std::string& at) {
        drive.reader_queue = ReadTags<std::deque<SimTag>>(value, at);
    });
    reader.With("faults", [&](const Json& value, const std::string& at) {
        const Json& list = ReadList(value, at);
        for (std::size_t i = 0; i < list.size(); ++i) {
            drive.faults.push_back(ReadFault(list[i], Indexed(at, i)));
        }
    });
    reader.With("latency_ms", [&](const Json& value, const std::string& at) {
        drive.latency_ms = static_cast<unsigned>(ReadInteger(value, at, 0, kSimLatencyMaxMs));
    });
    boolean("drops_writes", drive.drops_writes);
    return drive;
}

// ---- writing --------------------------------------------------------------

template <typename Container>
OrderedJson TagList(const Container& tags) {
    OrderedJson list = OrderedJson::array();
    for (const SimTag& tag : tags) list.push_back(strings::ToHex(tag));
    return list;
}

OrderedJson DriveJson(const SimDrive& drive) {
    OrderedJson j;
    j["plugged"] = drive.plugged;
    j["device_id"] = strings::ToHex(drive.device_id);
    j["vendor_id"] = UsbId(drive.vendor_id);
    j["product_id"] = UsbId(drive.product_id);
    j["manufacturer"] = drive.manufacturer;
    j["product"] = drive.product;
    j["serial_string"] = drive.serial_string;
    j["firmware"] = {drive.firmware[0], drive.firmware[1]};
    j["id_block"] = strings::ToHex(drive.id_block);
    j["state_block"] = strings::ToHex(drive.state_block);
    j["has_cdrom"] = drive.has_cdrom;
    j["mode"] = NameOf(drive.mode, kUnlockModes);
    j["admin_password"] = BytesToUtf8(drive.admin_password);
    j["user_password"] = BytesToUtf8(drive.user_password);
    j["rfid_reader"] = drive.rfid_reader;
    j["languages"] = drive.languages;
    j["settings_hex"] = strings::ToHex(drive.settings);
    j["tags"] = TagList(drive.tags);
    j["reader_queue"] = TagList(drive.reader_queue);
    OrderedJson faults = OrderedJson::array();
    for (const SimFault& fault : drive.faults) {
        OrderedJson f;
        f["cdb_prefix"] = strings::ToHex(fault.cdb_prefix);
        f["mode"] = NameOf(fault.mode, kFaultModes);
        f["count"] = fault.count;
        faults.push_back(std::move(f));
    }
    j["faults"] = std::move(faults);
    j["latency_ms"] = drive.latency_ms;
    j["drops_writes"] = drive.drops_writes;
    return j;
}

}  // namespace

std::optional<SimState> ParseStateFile(std::string_view text, std::string* error) {
    const auto fail = [error](const std::string& message) {
        if (error) *error = message;
        return std::nullopt;
    };
    // Every fault of the text (bad syntax, a number too large for a double,
    // invalid UTF-8) is reported here, never thrown to the caller.
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::exception& e) {
        return fail(std::string("not valid JSON: ") + e.what());
    }
    try {
        const ObjectReader reader(root, "top level", {"drives", "random_seed"});
        SimState state;
        reader.With("random_seed", [&](const Json& value, const std::string& at) {
            state.random_seed = static_cast<std::uint32_t>(ReadInteger(value, at, 0, 0xFFFFFFFFLL));
        });
        reader.With("drives", [&](const Json& value, const std::string&) {
            const Json& list = ReadList(value, "drives");
            for (std::size_t i = 0; i < list.size(); ++i) {
                state.drives.push_back(ReadDrive(list[i], i));
            }
        });
        return state;
    } catch (const StateFileError& e) {
        return fail(e.what());
    } catch (const Json::exception& e) {
        // The readers check each value's type before they take it; this is
        // the net under that rule.
        return fail(std::string("unexpected value: ") + e.what());
    }
}

std::string FormatStateFile(const SimState& state) {
    OrderedJson drives = OrderedJson::array();
    for (const SimDrive& drive : state.drives) drives.push_back(DriveJson(drive));
    OrderedJson root;
    root["drives"] = std::move(drives);
    if (state.random_seed) root["random_seed"] = *state.random_seed;
    // The USB strings are free text; a byte sequence that is not UTF-8 is
    // written with replacement characters rather than failing the save.
    return root.dump(2, ' ', false, OrderedJson::error_handler_t::replace) + "\n";
}

}  // namespace qx7::sim
