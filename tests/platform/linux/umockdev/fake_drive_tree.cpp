#include "fake_drive_tree.h"

#include <gtest/gtest.h>
#include <scsi/sg.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "strings/hex.h"

namespace qx7::test {
namespace {

constexpr const char* kRootHub = "/devices/pci0000:00/usb2";
constexpr unsigned kGenericMajor = 21;
constexpr unsigned char kCheckCondition = 0x02;
constexpr unsigned short kDriverSense = 0x08;
constexpr unsigned char kIllegalRequest = 0x05;

std::string HexId(std::uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", id);
    return text;
}

std::string UnitPath(const FakeUsbDisk& disk, std::size_t unit) {
    const std::string h = std::to_string(disk.host);
    return FakeDriveTree::UsbPath(disk) + "/" + disk.name + ":1.0/host" + h + "/target" + h + ":0:0/" + h +
           ":0:0:" + std::to_string(unit);
}

std::string Device(const std::string& path, const std::string& subsystem, const std::string& devtype,
                   const std::string& more = {}) {
    std::string record = "P: " + path + "\nE: SUBSYSTEM=" + subsystem + "\n";
    if (!devtype.empty()) record += "E: DEVTYPE=" + devtype + "\n";
    return record + more + "\n";
}

std::string Node(const std::string& name, unsigned major, unsigned minor) {
    const std::string number = std::to_string(major) + ":" + std::to_string(minor);
    std::string text = "E: DEVNAME=/dev/" + name + "\nE: MAJOR=" + std::to_string(major) +
                       "\nE: MINOR=" + std::to_string(minor) + "\nA: dev=" + number + "\n";
    // "=00" makes a plain file that stats as a device node; it can be
    // opened and answers ioctls through the testbed.
    return text + "N: " + name + "=00\n";
}

std::string DiskRecord(const FakeUsbDisk& disk) {
    const std::string usb = FakeDriveTree::UsbPath(disk);
    std::string text = Device(usb, "usb", "usb_device",
                              "A: idVendor=" + HexId(disk.vendor_id) + "\nA: idProduct=" + HexId(disk.product_id) +
                                  "\nA: manufacturer=" + disk.manufacturer + "\nA: product=" + disk.product +
                                  "\nA: serial=" + disk.serial + "\n");
    const std::string h = std::to_string(disk.host);
    text += Device(usb + "/" + disk.name + ":1.0", "usb", "usb_interface");
    text += Device(usb + "/" + disk.name + ":1.0/host" + h, "scsi", "scsi_host");
    text += Device(usb + "/" + disk.name + ":1.0/host" + h + "/target" + h + ":0:0", "scsi", "scsi_target");
    for (std::size_t i = 0; i < disk.units.size(); ++i) {
        const FakeUnit& unit = disk.units[i];
        const std::string lun = UnitPath(disk, i);
        text += Device(lun, "scsi", "scsi_device", std::string("A: type=") + (unit.cdrom ? "5" : "0") + "\n");
        const std::string block = lun + "/block/" + unit.block;
        text += Device(block, "block", "disk", Node(unit.block, unit.block_major, unit.block_minor));
        if (!unit.partition.empty()) {
            text += Device(block + "/" + unit.partition, "block", "partition",
                           Node(unit.partition, unit.block_major, unit.block_minor + 1));
        }
        if (!unit.generic.empty()) {
            text += Device(lun + "/scsi_generic/" + unit.generic, "scsi_generic", "",
                           Node(unit.generic, kGenericMajor, unit.generic_minor));
        }
    }
    return text;
}

// Answers SG_IO on a node with the simulated drive tied to it. Runs on
// umockdev's worker thread.
gboolean HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer user_data) {
    auto* context = static_cast<FakeDriveTree::Context*>(user_data);
    if (umockdev_ioctl_client_get_request(client) != SG_IO) return FALSE;
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    g_autoptr(UMockdevIoctlData) header_data = umockdev_ioctl_data_resolve(arg, 0, sizeof(sg_io_hdr_t), nullptr);
    if (!header_data) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return TRUE;
    }
    sg_io_hdr_t header;
    std::memcpy(&header, header_data->data, sizeof header);
    if (header.interface_id != 'S' || header.iovec_count != 0 || header.cmd_len == 0 || header.cmd_len > 16) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return TRUE;
    }
    g_autoptr(UMockdevIoctlData) cdb =
        umockdev_ioctl_data_resolve(header_data, offsetof(sg_io_hdr_t, cmdp), header.cmd_len, nullptr);
    g_autoptr(UMockdevIoctlData) data =
        header.dxfer_len > 0
            ? umockdev_ioctl_data_resolve(header_data, offsetof(sg_io_hdr_t, dxferp), header.dxfer_len, nullptr)
            : nullptr;
    g_autoptr(UMockdevIoctlData) sense =
        header.mx_sb_len > 0
            ? umockdev_ioctl_data_resolve(header_data, offsetof(sg_io_hdr_t, sbp), header.mx_sb_len, nullptr)
            : nullptr;
    if (!cdb || (header.dxfer_len > 0 && !data)) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return TRUE;
    }

    transport::ScsiRequest request;
    std::memcpy(request.cdb.data(), cdb->data, header.cmd_len);
    request.cdb_length = header.cmd_len;
    request.direction = header.dxfer_direction == SG_DXFER_FROM_DEV ? transport::DataDirection::In
                        : header.dxfer_direction == SG_DXFER_TO_DEV ? transport::DataDirection::Out
                                                                    : transport::DataDirection::None;
    if (data) request.data = std::span<std::uint8_t>(data->data, header.dxfer_len);

    transport::ScsiResult result;
    {
        std::lock_guard lock(context->mutex);
        const std::string node = umockdev_ioctl_client_get_devnode(client);
        const auto device = context->devices.find(node);
        if (device == context->devices.end()) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        context->log[node].push_back(strings::ToHex(std::span(request.cdb.data(), header.cmd_len)));
        result = device->second->Execute(request);
    }
    if (!result.io_ok) {
        umockdev_ioctl_client_complete(client, -1, EIO);
        return TRUE;
    }
    header.status = result.scsi_status;
    header.masked_status = static_cast<unsigned char>(result.scsi_status >> 1);
    header.host_status = 0;
    header.driver_status = result.scsi_status == kCheckCondition ? kDriverSense : 0;
    header.resid = static_cast<int>(header.dxfer_len - result.transferred);
    header.info = result.scsi_status == 0 ? SG_INFO_OK : SG_INFO_CHECK;
    header.sb_len_wr = 0;
    if (result.scsi_status == kCheckCondition && sense && sense->data_len >= 8) {
        std::memset(sense->data, 0, static_cast<std::size_t>(sense->data_len));
        sense->data[0] = 0x70;
        sense->data[2] = kIllegalRequest;
        sense->data[7] = static_cast<std::uint8_t>(sense->data_len - 8);
        header.sb_len_wr = static_cast<unsigned char>(sense->data_len);
    }
    std::memcpy(header_data->data, &header, sizeof header);
    umockdev_ioctl_client_complete(client, 0, 0);
    return TRUE;
}

}  // namespace

sim::SimState FourDrives() {
    sim::SimState state;
    for (std::size_t i = 0; i < 4; ++i) state.drives.push_back(sim::DefaultDrive(i));
    return state;
}

FakeDriveTree::FakeDriveTree() : testbed_(umockdev_testbed_new()), context_(std::make_unique<Context>()) {
    context_->session = std::make_unique<sim::SimSession>(FourDrives());
}

FakeDriveTree::~FakeDriveTree() {
    for (GObject* handler : handlers_) g_object_unref(handler);
    g_object_unref(testbed_);
}

bool FakeDriveTree::mocked() { return umockdev_in_mock_environment(); }

std::string FakeDriveTree::UsbPath(const FakeUsbDisk& disk) { return std::string(kRootHub) + "/" + disk.name; }

std::string FakeDriveTree::BlockPath(const FakeUsbDisk& disk, std::size_t unit) {
    return UnitPath(disk, unit) + "/block/" + disk.units.at(unit).block;
}

std::string FakeDriveTree::root() const {
    gchar* dir = umockdev_testbed_get_root_dir(testbed_);
    std::string text = dir;
    g_free(dir);
    return text;
}

void FakeDriveTree::Add(const FakeUsbDisk& disk) {
    std::string record;
    if (!hub_added_) {
        record += Device(kRootHub, "usb", "usb_device", "A: idVendor=1d6b\nA: idProduct=0002\n");
        hub_added_ = true;
    }
    record += DiskRecord(disk);
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
        ADD_FAILURE() << "fake tree record rejected: " << (error ? error->message : "?") << "\n" << record;
        g_clear_error(&error);
    }
}

void FakeDriveTree::Uevent(const FakeUsbDisk& disk, const std::string& below, const char* action) {
    const std::string path = "/sys" + UsbPath(disk) + below;
    umockdev_testbed_uevent(testbed_, path.c_str(), action);
}

void FakeDriveTree::Remove(const FakeUsbDisk& disk) {
    std::vector<std::string> leaves_first;
    for (std::size_t i = 0; i < disk.units.size(); ++i) {
        const FakeUnit& unit = disk.units[i];
        const std::string block = BlockPath(disk, i);
        if (!unit.partition.empty()) leaves_first.push_back(block + "/" + unit.partition);
        leaves_first.push_back(block);
        if (!unit.generic.empty()) leaves_first.push_back(UnitPath(disk, i) + "/scsi_generic/" + unit.generic);
        leaves_first.push_back(UnitPath(disk, i));
    }
    const std::string usb = UsbPath(disk);
    const std::string h = std::to_string(disk.host);
    leaves_first.push_back(usb + "/" + disk.name + ":1.0/host" + h + "/target" + h + ":0:0");
    leaves_first.push_back(usb + "/" + disk.name + ":1.0/host" + h);
    leaves_first.push_back(usb + "/" + disk.name + ":1.0");
    leaves_first.push_back(usb);
    for (const std::string& path : leaves_first) {
        const std::string syspath = "/sys" + path;
        umockdev_testbed_uevent(testbed_, syspath.c_str(), "remove");
        umockdev_testbed_remove_device(testbed_, syspath.c_str());
    }
}

void FakeDriveTree::AnswerSgIo(const std::string& generic, std::size_t drive_index) {
    const std::string node = "/dev/" + generic;
    {
        std::lock_guard lock(context_->mutex);
        context_->devices[node] = context_->session->Open(drive_index);
    }
    auto* handler = static_cast<UMockdevIoctlBase*>(g_object_new(UMOCKDEV_TYPE_IOCTL_BASE, nullptr));
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(HandleIoctl), context_.get());
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, node.c_str(), handler, &error)) {
        ADD_FAILURE() << "cannot attach the SG_IO handler to " << node << ": " << (error ? error->message : "?");
        g_clear_error(&error);
    }
    handlers_.push_back(G_OBJECT(handler));
}

CommandLog FakeDriveTree::CommandsTo(const std::string& generic) const {
    std::lock_guard lock(context_->mutex);
    const auto it = context_->log.find("/dev/" + generic);
    return it == context_->log.end() ? CommandLog() : it->second;
}

}  // namespace qx7::test
