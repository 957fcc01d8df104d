#pragma once
// The drive's command set, one row per command: everything the host, the
// simulator, the trace and the privileged helper need to know about a
// command's block and data phase. The block builders (command_blocks.h)
// build from these rows, the protocol's named values (protocol/constants.h)
// are views onto them, the trace redacts by their secret flag, the helper
// accepts exactly these rows and the simulator dispatches on them.
//
// Adding a command is adding a row here and listing it in kDriveCommands;
// src/protocol/README.md says what else a new command needs.

#include <array>
#include <cstdint>

#include "transport/scsi_device.h"

namespace qx7::transport {

// Operation codes and the vendor mode of the drive's buffer commands.
inline constexpr std::uint8_t kOpInquiry = 0x12;
inline constexpr std::uint8_t kOpReadBuffer = 0x3C;
inline constexpr std::uint8_t kOpWriteBuffer = 0x3B;
inline constexpr std::uint8_t kVendorMode = 0x01;

// Buffer ids (command byte 2).
inline constexpr std::uint8_t kBufferPreCommand = 0x10;
inline constexpr std::uint8_t kBufferMemoryPage = 0x22;
inline constexpr std::uint8_t kBufferMemoryPageDirect = 0xC2;
inline constexpr std::uint8_t kBufferStateBlock = 0x51;
inline constexpr std::uint8_t kBufferIdBlock = 0x52;
inline constexpr std::uint8_t kBufferSystemWrite = 0xCD;
inline constexpr std::uint8_t kBufferSystemRead = 0xCE;

// Bytes 6 to 15 of a system command block, supplied by the caller; bytes 0
// to 5 are ignored (the transport writes its own there).
using CommandTemplate = std::array<std::uint8_t, 16>;

// How a command's block is laid out, and which of its bytes vary.
enum class CommandForm : std::uint8_t {
    Inquiry,         // 6-byte INQUIRY, allocation length (the row's length) in byte 4
    Block,           // 10-byte READ BUFFER of the buffer id, nothing else
    Page,            // 10-byte READ BUFFER: 24-bit address in bytes 4-6, page length in 7-8
    PreCommand,      // 10-byte WRITE BUFFER announcing the next block (see PreCommandFor)
    SystemPlain,     // 16-byte system command; bytes 6-15 zero
    SystemToken,     // 16-byte system command; the channel token of token_position in bytes 8-11
    SystemTemplate,  // 16-byte system command; bytes 6-15 are the row's fixed template
};

struct DriveCommand {
    const char* name;  // for messages: "the settings read"
    std::uint8_t opcode;
    std::uint8_t buffer_id;  // command byte 2; 0 for INQUIRY
    std::uint8_t code;       // system command code (byte 3); 0 for the others
    DataDirection direction;
    std::uint16_t length;  // the one transfer length (and the block's length field)
    CommandForm form;
    int token_position = -1;    // SystemToken only: which token the block carries
    CommandTemplate tmpl = {};  // SystemTemplate only: bytes 6-15 of the block
    bool announced = false;     // must follow a pre-command naming its buffer id
    bool secret = false;        // its data lets a reader recover the channel key or the passwords

    bool IsSystemCommand() const {
        return form == CommandForm::SystemPlain || form == CommandForm::SystemToken ||
               form == CommandForm::SystemTemplate;
    }
};

// ---- the rows --------------------------------------------------------------

inline constexpr DriveCommand kInquiry{"the INQUIRY", kOpInquiry, 0, 0, DataDirection::In, 36, CommandForm::Inquiry};
inline constexpr DriveCommand kIdBlockRead{"the id-block read", kOpReadBuffer, kBufferIdBlock, 0, DataDirection::In, 8,
                                           CommandForm::Block};
inline constexpr DriveCommand kStateBlockRead{
    "the state-block read", kOpReadBuffer, kBufferStateBlock, 0, DataDirection::In, 12, CommandForm::Block};
inline constexpr DriveCommand kMemoryPageRead{"the memory-page read",
                                              kOpReadBuffer,
                                              kBufferMemoryPage,
                                              0,
                                              DataDirection::In,
                                              1024,
                                              CommandForm::Page,
                                              -1,
                                              {},
                                              true};
inline constexpr DriveCommand kMemoryPageDirectRead{"the direct memory-page read",
                                                    kOpReadBuffer,
                                                    kBufferMemoryPageDirect,
                                                    0,
                                                    DataDirection::In,
                                                    1024,
                                                    CommandForm::Page,
                                                    -1,
                                                    {},
                                                    true};
inline constexpr DriveCommand kPreCommand{
    "a pre-command", kOpWriteBuffer, kBufferPreCommand, 0, DataDirection::None, 0, CommandForm::PreCommand};

// The system commands: READ BUFFER 0xCE with the code in byte 3 and the
// length in bytes 4-5, and the one WRITE BUFFER 0xCD (the settings write).
inline constexpr DriveCommand kIdentityRead{"the identity read (system command read 0x01)",
                                            kOpReadBuffer,
                                            kBufferSystemRead,
                                            0x01,
                                            DataDirection::In,
                                            22,
                                            CommandForm::SystemPlain};
inline constexpr DriveCommand kLastErrorRead{"the last-error read (system command read 0x02)",
                                             kOpReadBuffer,
                                             kBufferSystemRead,
                                             0x02,
                                             DataDirection::In,
                                             4,
                                             CommandForm::SystemPlain};
inline constexpr DriveCommand kChannelCheckRead{"the channel check (system command read 0x04)",
                                                kOpReadBuffer,
                                                kBufferSystemRead,
                                                0x04,
                                                DataDirection::In,
                                                32,
                                                CommandForm::SystemToken,
                                                4};
inline constexpr DriveCommand kSettingsRead{"the settings read (system command read 0x30)",
                                            kOpReadBuffer,
                                            kBufferSystemRead,
                                            0x30,
                                            DataDirection::In,
                                            160,
                                            CommandForm::SystemToken,
                                            0};
inline constexpr DriveCommand kSettingsWrite{"the settings write (system command write 0x31)",
                                             kOpWriteBuffer,
                                             kBufferSystemWrite,
                                             0x31,
                                             DataDirection::Out,
                                             288,
                                             CommandForm::SystemToken,
                                             1,
                                             {},
                                             true,
                                             true};
inline constexpr DriveCommand kStatusRead{"the status read (system command read 0x32)",
                                          kOpReadBuffer,
                                          kBufferSystemRead,
                                          0x32,
                                          DataDirection::In,
                                          32,
                                          CommandForm::SystemPlain};
// Template bytes 6 and 7: the value 5000, high byte first.
inline constexpr DriveCommand kRfidTagRead{"the RFID tag read (system command read 0x38)",
                                           kOpReadBuffer,
                                           kBufferSystemRead,
                                           0x38,
                                           DataDirection::In,
                                           19,
                                           CommandForm::SystemTemplate,
                                           -1,
                                           CommandTemplate{0, 0, 0, 0, 0, 0, 0x13, 0x88}};
inline constexpr DriveCommand kTokenIndexRead{"the token-index read (system command read 0x7D)",
                                              kOpReadBuffer,
                                              kBufferSystemRead,
                                              0x7D,
                                              DataDirection::In,
                                              16,
                                              CommandForm::SystemPlain};
// Its answer is the channel key, enciphered with a key made from the
// drive's public id.
inline constexpr DriveCommand kChannelKeyRead{"the channel-key read (system command read 0x7E)",
                                              kOpReadBuffer,
                                              kBufferSystemRead,
                                              0x7E,
                                              DataDirection::In,
                                              32,
                                              CommandForm::SystemPlain,
                                              -1,
                                              {},
                                              false,
                                              true};

// Every command the drive takes; nothing outside this list is ever sent.
inline constexpr DriveCommand kDriveCommands[] = {
    kInquiry,       kIdBlockRead,  kStateBlockRead, kMemoryPageRead,   kMemoryPageDirectRead,
    kPreCommand,    kIdentityRead, kLastErrorRead,  kChannelCheckRead, kSettingsRead,
    kSettingsWrite, kStatusRead,   kRfidTagRead,    kTokenIndexRead,   kChannelKeyRead,
};

// ---- looking a block up ----------------------------------------------------

// The row a command block belongs to: by operation code, buffer id and, for
// the system commands, the code in byte 3. Only the row is found here;
// whether the block is in the row's exact form is for the caller to check.
// Null when no row has these bytes.
const DriveCommand* FindDriveCommand(const std::array<std::uint8_t, 16>& cdb);

// The template row whose template's non-zero bytes `cdb` carries (whatever
// its code); null when none.
const DriveCommand* FindByTemplate(const std::array<std::uint8_t, 16>& cdb);

// True when a row with this operation code and buffer id is secret: the data
// of a command on such a buffer is treated as secret even when its code is
// unknown.
bool IsSecretBuffer(std::uint8_t opcode, std::uint8_t buffer_id);

// True when some command of the set must be announced and has this buffer id.
bool IsAnnouncedBuffer(std::uint8_t buffer_id);

}  // namespace qx7::transport
