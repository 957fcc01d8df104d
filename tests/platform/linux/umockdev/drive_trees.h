#pragma once
// The fake USB disks the device-layer tests plug: two QX7 drives, a QX7
// whose disk has no SCSI generic node, and a USB stick of another maker.

#include "fake_drive_tree.h"

namespace qx7::test {

// 230a:1180 (the primary id) with a disk (sdb, partition sdb1, sg1) and a
// CD-ROM (sr0, sg2).
FakeUsbDisk PrimaryQx7();
// 04c5:2026 (a later id) calling itself "QX7FIPS", with a disk (sdc, sg3).
FakeUsbDisk FipsQx7();
// 230a:1181 whose disk (sde) has no sg node.
FakeUsbDisk Qx7WithoutGenericNode();
// 0bda:0109, not a QX7, with a disk (sdd, partition sdd1, sg4).
FakeUsbDisk ForeignStick();

// Plugs the disks and ties each sg node to a simulated drive: sg1 and sg2
// to drive 0, sg3 to drive 1, sg4 to drive 3 (which no test expects to be
// reached).
void PlugAll(FakeDriveTree& tree, bool with_fips = true);

}  // namespace qx7::test
