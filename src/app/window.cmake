# The demonstration window and its screenshot tool (both need Qt, which the
# top level finds only after this directory; find it here as well).
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Charts)

add_executable(linkdemo ${CMAKE_CURRENT_LIST_DIR}/window_main.cpp)
target_link_libraries(linkdemo PRIVATE linkdemo_gui linkdemo_model linkdemo_cli Qt6::Widgets)

add_executable(linkdemo-screenshot ${PROJECT_SOURCE_DIR}/src/gui/screenshot_main.cpp)
target_link_libraries(linkdemo-screenshot PRIVATE linkdemo_gui linkdemo_model Qt6::Widgets)
