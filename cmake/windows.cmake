# Windows build (MinGW-w64, i686 or x86-64): Kesto.dll, the stand-in shell, and the test
# programs that CTest runs under Wine.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0600 WINVER=0x0600)
set(static_runtime -static -static-libgcc -static-libstdc++)

# Kesto.dll alone needs nothing but the toolchain (MSYS2's MinGW-w64 on Windows,
# say). The stand-in shell, the tools and the tests also need stb and
# GoogleTest where Debian puts them; without those, the module is built alone.
option(KESTO_MODULE_ONLY "Build Kesto.dll alone" OFF)
if(NOT KESTO_MODULE_ONLY AND (NOT EXISTS /usr/include/stb/stb_image.h OR NOT EXISTS /usr/src/googletest/CMakeLists.txt))
  message(STATUS "stb or GoogleTest is not where Debian puts them: building Kesto.dll alone")
  set(KESTO_MODULE_ONLY ON)
endif()

if(NOT KESTO_MODULE_ONLY)
# stb from Debian's libstb-dev: copied alone so the host's other headers stay out.
file(COPY /usr/include/stb/stb_image_write.h /usr/include/stb/stb_image.h
     DESTINATION ${CMAKE_BINARY_DIR}/stb-include/stb)
endif()

if(KESTO_MODULE_ONLY)
  # The shell's functions Kesto imports, from an import library made by the
  # toolchain's dlltool: the shell's own lsapi.dll answers them at load.
  set(lsapi_import ${CMAKE_BINARY_DIR}/liblsapi-import.a)
  add_custom_command(OUTPUT ${lsapi_import}
    COMMAND ${CMAKE_DLLTOOL} -d ${CMAKE_SOURCE_DIR}/module/lsapi-imports.def -l ${lsapi_import}
    DEPENDS ${CMAKE_SOURCE_DIR}/module/lsapi-imports.def)
  add_custom_target(lsapi_import_library DEPENDS ${lsapi_import})
  add_library(lsapi SHARED IMPORTED GLOBAL)
  set_target_properties(lsapi PROPERTIES IMPORTED_IMPLIB ${lsapi_import})
endif()

# The stand-in shell's API library, exporting plain C names from a .def file.
# UTF-8 and UTF-16 at the edges, for the module, the stand-in and the tools.
add_library(kesto_wide STATIC base/wide_text.cpp)
target_include_directories(kesto_wide PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(kesto_wide PUBLIC kesto_core)

# Its stdcall LSLog carries the decorated names of the 32-bit shell there;
# x86-64 has one calling convention and plain names only, as the 64-bit shell.
if(NOT KESTO_MODULE_ONLY)
set(lsapi_def ${CMAKE_SOURCE_DIR}/shell/lsapi/lsapi.def)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  file(READ ${lsapi_def} lsapi_exports)
  string(REGEX REPLACE "  LSLog = LSLog@12\n  _LSLog@12 = LSLog@12\n" "  LSLog\n" lsapi_exports "${lsapi_exports}")
  set(lsapi_def ${CMAKE_BINARY_DIR}/lsapi-x86_64.def)
  file(WRITE ${lsapi_def} "${lsapi_exports}")
endif()
add_library(lsapi SHARED shell/lsapi/lsapi.cpp shell/lsapi/modules.cpp shell/lsapi/images.cpp shell/lsapi/monitors.cpp shell/variables.cpp
  ${lsapi_def})
set_target_properties(lsapi PROPERTIES PREFIX "" OUTPUT_NAME lsapi)
target_compile_definitions(lsapi PRIVATE KESTO_BUILDING_LSAPI)
target_link_libraries(lsapi PRIVATE kesto_core kesto_wide shell32 gdi32 user32)
target_include_directories(lsapi SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/stb-include)
target_link_options(lsapi PRIVATE ${static_runtime})
endif()

# The module's code, shared by Kesto.dll and the white-box tests.
add_library(kesto_impl STATIC
  base/module_state.cpp
  base/command_queue.cpp
  base/operation.cpp
  base/entry_thunk.cpp
  base/return_path_x64.cpp
  base/shell_expansion.cpp
  base/shell_log.cpp
  base/shell_image.cpp
  base/monitors.cpp
  base/dpi.cpp
  base/folder_watcher.cpp
  base/bounded_call.cpp
  base/accessible_object.cpp
  base/file_fingerprint.cpp
  base/bitmap_pixels.cpp
  base/shell_text.cpp
  module/command_window.cpp
  module/lifecycle.cpp
  box/box_list.cpp
  box/create_box.cpp
  box/box_window.cpp
  box/background.cpp
  box/destroy_box.cpp
  box/placement.cpp
  box/reload_box.cpp
  box/auto_reload.cpp
  box/alpha_box.cpp
  box/box_accessible.cpp
  box/keyboard.cpp
  content/groups.cpp
  content/shortcuts.cpp
  content/tooltip.cpp
  content/text_labels.cpp
  content/hosted_modules.cpp
  bang/bang_commands.cpp)
target_link_libraries(kesto_impl PUBLIC kesto_core kesto_wide lsapi comctl32 gdi32 user32 ole32 oleaut32)

add_library(Kesto SHARED module/dll_main.cpp module/kesto.def)
set_target_properties(Kesto PROPERTIES PREFIX "" OUTPUT_NAME Kesto)
target_link_libraries(Kesto PRIVATE -Wl,--whole-archive kesto_impl -Wl,--no-whole-archive kesto_core lsapi
                      comctl32 gdi32 user32 ole32 oleaut32)
# No link time in the headers and no symbols of the build folders: the same
# commit gives the same bytes.
target_link_options(Kesto PRIVATE ${static_runtime} -s -Wl,--no-insert-timestamp)
if(KESTO_MODULE_ONLY)
  add_dependencies(kesto_impl lsapi_import_library)
  return()
endif()

# The host that plays the shell, and its pieces shared with the tests.
add_library(shellhost STATIC shell/host/host.cpp shell/host/screen.cpp shell/host/input.cpp)
target_link_libraries(shellhost PUBLIC kesto_core kesto_wide lsapi gdi32 user32)
target_include_directories(shellhost PUBLIC ${CMAKE_SOURCE_DIR})
target_include_directories(shellhost SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/stb-include)
add_executable(kesto-host shell/host/main.cpp)
# Plays a user at a running shell from outside it (the real-shell lane).
add_executable(kesto-drive tests/realshell/drive.cpp)
target_link_libraries(kesto-drive PRIVATE shellhost oleacc ole32 oleaut32)
target_include_directories(kesto-drive SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/stb-include)
target_link_options(kesto-drive PRIVATE ${static_runtime})
target_link_libraries(kesto-host PRIVATE shellhost ole32)
target_link_options(kesto-host PRIVATE ${static_runtime})

include(cmake/windows-tests.cmake)

# Tools for theme authors: the checker as a Windows program, and the preview.
add_executable(kesto-check tools/check/main.cpp)
target_link_libraries(kesto-check PRIVATE kesto_check_lib)
target_link_options(kesto-check PRIVATE ${static_runtime})
add_library(kesto_preview STATIC tools/preview/preview.cpp)
target_include_directories(kesto_preview PUBLIC ${CMAKE_SOURCE_DIR})
target_include_directories(kesto_preview SYSTEM PUBLIC ${CMAKE_BINARY_DIR}/stb-include)
target_link_libraries(kesto_preview PUBLIC shellhost gdi32 user32)
add_executable(kesto-preview tools/preview/main.cpp)
target_link_libraries(kesto-preview PRIVATE kesto_preview shellhost shell32)
target_link_options(kesto-preview PRIVATE ${static_runtime})
