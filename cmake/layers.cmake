# The program's layers, lowest first. A file of one layer may include headers
# of its own layer and of the layers before it, never of those after it, and
# only the platform layer may include the headers of the libraries it wraps.
set(VORTWING_LAYERS platform lib game scene app)
set(VORTWING_WRAPPED_HEADERS "SDL" "epoxy/" "GL/" "AL/" "X11/" "vorbis/" "ogg/" "stb_")

# Checks the layers' includes before anything is compiled: a wrong-way include
# fails the build with the file, the line and the rule it breaks.
file(GLOB_RECURSE VORTWING_LAYERED_FILES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/source/*.cpp ${CMAKE_SOURCE_DIR}/source/*.h ${CMAKE_SOURCE_DIR}/source/*.c)
set(VORTWING_LAYER_STAMP ${CMAKE_BINARY_DIR}/layers.stamp)
add_custom_command(OUTPUT ${VORTWING_LAYER_STAMP}
  COMMAND ${CMAKE_COMMAND} -DSOURCE_ROOT=${CMAKE_SOURCE_DIR}/source
          "-DLAYERS=${VORTWING_LAYERS}" "-DWRAPPED=${VORTWING_WRAPPED_HEADERS}"
          -P ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${VORTWING_LAYER_STAMP}
  DEPENDS ${VORTWING_LAYERED_FILES} ${CMAKE_SOURCE_DIR}/cmake/check_layers.cmake
  COMMENT "Checking that includes follow the layers" VERBATIM)
add_custom_target(layer_check DEPENDS ${VORTWING_LAYER_STAMP})

# vortwing_layer(target folder [EXCLUDE file...]): a static library of
# source/<folder>, built only after the include check has passed.
function(vortwing_layer target folder)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/source/${folder}/*.cpp ${CMAKE_SOURCE_DIR}/source/${folder}/*.c)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/source/${folder}/${excluded})
  endforeach()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/source)
  add_dependencies(${target} layer_check)
endfunction()
