# qx7_embed_file(<out_var> <input> <symbol>): adds a build step that turns
# <input> into a generated .cpp defining qx7::embedded::<symbol> and
# <symbol>_size, and appends that source to <out_var>.
function(qx7_embed_file out_var input symbol)
    set(output "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
    add_custom_command(
        OUTPUT "${output}"
        COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DSYMBOL=${symbol}
                -P "${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake"
        DEPENDS "${input}" "${PROJECT_SOURCE_DIR}/cmake/EmbedFile.cmake"
        COMMENT "Embedding ${input}"
        VERBATIM)
    set(${out_var} ${${out_var}} "${output}" PARENT_SCOPE)
endfunction()
