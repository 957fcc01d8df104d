# Warnings are on for our own code. Third-party headers come in as SYSTEM
# includes and are not affected. QX7_WERROR makes them errors; it is off by
# default so that a plain build with another compiler version still
# succeeds, and on in the presets and in CI, which keep the code clean.
option(QX7_WERROR "Treat compiler warnings as errors" OFF)

add_library(qx7_warnings INTERFACE)
target_compile_options(qx7_warnings INTERFACE
    -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wpedantic)
if(QX7_WERROR)
    target_compile_options(qx7_warnings INTERFACE -Werror)
endif()
