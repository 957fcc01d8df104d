#pragma once
// The documents folder of the test run: a folder of the run's own that the
// sessions of the tests make their first folder in, never the documents
// folder of the user who runs the tests.

#include <QString>

namespace qx7::ui::test_support {

// Set once by the tests' main before any test runs.
QString& TestDocumentsFolder();

}  // namespace qx7::ui::test_support
