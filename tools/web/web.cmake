# The show as a web page, compiled with Emscripten (tools/web/build.sh configures it): the shared
# sources with the web host and the Web Audio layer in place of SDL2 and mpg123. Its output is
# bin/lockstep.js and bin/lockstep.wasm; the page around them is programs/web/.
set(LOCKSTEP_WEB_KISSFFT "" CACHE PATH "kissfft's source folder (Debian's source package)")
if(NOT EXISTS "${LOCKSTEP_WEB_KISSFFT}/kiss_fftr.c")
  message(FATAL_ERROR "LOCKSTEP_WEB_KISSFFT must name kissfft's sources; tools/web/build.sh does")
endif()
add_library(kissfft STATIC ${LOCKSTEP_WEB_KISSFFT}/kiss_fft.c ${LOCKSTEP_WEB_KISSFFT}/kiss_fftr.c)
target_include_directories(kissfft PUBLIC ${LOCKSTEP_WEB_KISSFFT})
target_compile_definitions(kissfft PUBLIC kiss_fft_scalar=float)

add_executable(lockstep ${LOCKSTEP_SHARED_SOURCES} ${LOCKSTEP_WEB_LAYERS} platform/glad/src/gl.c)
target_include_directories(lockstep PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}
  ${CMAKE_CURRENT_SOURCE_DIR}/platform/glad/include)
target_link_libraries(lockstep PRIVATE kissfft)
target_compile_definitions(lockstep PRIVATE
  $<$<BOOL:${LOCKSTEP_FLOAT_FROM_CHARS}>:LOCKSTEP_FLOAT_FROM_CHARS=1>)
set(LOCKSTEP_WEB_AUDIO_JS ${CMAKE_CURRENT_SOURCE_DIR}/music/web_audio.js)
set(LOCKSTEP_SOUND_CLOCK_JS ${CMAKE_CURRENT_SOURCE_DIR}/music/sound_clock.js)
# WebGL 1 through emscripten/html5.h, files in memory, the page's own JavaScript beside it.
target_link_options(lockstep PRIVATE
  -sENVIRONMENT=web -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  -sALLOW_MEMORY_GROWTH=1 -sFORCE_FILESYSTEM=1 -sEXPORTED_RUNTIME_METHODS=FS
  --js-library ${LOCKSTEP_WEB_AUDIO_JS} --pre-js ${LOCKSTEP_SOUND_CLOCK_JS})
set_target_properties(lockstep PROPERTIES SUFFIX .js
  LINK_DEPENDS "${LOCKSTEP_WEB_AUDIO_JS};${LOCKSTEP_SOUND_CLOCK_JS}")
