# Fills ${VORTWING_DATA_DIR}: the generated assets, the hand-written effect
# files, and the GlobalData folder the game keeps its results in (created when
# missing, never emptied: a rebuild must not wipe a player's ranking).
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
# The generator reruns only when it has been rebuilt.
set(ASSETGEN_STAMP ${CMAKE_BINARY_DIR}/assetgen.stamp)
add_custom_command(OUTPUT ${ASSETGEN_STAMP}
  COMMAND $<TARGET_FILE:assetgen> ${VORTWING_DATA_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${ASSETGEN_STAMP}
  DEPENDS assetgen
  COMMENT "Generating game data in ${VORTWING_DATA_DIR}" VERBATIM)
add_custom_target(data ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORTWING_DATA_DIR}/GlobalData
  DEPENDS ${SHADER_OUTPUTS} ${ASSETGEN_STAMP})
