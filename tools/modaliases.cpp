// Prints one USB modalias pattern per kind of drive the programs serve
// ("usb:v230Ap1180d*"), in the order of the discovery table, each once.

#include <algorithm>
#include <cstdio>
#include <vector>

#include "transport/known_device_ids.h"

int main() {
    std::vector<qx7::transport::UsbId> printed;
    for (const qx7::transport::UsbId& id : qx7::transport::KnownDeviceIds()) {
        if (std::find(printed.begin(), printed.end(), id) != printed.end()) continue;
        printed.push_back(id);
        std::printf("usb:v%04Xp%04Xd*\n", static_cast<unsigned>(id.vendor_id), static_cast<unsigned>(id.product_id));
    }
    return 0;
}
