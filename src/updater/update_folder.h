#pragma once
// Where the update server keeps the manifest and the changelog.

#include <string>

namespace qx7::updater {

// The update folder this build was configured with: scheme, host and
// "/downloads/qx7/utilities/update/", ending in '/'.
std::string DefaultUpdateFolderUrl();

}  // namespace qx7::updater
