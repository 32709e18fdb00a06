# Platform files reset a suffix set in the toolchain file, so it lives here.
set(CMAKE_EXECUTABLE_SUFFIX ".exe.so")
