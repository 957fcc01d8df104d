// A drive chooses its own serial number: whatever it holds stays one line
// of the operation log and carries no terminal control sequence.

#include <gtest/gtest.h>

#include "storage/operation_log.h"

namespace qx7::storage {
namespace {

TEST(UploadedSerials, ControlCharactersOfASerialAreEscapedOnItsOwnLine) {
    UploadedSerials list;
    list.Add(u"\x1b[31mA\r\nQX7SIM0000000009");  // cut to 16 characters first
    list.Add(
        u"B\x9b"
        u"1m\x7f\u011b");  // C1, DEL, and U+011B whose low byte is 0x1B
    list.Add(u"QX7SIM0000000001");

    EXPECT_EQ(LogContent(list),
              "\\x1B[31mA\\x0D\\x0AQX7SIM00\r\n"
              "B\\x9B1m\\x7F\\x1B\r\n"
              "QX7SIM0000000001\r\n");
}

}  // namespace
}  // namespace qx7::storage
