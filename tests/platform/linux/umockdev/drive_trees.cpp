#include "drive_trees.h"

namespace qx7::test {

FakeUsbDisk PrimaryQx7() {
    return {"2-1",  0x230A,
            0x1180, "OSTRIVANCE",
            "QX7",  "QX7SIM0000000001",
            6,      {{"sdb", 8, 16, false, "sdb1", "sg1", 1}, {"sr0", 11, 0, true, "", "sg2", 2}}};
}

FakeUsbDisk FipsQx7() {
    return {
        "2-2", 0x04C5, 0x2026, "OSTRIVANCE", "QX7FIPS", "QX7SIM0000000002", 7, {{"sdc", 8, 32, false, "", "sg3", 3}}};
}

FakeUsbDisk Qx7WithoutGenericNode() {
    return {"2-4", 0x230A, 0x1181, "OSTRIVANCE", "QX7", "QX7SIM0000000003", 9, {{"sde", 8, 64, false, "", "", 0}}};
}

FakeUsbDisk ForeignStick() {
    return {"2-3", 0x0BDA, 0x0109, "Generic", "Flash Disk", "0000001", 8, {{"sdd", 8, 48, false, "sdd1", "sg4", 4}}};
}

void PlugAll(FakeDriveTree& tree, bool with_fips) {
    tree.Add(PrimaryQx7());
    if (with_fips) tree.Add(FipsQx7());
    tree.Add(ForeignStick());
    tree.AnswerSgIo("sg1", 0);
    tree.AnswerSgIo("sg2", 0);
    if (with_fips) tree.AnswerSgIo("sg3", 1);
    tree.AnswerSgIo("sg4", 3);
}

}  // namespace qx7::test
