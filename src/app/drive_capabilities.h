#pragma once
// What a drive can take: a configuration file naming a menu language the
// drive does not offer, or RFID settings for a drive without a reader, is
// refused for that drive before anything is written to it.

#include <string>

#include "storage/config_file.h"
#include "strings/string_table.h"

namespace qx7::app {

// What the reading of a drive learned about it.
struct DriveCapabilities {
    bool six_languages = false;  // else only the first four menu languages
    bool rfid_reader = false;
};

// Why a drive cannot honour the file's settings; empty when it can.
std::u16string UnhonouredSettings(const storage::ConfigFilePayload& payload, const DriveCapabilities& drive,
                                  strings::Language language);

}  // namespace qx7::app
