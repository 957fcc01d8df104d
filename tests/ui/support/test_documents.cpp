#include "support/test_documents.h"

namespace qx7::ui::test_support {

QString& TestDocumentsFolder() {
    static QString folder;
    return folder;
}

}  // namespace qx7::ui::test_support
