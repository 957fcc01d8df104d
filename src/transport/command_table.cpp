#include "transport/command_table.h"

namespace qx7::transport {
namespace {

// Whether `cdb` carries every non-zero byte of the row's template.
bool CarriesTemplateOf(const DriveCommand& command, const std::array<std::uint8_t, 16>& cdb) {
    bool any = false;
    for (std::size_t i = 6; i < command.tmpl.size(); ++i) {
        if (command.tmpl[i] == 0) continue;
        if (cdb[i] != command.tmpl[i]) return false;
        any = true;
    }
    return any;
}

}  // namespace

const DriveCommand* FindDriveCommand(const std::array<std::uint8_t, 16>& cdb) {
    for (const DriveCommand& command : kDriveCommands) {
        if (command.opcode != cdb[0]) continue;
        if (command.form == CommandForm::Inquiry) return &command;
        if (command.buffer_id != cdb[2]) continue;
        if (!command.IsSystemCommand() || command.code == cdb[3]) return &command;
    }
    return nullptr;
}

const DriveCommand* FindByTemplate(const std::array<std::uint8_t, 16>& cdb) {
    for (const DriveCommand& command : kDriveCommands) {
        if (command.form != CommandForm::SystemTemplate) continue;
        if (command.opcode == cdb[0] && command.buffer_id == cdb[2] && CarriesTemplateOf(command, cdb)) {
            return &command;
        }
    }
    return nullptr;
}

bool IsSecretBuffer(std::uint8_t opcode, std::uint8_t buffer_id) {
    for (const DriveCommand& command : kDriveCommands) {
        if (command.secret && command.opcode == opcode && command.buffer_id == buffer_id) return true;
    }
    return false;
}

bool IsAnnouncedBuffer(std::uint8_t buffer_id) {
    for (const DriveCommand& command : kDriveCommands) {
        if (command.announced && command.buffer_id == buffer_id) return true;
    }
    return false;
}

}  // namespace qx7::transport
