# The i686 Windows test programs. Same target as mingw-i686.cmake, but the posix thread model compilers:
# their libstdc++ has std::mutex and std::thread, which GoogleTest needs. The programs are linked -static,
# so no winpthread or libstdc++ DLL has to travel with them.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
