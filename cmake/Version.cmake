# The release's version: the one line of VERSION at the top of the tree, MAJOR.MINOR.PATCH.
# The version resources of the program and of the plug-ins, and the packages, take it
# from there.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION IXO_VERSION LIMIT_COUNT 1)
string(STRIP "${IXO_VERSION}" IXO_VERSION)
if(NOT IXO_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "VERSION holds \"${IXO_VERSION}\", not MAJOR.MINOR.PATCH")
endif()
set(IXO_VERSION_MAJOR ${CMAKE_MATCH_1})
set(IXO_VERSION_MINOR ${CMAKE_MATCH_2})
set(IXO_VERSION_PATCH ${CMAKE_MATCH_3})
# Each part is one 16-bit word of the resource's binary version.
foreach(part ${IXO_VERSION_MAJOR} ${IXO_VERSION_MINOR} ${IXO_VERSION_PATCH})
    if(part GREATER 65535)
        message(FATAL_ERROR "VERSION ${IXO_VERSION}: a part above 65535 does not fit a version resource")
    endif()
endforeach()
