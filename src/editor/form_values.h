#pragma once
// The main form's values, one per control, and their exchange with a view.
// Which control holds which value, in which order and with which range is
// in control_table.cpp.

#include <array>
#include <string>

#include "editor/form_view.h"
#include "editor/notifier.h"
#include "strings/string_table.h"

namespace qx7::editor {

inline constexpr std::size_t kPasswordMaxChars = 32;
inline constexpr std::size_t kTagSlotCount = 5;
inline constexpr std::size_t kAdminTagCount = 3;

// In reading order. Radio pairs hold kEnable or kDisable.
struct FormValues {
    std::u16string current_password;                      // 1042
    std::u16string new_admin_password;                    // 1044
    std::u16string confirm_admin_password;                // 1046
    std::u16string new_user_password;                     // 1050
    std::u16string confirm_user_password;                 // 1052
    bool change_admin_password = false;                   // 1047
    bool change_user_password = false;                    // 1053
    int self_destruct_counter = 10;                       // 1055, 10 to 35
    int min_password_length = 7;                          // 1064, 7 to 31
    int admin_language = 0;                               // 1070, 0 to 5
    int user_language = 0;                                // 1073, 0 to 5
    int virtual_cd = kDisable;                            // 1058/1059
    int random_keypad = kEnable;                          // 1061/1062
    int key_tone = kEnable;                               // 1067/1068
    int self_destruct = kEnable;                          // 1081/1082
    int rfid = kDisable;                                  // 1078/1079
    int strong_password = kDisable;                       // 1094/1095
    std::array<std::u16string, kTagSlotCount> tag_texts;  // 1142 to 1146
    int centrawatch = kEnable;                            // 1098/1099
    std::array<bool, kAdminTagCount> admin_tags{};        // 1112, 1114, 1115
    std::u16string serial_number;                         // 1119
    std::u16string new_setup_id;                          // 1130
    bool change_settings = false;                         // 1133
    bool change_rfid_tag_data = false;                    // 1134
    std::u16string current_setup_id;                      // 1136
    int read_only = kEnable;                              // 1084/1086
    int auto_lock = kEnable;                              // 1088/1089
    int auto_lock_delay = 60;                             // 1069, 10 to 180

    bool operator==(const FormValues&) const = default;
};

// Copies every control into `values`, in the order above, validating as it
// goes. A value that fails its range is refused with the standard message
// ("Enter no more than %1 characters.", "Enter an integer.", "Enter an
// integer between %1 and %2.") shown through `notifier`, the focus moves to
// that control, and reading stops there: later values keep what they held,
// while a refused number has already been taken. Returns false then. The
// view is asked once for all its values (FormView::Snapshot).
bool ReadForm(FormView& view, Notifier& notifier, strings::Language language, FormValues& values);

// Copies every control into `values` as it shows it, showing no message and
// moving no focus: a number out of range is taken, while an over-long text
// and a number field whose text is not a number keep the value held.
void ReadFormAsShown(FormView& view, FormValues& values);
void ReadFormAsShown(const FormSnapshot& shown, FormValues& values);

// Copies every value into its control.
void WriteForm(const FormValues& values, FormView& view);

}  // namespace qx7::editor
