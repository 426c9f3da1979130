# SPDX-License-Identifier: MIT
# The layering of the model, checked on its #include lines:
#
#   cmake -DSOURCE_DIR=<project>/src -P check_layering.cmake
#
# The widgets include only their own headers, the packet layer only its own,
# and a component (wire, transmitter, receiver, queue, source) only its own,
# the widgets' and the packet layer's: never another component's. Each
# quoted include names its folder ("wire/trace.h"); one without a folder is
# the including file's neighbour. The palette reads the components' colours:
# it may include them, the widgets and the packet layer, nothing above them.
# Fails with every offending include listed.
cmake_minimum_required(VERSION 3.25)

set(components wire transmitter receiver queue source)
set(allowed_widgets widgets)
set(allowed_packet packet)
foreach(component ${components})
  set(allowed_${component} ${component} widgets packet)
endforeach()
set(allowed_palette palette widgets packet ${components})

set(include_line "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\"")
set(faults "")
foreach(folder widgets packet ${components} palette)
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
  foreach(file ${files})
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "${include_line}")
    foreach(line ${lines})
      string(REGEX MATCH "${include_line}" _ "${line}")
      set(header "${CMAKE_MATCH_1}")
      string(REGEX MATCH "^[^/]*/" used "${header}")
      string(REPLACE "/" "" used "${used}")
      if(used AND NOT used IN_LIST allowed_${folder})
        string(REPLACE ";" ", " allowed "${allowed_${folder}}")
        string(APPEND faults "\n  ${file} includes ${header} (${folder} may include only ${allowed})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Layering broken:${faults}")
endif()
