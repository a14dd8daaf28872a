# The Windows program, cross-compiled with mingw-w64 (i686).
enable_language(RC)

# One statically linked executable that needs only DLLs shipped with Windows.
set(WZRV_STATIC_LINK -static -static-libgcc -static-libstdc++)

# Generators that run at build time are small programs for the build machine.
find_program(WZRV_HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
function(wzrv_host_tool name source comment)
  set(tool ${CMAKE_CURRENT_BINARY_DIR}/${name})
  add_custom_command(
    OUTPUT ${tool}
    COMMAND ${WZRV_HOST_CXX} -std=c++17 -O2 -o ${tool} ${CMAKE_CURRENT_SOURCE_DIR}/${source}
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${source}
    COMMENT "${comment}")
endfunction()

# The icon.
wzrv_host_tool(mkicon tools/mkicon.cpp "Building the icon generator")
set(WZRV_ICON ${CMAKE_CURRENT_BINARY_DIR}/wzrv.ico)
add_custom_command(
  OUTPUT ${WZRV_ICON}
  COMMAND ${CMAKE_CURRENT_BINARY_DIR}/mkicon ${WZRV_ICON}
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/mkicon
  COMMENT "Drawing wzrv.ico")
add_custom_target(wzrv_icon DEPENDS ${WZRV_ICON})

# The shipped sound effects, written next to wzrv.exe. None of them is
# switched on by default.
wzrv_host_tool(mksounds tools/mksounds.cpp "Building the sound synthesiser")
set(WZRV_SOUND_NAMES impact-hexagon impact-octagon impact-mini field-rise field-fade)
set(WZRV_SOUNDS "")
foreach(name ${WZRV_SOUND_NAMES})
  list(APPEND WZRV_SOUNDS ${CMAKE_CURRENT_BINARY_DIR}/wzrv-${name}.wav)
endforeach()
add_custom_command(
  OUTPUT ${WZRV_SOUNDS}
  COMMAND ${CMAKE_CURRENT_BINARY_DIR}/mksounds ${CMAKE_CURRENT_BINARY_DIR}
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/mksounds
  COMMENT "Synthesising the sound effects")
add_custom_target(wzrv_sounds ALL DEPENDS ${WZRV_SOUNDS})

# The version resource and the manifest take the project version. The manifest
# names no activeCodePage: forcing code page 932 on the process would push
# every path and password the user gives through 932 (an accented letter
# becomes "?"), and Windows honours it only from Windows 11. The program
# widens its own Japanese texts itself (base/text_win32.h).
set(WZRV_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
# Windows checks that an executable's own manifest names its processor: an
# x86-64 program whose manifest says x86 is refused at start.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(WZRV_MANIFEST_ARCH amd64)
else()
  set(WZRV_MANIFEST_ARCH x86)
endif()
configure_file(resources/wzrv_version.h.in ${CMAKE_CURRENT_BINARY_DIR}/wzrv_version.h @ONLY)
configure_file(resources/wzrv.manifest.in ${CMAKE_CURRENT_BINARY_DIR}/wzrv.manifest @ONLY)

set_source_files_properties(resources/wzrv.rc PROPERTIES
  OBJECT_DEPENDS "${WZRV_ICON};${CMAKE_CURRENT_BINARY_DIR}/wzrv_version.h;${CMAKE_CURRENT_BINARY_DIR}/wzrv.manifest"
  COMPILE_FLAGS "-c 65001 -I ${CMAKE_CURRENT_BINARY_DIR}")
# windres does not understand the C compiler's charset flags.
set(CMAKE_RC_FLAGS "")

add_executable(wzrv WIN32
  shell/wzrv_win32.cpp
  shell/wzrvdlg_win32.cpp
  lock/screenlock_win32.cpp
  lock/picture_win32.cpp
  shell/saver_win32.cpp
  base/trace_win32.cpp
  base/text_win32.cpp
  pattern/pattern_win32.cpp
  storage/playback_win32.cpp
  storage/cache_win32.cpp
  palette/appaldlg_win32.cpp
  sound/sndefect_win32.cpp
  palette/colordlg_win32.cpp
  sound/sounddlg_win32.cpp
  base/profile_win32.cpp
  resources/wzrv.rc
)
wzrv_export_sources(wzrv)
function(wzrv_program target)
  add_dependencies(${target} wzrv_icon)
  target_link_libraries(${target} PRIVATE wzrv_core ${WZRV_STATIC_LINK} -s -mwindows
                        -Wl,--no-insert-timestamp
                        winmm comdlg32 gdi32 user32 kernel32)
  target_compile_definitions(${target} PRIVATE WINVER=0x0501 _WIN32_WINNT=0x0501 NOMINMAX ${ARGN})
endfunction()
wzrv_program(wzrv)
# The same program under the name Windows gives a screen saver.
add_custom_command(TARGET wzrv POST_BUILD
                   COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:wzrv>
                           $<TARGET_FILE_DIR:wzrv>/wzrv.scr
                   VERBATIM)

# Test build: the same program counting the GDI objects it creates and deletes,
# tracing their balance after each lock and unlock and at the end.
get_target_property(WZRV_EXE_SOURCES wzrv SOURCES)
add_executable(wzrv_gdicount WIN32 ${WZRV_EXE_SOURCES})
wzrv_program(wzrv_gdicount WZRV_GDI_COUNT)

if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/tests/probe/CMakeLists.txt)
  add_subdirectory(tests/probe)
endif()
