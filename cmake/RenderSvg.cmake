# ostrela_render_svg(<output.png> <source.svg> <comment> [rsvg-convert arguments...])
# Renders one SVG to a PNG at build time; further arguments go to rsvg-convert
# (a size, a background).
find_program(RSVG_CONVERT_PROGRAM rsvg-convert REQUIRED)

function(ostrela_render_svg output source comment)
  get_filename_component(dir ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${RSVG_CONVERT_PROGRAM} ${ARGN} --output=${output} ${source}
    DEPENDS ${source}
    COMMENT "${comment}"
    VERBATIM)
endfunction()
