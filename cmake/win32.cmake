# The Windows program, cross-compiled with mingw-w64 (i686).
enable_language(RC)

# One statically linked executable that needs only DLLs shipped with Windows.
set(WZRV_STATIC_LINK -static -static-libgcc -static-libstdc++)

# The icon is drawn by a small generator built for the build machine.
find_program(WZRV_HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(WZRV_MKICON ${CMAKE_CURRENT_BINARY_DIR}/mkicon)
set(WZRV_ICON ${CMAKE_CURRENT_BINARY_DIR}/wzrv.ico)
add_custom_command(
  OUTPUT ${WZRV_MKICON}
  COMMAND ${WZRV_HOST_CXX} -std=c++17 -O2 -o ${WZRV_MKICON} ${CMAKE_CURRENT_SOURCE_DIR}/resources/mkicon.cpp
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/mkicon.cpp
  COMMENT "Building the icon generator")
add_custom_command(
  OUTPUT ${WZRV_ICON}
  COMMAND ${WZRV_MKICON} ${WZRV_ICON}
  DEPENDS ${WZRV_MKICON}
  COMMENT "Drawing wzrv.ico")
add_custom_target(wzrv_icon DEPENDS ${WZRV_ICON})

# The shipped sound effects, synthesised by a small host program and written
# next to wzrv.exe. None of them is switched on by default.
set(WZRV_MKSOUNDS ${CMAKE_CURRENT_BINARY_DIR}/mksounds)
set(WZRV_SOUND_NAMES impact-hexagon impact-octagon impact-mini field-rise field-fade)
set(WZRV_SOUNDS "")
foreach(name ${WZRV_SOUND_NAMES})
  list(APPEND WZRV_SOUNDS ${CMAKE_CURRENT_BINARY_DIR}/wzrv-${name}.wav)
endforeach()
add_custom_command(
  OUTPUT ${WZRV_MKSOUNDS}
  COMMAND ${WZRV_HOST_CXX} -std=c++17 -O2 -o ${WZRV_MKSOUNDS} ${CMAKE_CURRENT_SOURCE_DIR}/sound/mksounds.cpp
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/sound/mksounds.cpp
  COMMENT "Building the sound synthesiser")
add_custom_command(
  OUTPUT ${WZRV_SOUNDS}
  COMMAND ${WZRV_MKSOUNDS} ${CMAKE_CURRENT_BINARY_DIR}
  DEPENDS ${WZRV_MKSOUNDS}
  COMMENT "Synthesising the sound effects")
add_custom_target(wzrv_sounds ALL DEPENDS ${WZRV_SOUNDS})

set_source_files_properties(resources/wzrv.rc PROPERTIES
  OBJECT_DEPENDS ${WZRV_ICON}
  COMPILE_FLAGS "-c 65001 -I ${CMAKE_CURRENT_BINARY_DIR}")
# windres does not understand the C compiler's charset flags.
set(CMAKE_RC_FLAGS "")

add_executable(wzrv WIN32
  shell/wzrv_win32.cpp
  shell/wzrvdlg_win32.cpp
  shell/trace_win32.cpp
  pattern/pattern_win32.cpp
  storage/playback_win32.cpp
  storage/cache_win32.cpp
  palette/appaldlg_win32.cpp
  sound/sndefect_win32.cpp
  shell/profile_win32.cpp
  resources/wzrv.rc
)
add_dependencies(wzrv wzrv_icon)
target_link_libraries(wzrv PRIVATE wzrv_core ${WZRV_STATIC_LINK} -s -mwindows winmm comdlg32 gdi32 user32 kernel32)
target_compile_definitions(wzrv PRIVATE WINVER=0x0501 _WIN32_WINNT=0x0501 NOMINMAX)

# Test build: the same program counting the GDI objects it creates and deletes,
# tracing their balance after each lock and unlock and at the end.
get_target_property(WZRV_EXE_SOURCES wzrv SOURCES)
add_executable(wzrv_gdicount WIN32 ${WZRV_EXE_SOURCES})
add_dependencies(wzrv_gdicount wzrv_icon)
target_link_libraries(wzrv_gdicount PRIVATE wzrv_core ${WZRV_STATIC_LINK} -s -mwindows winmm comdlg32 gdi32 user32 kernel32)
target_compile_definitions(wzrv_gdicount PRIVATE WINVER=0x0501 _WIN32_WINNT=0x0501 NOMINMAX WZRV_GDI_COUNT)

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/probe/CMakeLists.txt)
  add_subdirectory(tests/probe)
endif()
