# The floors of src/: reads every #include under SRC_DIR and fails when a file reaches a folder its
# layer may not use. Run as a test: cmake -DSRC_DIR=<repo>/src -P check_layers.cmake
#
# The one table of what each layer may include besides its own folder, bottom to top. A word is a
# layer (a folder, "ui" for every */ui/ folder, "link/hidapi"), a single header ("link/busy_state.h"),
# "qt" or "hidapi" for the platform's headers, or "*" for everything.
cmake_minimum_required(VERSION 3.20)
set(LAYERS
  "base          "
  "geometry      base"
  "document      base geometry"
  "link          base geometry document link/hidapi"
  "simulator     base geometry document link"
  "shell         base geometry document link simulator"
  "link/hidapi   base link  hidapi"
  "ui            *  qt")
# The Pose record (five motor values and the coordinates that match them) is what the kinematics
# compute, so it lives in geometry and the document builds its Motion on it. The link's virtual robot is the real CP2110 bridge code driving an
# emulated chip, so the link uses link/hidapi; that code reaches hidapi only through its own seam,
# and hidapi_library.cpp alone includes hidapi itself.

if(NOT SRC_DIR)
  message(FATAL_ERROR "check_layers.cmake needs -DSRC_DIR=<the src folder>")
endif()

foreach(row IN LISTS LAYERS)
  string(REGEX MATCHALL "[^ ]+" words "${row}")
  list(POP_FRONT words layer)
  list(APPEND known_layers "${layer}")
  set(allowed_${layer} ${words})
endforeach()

# The layer a path under src/ (a file, or an include such as "link/hidapi/cp2110_bridge.h") is on.
function(layer_of path out)
  string(REGEX MATCHALL "[^/]+" parts "${path}")
  list(LENGTH parts n)
  list(GET parts 0 top)
  set(layer "${top}")
  if(n GREATER 2)
    list(GET parts 1 sub)
    if(sub STREQUAL "ui")
      set(layer "ui")
    elseif(sub STREQUAL "hidapi")
      set(layer "${top}/hidapi")
    endif()
  endif()
  set(${out} "${layer}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SRC_DIR}" "${SRC_DIR}/*.h" "${SRC_DIR}/*.cpp")
list(SORT sources)
set(faults 0)
foreach(source IN LISTS sources)
  layer_of("${source}" layer)
  if(NOT layer IN_LIST known_layers)
    message(SEND_ERROR "src/${source}: the folder has no row in the layer table")
    math(EXPR faults "${faults} + 1")
    continue()
  endif()
  set(allowed ${allowed_${layer}})
  file(STRINGS "${SRC_DIR}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS includes)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]*)[>\"].*$" "\\1\\2" inc "${line}")
    string(SUBSTRING "${inc}" 0 1 bracket)
    string(SUBSTRING "${inc}" 1 -1 header)
    set(ok TRUE)
    if(bracket STREQUAL "<")
      # Only the platform's headers are checked among the system includes.
      if(header MATCHES "^Q" AND NOT "qt" IN_LIST allowed)
        set(ok FALSE)
      elseif(header MATCHES "^hidapi" AND NOT "hidapi" IN_LIST allowed)
        set(ok FALSE)
      endif()
    elseif(header MATCHES "/" AND EXISTS "${SRC_DIR}/${header}")
      layer_of("${header}" target)
      if(NOT target STREQUAL layer AND NOT "*" IN_LIST allowed AND NOT target IN_LIST allowed
         AND NOT header IN_LIST allowed)
        set(ok FALSE)
      endif()
    endif()
    if(NOT ok)
      list(JOIN allowed ", " may_use)
      message(SEND_ERROR "src/${source} includes ${header}, but the ${layer} layer may use only "
                         "its own folder and: ${may_use}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

list(LENGTH sources count)
if(faults EQUAL 0)
  message(STATUS "layering: ${count} files keep to their floors")
endif()
