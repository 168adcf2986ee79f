# Fills ${VORTWING_DATA_DIR}: the hand-written effect files, and the empty
# GlobalData folder the game keeps its results in.
file(GLOB SHADER_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/Shader/*.fx)
set(SHADER_OUTPUTS)
foreach(fx ${SHADER_FILES})
  get_filename_component(name ${fx} NAME)
  set(out ${VORTWING_DATA_DIR}/Shader/${name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${fx} ${out}
    DEPENDS ${fx} VERBATIM)
  list(APPEND SHADER_OUTPUTS ${out})
endforeach()
add_custom_target(data ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORTWING_DATA_DIR}/GlobalData
  DEPENDS ${SHADER_OUTPUTS})
