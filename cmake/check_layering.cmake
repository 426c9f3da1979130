# SPDX-License-Identifier: MIT
# The layering of the sources, checked on their #include lines:
#
#   cmake -DSOURCE_DIR=<project>/src -P check_layering.cmake
#
# Every folder of src/ sits on one layer, lowest first:
#
#   widgets, packet     the controls and the clock; the Packet record
#   components          wire, transmitter, receiver, queue, source; and
#     topology          the routing indices and table, the scenario vocabulary
#   palette             the colour table and its profiles, from the components' colours
#   lab                 measured figures, theory, random loss
#   shell               the window's model
#   explain             plain words: the explanation of a run, descriptions
#   session             the tools around it: runner, JSON, presenter, help, lecture tools
#   sweep               parameter sweeps, above the runner
#   web | gui           the page's core; the Qt binding
#   app                 the executables
#
# A file includes only headers of its own folder and of folders on lower
# layers: never a neighbour on its own layer (one component another, the web
# edition the Qt binding), nor anything outside src/ (bench/). Each quoted
# include names its folder ("wire/trace.h"); one without a folder is the
# including file's neighbour or a generated header. A folder on no layer is
# a fault too. Fails with every offending include listed.
cmake_minimum_required(VERSION 3.25)

set(layers "widgets packet" "wire transmitter receiver queue source topology" "palette" "lab" "shell" "explain" "session" "sweep" "web gui" "app")

# allowed_<folder>: the folder itself, then every folder below it, nearest
# layer first.
set(below "")
set(known "")
foreach(layer IN LISTS layers)
  string(REPLACE " " ";" folders "${layer}")
  foreach(folder ${folders})
    set(allowed_${folder} ${folder} ${below})
  endforeach()
  list(APPEND known ${folders})
  set(below ${folders} ${below})
endforeach()

set(include_line "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\"")
set(faults "")
file(GLOB folders_found LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
foreach(folder ${folders_found})
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${folder})
    continue()
  endif()
  if(NOT folder IN_LIST known)
    string(APPEND faults "\n  ${folder}/ is on no layer (cmake/check_layering.cmake)")
    continue()
  endif()
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

# The Qt binding proper mirrors any model window: its files include the
# widgets, the core's binding rules in session (bindingrules, inputgate,
# keys, wallclock and the pace, the recorder's UserInput), the palette and
# one another, never the demonstration's model (shell), its components nor
# the rest of gui/ (DemoWindow joins the binding to the model).
set(binding_files modelwindow views units inputside clockdriver keymap textfit profile)
set(binding_allows widgets session palette)
foreach(name ${binding_files})
  foreach(file gui/${name}.h gui/${name}.cpp)
    if(NOT EXISTS ${SOURCE_DIR}/${file})
      continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "${include_line}")
    foreach(line ${lines})
      string(REGEX MATCH "${include_line}" _ "${line}")
      set(header "${CMAKE_MATCH_1}")
      string(REGEX MATCH "^[^/]*/" used "${header}")
      string(REPLACE "/" "" used "${used}")
      get_filename_component(base "${header}" NAME_WE)
      if(used STREQUAL "gui" AND NOT base IN_LIST binding_files)
        string(APPEND faults "\n  ${file} includes ${header} (the binding includes only its own gui files)")
      elseif(used AND NOT used STREQUAL "gui" AND NOT used IN_LIST binding_allows)
        string(APPEND faults "\n  ${file} includes ${header} (the binding may include only gui, widgets, session, palette)")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Layering broken:${faults}")
endif()
