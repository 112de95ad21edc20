# GoogleTest from Debian's source tree, built with this tree's compiler.
set(IXO_GTEST_DIR /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
add_subdirectory(${IXO_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
    # Line tables are debugging information enough for the test framework.
    target_compile_options(gtest PRIVATE -g1)
endif()
