# window executables (see window_main.cpp)
