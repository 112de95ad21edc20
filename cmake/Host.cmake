# Native build of the portable core and its unit tests, under ASan and UBSan.
set(IXO_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
# Optimised lightly, with line tables for the sanitizers' reports: the checks instrument
# every access, and at -O2 with full debugging information compiling took twice as long
# while the tests ran no faster.
set(IXO_HOST_SPEED -O1 -g1)

add_library(ixo_core STATIC ${IXO_CORE_SOURCES})
target_include_directories(ixo_core PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(ixo_core PUBLIC ${IXO_CHARSET_FLAGS} ${IXO_SANITIZE} ${IXO_HOST_SPEED} -Wall -Wextra)
target_link_options(ixo_core PUBLIC ${IXO_SANITIZE})

include(GoogleTest)
# Portable generators of test files (tests/data) serve the unit tests too.
file(GLOB IXO_UNIT_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp ${CMAKE_SOURCE_DIR}/tests/data/*.cpp)
# The shipped plug-in's portable parts are tested here too.
set(IXWIC_PORTABLE_SOURCES ByteSource.cpp DibPacker.cpp JpegHeader.cpp PictureHeader.cpp OtherFormats.cpp TiffHeader.cpp)
list(TRANSFORM IXWIC_PORTABLE_SOURCES PREPEND "${CMAKE_SOURCE_DIR}/plugins/ixwic/")
add_executable(unit_tests ${IXO_UNIT_TESTS} ${IXWIC_PORTABLE_SOURCES})
target_link_libraries(unit_tests PRIVATE ixo_core GTest::gtest_main)
# Independent test suites lie beside the checkout, in ../shared/corpus.
target_compile_definitions(unit_tests PRIVATE IXO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 30 PROPERTIES LABELS host)

# The resampler's speed, measured without the sanitizers (scripts/bench runs it).
add_executable(ResampleSpeed ${CMAKE_SOURCE_DIR}/bench/ResampleSpeed.cpp ${CMAKE_SOURCE_DIR}/image/Resample.cpp
               ${CMAKE_SOURCE_DIR}/image/BmpLayout.cpp ${CMAKE_SOURCE_DIR}/image/DecodeFailure.cpp)
target_include_directories(ResampleSpeed PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(ResampleSpeed PRIVATE ${IXO_CHARSET_FLAGS} -O2 -Wall -Wextra)
set_target_properties(ResampleSpeed PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
# ImageMagick scales pictures for the resampler's comparison.
find_program(IXO_CONVERT NAMES convert-im6.q16 magick convert REQUIRED)
target_compile_definitions(unit_tests PRIVATE IXO_CONVERT="${IXO_CONVERT}")
