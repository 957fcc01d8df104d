#include "updater/update_folder.h"

#ifndef QX7_UPDATE_FOLDER_URL
#error "QX7_UPDATE_FOLDER_URL must be set by the build"
#endif

namespace qx7::updater {

std::string DefaultUpdateFolderUrl() { return QX7_UPDATE_FOLDER_URL; }

}  // namespace qx7::updater
