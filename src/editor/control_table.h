#pragma once
// The main window's controls, one row each: what kind of control it is,
// where it sits (dialog units of the window), its caption, its icon, the
// form value it holds with its accepted range, its key in a JSON form and
// the group that enables it. The window builds itself from the rows in
// their order (which is also the Tab order); the form's values, its
// enabling rules and the command-line tool's JSON form read the same rows.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

#include "editor/control_id.h"
#include "editor/form_values.h"
#include "strings/string_ids.h"

namespace qx7::editor {

enum class ControlKind : std::uint8_t {
    Title,       // the title band's text (the window's own widget)
    BandWidget,  // the band's icon and close button (the window's own widgets)
    BandButton,  // an icon button on the band
    Label,
    Group,  // a group box; rows naming it in `group` sit inside it
    Edit,
    Check,
    RadioFirst,   // a radio pair's first button ("Enable"): the pair's id and value
    RadioSecond,  // the pair's second button ("Disable"), always the next row
    Combo,
    Number,  // a number edit; its arrows answer to `partner` as well
    IconButton,
    PushButton,
};

// How a control looks and behaves beyond its kind.
namespace style {
inline constexpr std::uint16_t kAlignRight = 1 << 0;  // a label's text
inline constexpr std::uint16_t kReadOnly = 1 << 1;    // an edit
inline constexpr std::uint16_t kUpperCase = 1 << 2;   // an edit turns letters into capitals
inline constexpr std::uint16_t kMasked = 1 << 3;      // an edit shows no characters
inline constexpr std::uint16_t kToolbar = 1 << 4;     // an icon button with the toolbar look
inline constexpr std::uint16_t kImageTop = 1 << 5;    // image above the text
inline constexpr std::uint16_t kTextIndented = 1 << 6;
inline constexpr std::uint16_t kTextRight = 1 << 7;
inline constexpr std::uint16_t kDefault = 1 << 8;     // the default button
inline constexpr std::uint16_t kIconOnly = 1 << 9;    // the caption only names the button (and is its tool tip)
inline constexpr std::uint16_t kOpensMenu = 1 << 10;  // a menu button: it sends no command
}  // namespace style

// The group of controls an enabling rule switches together.
enum class Enabling : std::uint8_t {
    None,           // never disabled by the form's rules
    ChangeBox,      // "Change Admin Password", "Change User Password", "Change Settings"
    AdminPassword,  // the new administrator password and its confirmation
    UserPassword,   // the new user password and its confirmation
    Settings,       // the settings group
    Centrawatch,    // settings group; once on, never switched off
    Rfid,           // settings group, while the drive has a reader
    RfidChangeBox,  // "Change RFID Tag Data"
    TagField,       // a tag slot's field; an administrator tag's never opens
    TagControl,     // the tag buttons and the admin-tag boxes
    Other,          // closed only when the whole form is locked
};

struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Where a control's value lives in FormValues: a text, a tick or an index
// or number (one of the three, by the row's kind).
struct FormField {
    std::u16string* (*text)(FormValues&) = nullptr;
    bool* (*flag)(FormValues&) = nullptr;
    int* (*number)(FormValues&) = nullptr;
};

namespace detail {
template <auto kMember>
auto* FieldAt(FormValues& values) {
    return &(values.*kMember);
}
template <auto kArray, std::size_t kIndex>
auto* ElementAt(FormValues& values) {
    return &(values.*kArray)[kIndex];
}
template <class T>
constexpr FormField FieldOf(T* (*at)(FormValues&)) {
    FormField field;
    if constexpr (std::is_same_v<T, std::u16string>) field.text = at;
    if constexpr (std::is_same_v<T, bool>) field.flag = at;
    if constexpr (std::is_same_v<T, int>) field.number = at;
    return field;
}
}  // namespace detail

// The FormValues member `kMember`, or element `kIndex` of the array `kMember`.
template <auto kMember>
constexpr FormField Field() {
    return detail::FieldOf(&detail::FieldAt<kMember>);
}
template <auto kArray, std::size_t kIndex>
constexpr FormField Field() {
    return detail::FieldOf(&detail::ElementAt<kArray, kIndex>);
}

struct ControlRow {
    ControlId id{};  // ControlId{} for a label nobody addresses
    ControlKind kind = ControlKind::Label;
    ControlId group{};  // the group box the control sits in, ControlId{} for the window
    DialogRect place{};
    std::optional<strings::StringId> caption = std::nullopt;  // a caption that follows the interface language
    const char* fixed = nullptr;  // or an English caption that never changes (a list's first line)
    std::uint16_t icon = 0;       // icon resource id, with the size of its image (0: the button's)
    std::uint8_t icon_size = 0;
    std::uint16_t look = 0;  // style:: flags
    // The form value: its place in the order the form is read and written
    // (0: none), where it is kept, and its accepted range (numbers and
    // lists: min to max; texts: at most max characters; 0: any).
    std::uint8_t exchange = 0;
    FormField value{};
    int min = 0;
    int max = 0;
    // A number edit's arrows: their id, range and step.
    ControlId partner{};
    int arrow_min = 0;
    int arrow_max = 0;
    int arrow_step = 0;
    const char* json_key = nullptr;  // the key of the value in a JSON form
    Enabling enabling = Enabling::None;
};

// Every row, in the order the window creates its controls (the Tab order).
std::span<const ControlRow> ControlRows();

// The rows holding a form value, in the order the form is read and written.
std::span<const ControlRow* const> ValueRows();

// The row of `id`, or nullptr.
const ControlRow* FindControl(ControlId id);

// The second button of the radio pair whose first button is `first`.
ControlId SecondOfPair(ControlId first);

}  // namespace qx7::editor
