// Leak checking in the umockdev test program. umockdev answers SG_IO on a
// worker thread of its own, which runs the simulator's firmware and with it
// OpenSSL's cipher; OpenSSL keeps per-thread state for that thread that it
// releases only when the thread ends, and the thread may still be running
// when the program exits. LeakSanitizer would report that state as lost.
// The program's own use of OpenSSL is leak-checked without suppressions in
// qx7_tests.

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:CRYPTO_zalloc\n"; }
