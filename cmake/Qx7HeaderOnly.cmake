# CLI11 and nlohmann-json are header-only: a Windows build can use the
# headers Debian installs (libcli11-dev, nlohmann-json3-dev) as they are.
# Their CMake packages would put the whole of /usr/include on the include
# path, where the build machine's C library headers would shadow MinGW's,
# so a cross build copies just their two folders into the build tree and
# makes the usual targets (CLI11::CLI11, nlohmann_json::nlohmann_json) from
# that copy.
function(qx7_header_only_library target header folder)
    if(TARGET ${target})
        return()
    endif()
    find_path(qx7_${folder}_root "${header}" PATHS /usr/include /usr/local/include
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    set(copy "${PROJECT_BINARY_DIR}/header-only")
    file(COPY "${qx7_${folder}_root}/${folder}" DESTINATION "${copy}")
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${copy}")
endfunction()

if(CMAKE_CROSSCOMPILING)
    qx7_header_only_library(CLI11::CLI11 CLI/CLI.hpp CLI)
    qx7_header_only_library(nlohmann_json::nlohmann_json nlohmann/json.hpp nlohmann)
else()
    find_package(CLI11 CONFIG REQUIRED)
    find_package(nlohmann_json 3 REQUIRED)
endif()
