# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the default win32-threads compiler).
# LOCKSTEP_WINDOWS_PREFIXES: install folders of libraries built for Windows, searched by
# find_package and pkg-config; nothing of the build machine's own libraries is found.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LOCKSTEP_WINDOWS_HOST x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${LOCKSTEP_WINDOWS_HOST}-gcc)
set(CMAKE_CXX_COMPILER ${LOCKSTEP_WINDOWS_HOST}-g++)
set(CMAKE_RC_COMPILER ${LOCKSTEP_WINDOWS_HOST}-windres)
set(PKG_CONFIG_EXECUTABLE ${LOCKSTEP_WINDOWS_HOST}-pkg-config)

# The compiler's runtime goes into each binary, so only the libraries' own DLLs ship. No link
# time in the PE header, and source paths relative to the clone: where it lies and when it is
# built change no byte.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp")
get_filename_component(_lockstep_clone "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
# ld orders a PE's imports by the paths of the import libraries it read. With the clone's path in
# our libraries' and not in Windows' own (/usr), where the clone lies would decide which come
# first; LOCKSTEP_WINDOWS_LIBDIR, a link in the tree to Windows' own, makes every path start alike.
if(LOCKSTEP_WINDOWS_LIBDIR)
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -L${LOCKSTEP_WINDOWS_LIBDIR}")
endif()
set(CMAKE_C_FLAGS_INIT "-ffile-prefix-map=${_lockstep_clone}=.")
set(CMAKE_CXX_FLAGS_INIT "-ffile-prefix-map=${_lockstep_clone}=.")

list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LOCKSTEP_WINDOWS_PREFIXES LOCKSTEP_WINDOWS_LIBDIR)
set(CMAKE_FIND_ROOT_PATH /usr/${LOCKSTEP_WINDOWS_HOST} ${LOCKSTEP_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(_lockstep_pc_dirs "")
foreach(prefix ${LOCKSTEP_WINDOWS_PREFIXES})
  list(APPEND _lockstep_pc_dirs ${prefix}/lib/pkgconfig)
endforeach()
string(REPLACE ";" ":" _lockstep_pc_dirs "${_lockstep_pc_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} "${_lockstep_pc_dirs}")
unset(ENV{PKG_CONFIG_PATH})
