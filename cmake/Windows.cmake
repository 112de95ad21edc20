# A Windows tree: framework, viewer, resources, plug-ins, Wine tests. The toolchain file
# picks the 32-bit tree (i686, plug-ins SPI\*.SPI) or the 64-bit one (x86_64, SPI\*.SPH).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(IXO_WIN_BITS 64)
    set(IXO_PLUGIN_EXT SPH)
    set(IXO_MANIFEST_ARCH amd64)
else()
    set(IXO_WIN_BITS 32)
    set(IXO_PLUGIN_EXT SPI)
    set(IXO_MANIFEST_ARCH x86)
endif()

set(IXO_WIN_DEFINES WINVER=0x0601 _WIN32_WINNT=0x0601 NOMINMAX STRICT)
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:${IXO_CHARSET_FLAGS}>")
add_compile_definitions("$<$<COMPILE_LANGUAGE:C,CXX>:${IXO_WIN_DEFINES}>")
set(CMAKE_EXE_LINKER_FLAGS "${CMAKE_EXE_LINKER_FLAGS} -static")
set(CMAKE_SHARED_LINKER_FLAGS "${CMAKE_SHARED_LINKER_FLAGS} -static")
# The same sources give the same files: the linker writes no build time into the PE
# header, and __FILE__ names a source by its path in the tree, not by where the tree lies.
# The compiler may be handed a source by its absolute path or, through a compiler cache
# that shares objects between checkouts, by a path relative to the build folder
# ("../../framework/X.cpp"): both lose the part before the tree. The compiler tries the
# last map first, so the longest climb comes last.
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS "${CMAKE_${kind}_LINKER_FLAGS} -Wl,--no-insert-timestamp")
endforeach()
set(IXO_PREFIX_MAPS -fmacro-prefix-map=${CMAKE_SOURCE_DIR}/=)
set(climb "")
foreach(depth RANGE 1 6)
    string(APPEND climb "../")
    list(APPEND IXO_PREFIX_MAPS -fmacro-prefix-map=${climb}=)
endforeach()
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:${IXO_PREFIX_MAPS}>")
set(IXO_WARNINGS -Wall -Wextra)

# Test programs run under Wine of the tree's width, in a prefix of this build folder.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_SOURCE_DIR}/scripts/wine-run;--bits;${IXO_WIN_BITS};--prefix;${CMAKE_BINARY_DIR}/wineprefix")

# The runnable folder: Ixo.exe with SPI/ beside it (the tree's plug-ins only).
set(IXO_DIST_DIR ${CMAKE_BINARY_DIR}/dist)

# Precompiled headers: <windows.h> and the standard headers most files include take a few
# seconds of every translation unit that includes them; compiled once per target instead.
set(IXO_PCH_HEADERS <windows.h> <algorithm> <cstdint> <functional> <memory> <optional> <string> <string_view>
    <utility> <vector>)
# GCC 12 loses the system-header mark of code read from a precompiled header, so the
# false alarms of its bounds checks over inlined string copies in <string> and <wchar.h>,
# silent otherwise, are shown; those two checks are off where headers are precompiled.
set(IXO_PCH_WARNINGS "$<$<COMPILE_LANGUAGE:CXX>:-Wno-array-bounds;-Wno-stringop-overread>")
function(ixo_precompile target)
    target_precompile_headers(${target} PRIVATE ${IXO_PCH_HEADERS} ${ARGN})
    target_compile_options(${target} PRIVATE ${IXO_PCH_WARNINGS})
endfunction()

# Code run only by the tests (their support libraries, the runners): built with line
# tables only for debugging information, which takes much of the time of compiling and
# linking it. The runners' own code (the test files) is optimised less, too. The viewer
# code they test is built as it ships; the support code, which the benchmarks use, keeps
# its optimisation. A target of more than two files precompiles the common headers and
# GoogleTest's; for fewer, precompiling costs more than it saves.
function(ixo_test_code target)
    target_compile_options(${target} PRIVATE "$<$<COMPILE_LANGUAGE:CXX>:-g1>")
    get_target_property(sources ${target} SOURCES)
    list(LENGTH sources count)
    if(count GREATER 2)
        ixo_precompile(${target} <gtest/gtest.h>)
    endif()
endfunction()
set(IXO_RUNNER_FLAGS "$<$<COMPILE_LANGUAGE:CXX>:-O1>")

# A hard link to a runner in dir/name/name.exe, and the ctest test `label.name` that starts
# it there under Wine (a plain file, so the tree's Wine is named here).
function(ixo_add_runner_test runner label name)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${name})
    add_custom_command(OUTPUT ${dir}/${name}.exe
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
                       COMMAND ${CMAKE_COMMAND} -E rm -f ${dir}/${name}.exe
                       COMMAND ${CMAKE_COMMAND} -E create_hardlink $<TARGET_FILE:${runner}> ${dir}/${name}.exe
                       DEPENDS ${runner}
                       VERBATIM)
    set(IXO_RUNNER_LINKS_${runner} ${IXO_RUNNER_LINKS_${runner}} ${dir}/${name}.exe PARENT_SCOPE)
    add_test(NAME ${label}.${name} COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${dir}/${name}.exe WORKING_DIRECTORY ${dir})
    # Windows, focus and the keyboard belong to one test at a time.
    set_tests_properties(${label}.${name} PROPERTIES RESOURCE_LOCK display TIMEOUT 600 LABELS ${label})
endfunction()

add_library(ixo_core STATIC ${IXO_CORE_SOURCES})
target_include_directories(ixo_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(ixo_core PRIVATE ${IXO_WARNINGS})

file(GLOB IXO_FRAMEWORK_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/framework/*.cpp)
# The entry point goes into the program itself: from a library the linker would not pick it up.
list(REMOVE_ITEM IXO_FRAMEWORK_SOURCES ${CMAKE_SOURCE_DIR}/framework/AppEntry.cpp)
add_library(ixo_framework STATIC ${IXO_FRAMEWORK_SOURCES})
target_include_directories(ixo_framework PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(ixo_framework PRIVATE ${IXO_WARNINGS})
ixo_precompile(ixo_framework)
# The system libraries the framework itself calls; the program and the benchmarks add their own.
# (shell32 and comdlg32 it loads at the first prompt that needs them.)
target_link_libraries(ixo_framework PUBLIC ole32 gdi32 user32 advapi32 kernel32)

# Bottom to top: decoders, the file list, settings, the parts, the main window.
set(IXO_SUBSYSTEMS image filelist host settings pane commands undo wallpaper sizedelete regdirs tools fullscreen open mainwnd app)
set(IXO_VIEWER_SOURCES)
foreach(dir ${IXO_SUBSYSTEMS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND IXO_VIEWER_SOURCES ${found})
endforeach()
list(REMOVE_ITEM IXO_VIEWER_SOURCES ${IXO_CORE_SOURCES} ${CMAKE_SOURCE_DIR}/app/ViewerApp.cpp)
add_library(ixo_viewer STATIC ${IXO_VIEWER_SOURCES})
target_link_libraries(ixo_viewer PUBLIC ixo_framework ixo_core)
target_compile_options(ixo_viewer PRIVATE ${IXO_WARNINGS})
ixo_precompile(ixo_viewer)

# The icon is drawn by code at build time.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/res/Ixo.ico
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/res
                   COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/res/make_icon.py ${CMAKE_BINARY_DIR}/res/Ixo.ico
                   DEPENDS ${CMAKE_SOURCE_DIR}/res/make_icon.py)
add_custom_target(ixo_icon DEPENDS ${CMAKE_BINARY_DIR}/res/Ixo.ico)

# The manifest names the tree's processor architecture.
configure_file(${CMAKE_SOURCE_DIR}/res/Ixo.manifest.in ${CMAKE_BINARY_DIR}/res/Ixo.manifest @ONLY)

# The version resources' numbers, from VERSION.
include(${CMAKE_SOURCE_DIR}/cmake/Version.cmake)
configure_file(${CMAKE_SOURCE_DIR}/res/IxoVersion.h.in ${CMAKE_BINARY_DIR}/res/IxoVersion.h @ONLY)

# Resources are linked as objects: a static library would drop them.
add_library(ixo_res OBJECT ${CMAKE_SOURCE_DIR}/res/Ixo.rc)
add_dependencies(ixo_res ixo_icon)
target_include_directories(ixo_res PRIVATE ${CMAKE_SOURCE_DIR}/res ${CMAKE_BINARY_DIR}/res ${CMAKE_SOURCE_DIR})
set_property(SOURCE ${CMAKE_SOURCE_DIR}/res/Ixo.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_BINARY_DIR}/res/Ixo.manifest ${CMAKE_BINARY_DIR}/res/Ixo.ico ${CMAKE_SOURCE_DIR}/res/resource.h
             ${CMAKE_BINARY_DIR}/res/IxoVersion.h ${CMAKE_SOURCE_DIR}/res/VersionInfo.rc2)

add_executable(Ixo WIN32 ${CMAKE_SOURCE_DIR}/app/ViewerApp.cpp ${CMAKE_SOURCE_DIR}/framework/AppEntry.cpp
               $<TARGET_OBJECTS:ixo_res>)
target_link_libraries(Ixo PRIVATE ixo_viewer comctl32)
target_compile_options(Ixo PRIVATE ${IXO_WARNINGS})
set_target_properties(Ixo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${IXO_DIST_DIR})

foreach(sub plugins tests/win tests/e2e)
    if(EXISTS ${CMAKE_SOURCE_DIR}/${sub}/CMakeLists.txt)
        add_subdirectory(${CMAKE_SOURCE_DIR}/${sub} ${CMAKE_BINARY_DIR}/${sub})
    endif()
endforeach()
# The benchmarks are built by scripts/bench (target ixo_benches), not by every build.
add_subdirectory(${CMAKE_SOURCE_DIR}/bench ${CMAKE_BINARY_DIR}/bench EXCLUDE_FROM_ALL)
