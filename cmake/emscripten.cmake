# Debian's emscripten 3.1.6 through its own Platform/Emscripten.cmake, with the
# environment it needs on every compile and link: Debian's python (the first
# python3 in PATH may be another), Debian's acorn for node, temp files in the build.
set(_plk_em_env
    EMSDK_PYTHON=/usr/bin/python3
    NODE_PATH=/usr/share/nodejs
    TMPDIR=${CMAKE_BINARY_DIR}/emtmp)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/emtmp)
# Configure-time calls (em-config, emcc -v) run in CMake's own environment.
set(ENV{EMSDK_PYTHON} /usr/bin/python3)
set(ENV{NODE_PATH} /usr/share/nodejs)
set(CMAKE_C_COMPILER_LAUNCHER env ${_plk_em_env})
set(CMAKE_CXX_COMPILER_LAUNCHER env ${_plk_em_env})
set(CMAKE_C_LINKER_LAUNCHER env ${_plk_em_env})
set(CMAKE_CXX_LINKER_LAUNCHER env ${_plk_em_env})
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
