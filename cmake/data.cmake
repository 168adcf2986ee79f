# Fills ${VORTWING_DATA_DIR} with the generated assets and the hand-written
# effect files, and ${VORTWING_ICON_DIR} with the desktop icons. Nothing of
# the player's is kept in either.
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
  COMMAND $<TARGET_FILE:assetgen> ${VORTWING_DATA_DIR} --icons ${VORTWING_ICON_DIR} ${VORTWING_APP_ID}
  COMMAND ${CMAKE_COMMAND} -E touch ${ASSETGEN_STAMP}
  DEPENDS assetgen
  COMMENT "Generating game data in ${VORTWING_DATA_DIR}" VERBATIM)
add_custom_target(data ALL DEPENDS ${SHADER_OUTPUTS} ${ASSETGEN_STAMP})
