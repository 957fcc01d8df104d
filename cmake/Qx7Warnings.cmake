# Warnings are errors in our own code. Third-party headers come in as SYSTEM
# includes and are not affected.
add_library(qx7_warnings INTERFACE)
target_compile_options(qx7_warnings INTERFACE
    -Wall -Wextra -Werror -Wshadow -Wnon-virtual-dtor -Wpedantic)
