# cmake -DSOURCE_ROOT=dir -DWORK=dir -DCHECK=check_layers.cmake -P check_layers_test.cmake
# The layer check passes on the real tree and fails, naming the file, on a
# copy of it holding one include against the layers.
set(layers "platform;lib;game;scene;app")
set(wrapped "SDL;epoxy/;GL/;AL/;X11/;vorbis/;ogg/;stb_")

function(run_check root result output)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_ROOT=${root} "-DLAYERS=${layers}" "-DWRAPPED=${wrapped}" -P ${CHECK}
    RESULT_VARIABLE code ERROR_VARIABLE text OUTPUT_QUIET)
  set(${result} ${code} PARENT_SCOPE)
  set(${output} "${text}" PARENT_SCOPE)
endfunction()

run_check(${SOURCE_ROOT} code text)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "the real tree fails the layer check:\n${text}")
endif()

# file to change | line to add | what the failure must name
set(cases
  "lib/Camera.cpp|#include \"game/Dragoon.h\"|lib/Camera.cpp: 'game/Dragoon.h'"
  "platform/fs/path.cpp|#include \"app/Options.h\"|platform/fs/path.cpp: 'app/Options.h'"
  "game/Area.h|#include \"../scene/Ranking.h\"|game/Area.h: '../scene/Ranking.h' climbs"
  "scene/Ranking.cpp|#include <SDL.h>|scene/Ranking.cpp: <SDL.h>"
  "lib/Camera.cpp|#include <AL/al.h>|lib/Camera.cpp: <AL/al.h>"
  "platform/win32/wintypes.h|#include <epoxy/gl.h>|platform/win32/wintypes.h: <epoxy/gl.h> reaches")
foreach(case ${cases})
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 file)
  list(GET parts 1 line)
  list(GET parts 2 expected)
  file(REMOVE_RECURSE ${WORK})
  file(COPY ${SOURCE_ROOT}/ DESTINATION ${WORK})
  file(APPEND ${WORK}/${file} "\n${line}\n")
  run_check(${WORK} code text)
  if(code EQUAL 0)
    message(FATAL_ERROR "the check let '${line}' in ${file} through")
  endif()
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the check refused '${line}' in ${file} without naming it:\n${text}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
