# The icons of resources/icons/ as PNG files, for a Qt without SVG support
# (the Qt kit for Windows): rendered at build time on the build machine by
# qx7-render-icon (tools/) of a native build, in every size the program
# draws them at, and listed in a resource file for qt_add_resources.
#   qx7_render_icon_pngs(<out_qrc_variable>)
set(QX7_ICON_RENDERER "${PROJECT_SOURCE_DIR}/build/default/tools/qx7-render-icon"
    CACHE FILEPATH "qx7-render-icon of a native build, to render the icons for a Qt without SVG")

# The sizes the icons are drawn at (ui/widgets/icons.cpp: the own sizes and
# the larger sizes for high-density screens).
set(qx7_icon_png_sizes 16 20 24 32 40 48 64 96 128 256)

function(qx7_render_icon_pngs out_qrc)
    if(NOT EXISTS "${QX7_ICON_RENDERER}")
        message(FATAL_ERROR "This Qt has no SVG module, so the icons are rendered to PNG by qx7-render-icon "
                            "of a native build; none at QX7_ICON_RENDERER=${QX7_ICON_RENDERER} "
                            "(build it with: cmake --preset default && cmake --build build/default "
                            "--target qx7-render-icon)")
    endif()
    file(GLOB svgs CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/resources/icons/*.svg")
    set(folder "${CMAKE_CURRENT_BINARY_DIR}/icon_pngs")
    set(qrc "${folder}/qx7_icon_pngs.qrc")
    set(qrc_text "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/qx7/icons\">\n")
    set(all_pngs)
    foreach(svg IN LISTS svgs)
        get_filename_component(id "${svg}" NAME_WE)
        set(pngs)
        set(arguments)
        foreach(size IN LISTS qx7_icon_png_sizes)
            list(APPEND pngs "${folder}/${id}-${size}.png")
            list(APPEND arguments "${size}=${folder}/${id}-${size}.png")
            string(APPEND qrc_text "    <file>${id}-${size}.png</file>\n")
        endforeach()
        add_custom_command(OUTPUT ${pngs}
            COMMAND "${CMAKE_COMMAND}" -E make_directory "${folder}"
            COMMAND "${QX7_ICON_RENDERER}" "${svg}" ${arguments}
            DEPENDS "${svg}" "${QX7_ICON_RENDERER}"
            COMMENT "Rendering icon ${id} to PNG"
            VERBATIM)
        list(APPEND all_pngs ${pngs})
    endforeach()
    string(APPEND qrc_text "</qresource>\n</RCC>\n")
    # Written now (rewritten only when it changes): qt_add_resources reads
    # it to learn which files rcc depends on, which are the PNG files above.
    file(CONFIGURE OUTPUT "${qrc}" CONTENT "${qrc_text}" @ONLY)
    set(${out_qrc} "${qrc}" PARENT_SCOPE)
endfunction()
