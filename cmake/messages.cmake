# The tools' messages: the catalogs of tools/lang embedded in one table
# (embed-catalogs.cmake) and the code that speaks them. Included after the
# platform's compile options, which it takes.
set(PLK_LANG_DIR ${PROJECT_SOURCE_DIR}/tools/lang)
file(GLOB PLK_CATALOGS CONFIGURE_DEPENDS ${PLK_LANG_DIR}/*.pot ${PLK_LANG_DIR}/*.po)
set(PLK_CATALOG_SOURCE ${CMAKE_BINARY_DIR}/generated/catalog_data.cpp)
add_custom_command(OUTPUT ${PLK_CATALOG_SOURCE}
    COMMAND ${CMAKE_COMMAND} -DDIR=${PLK_LANG_DIR} -DOUT=${PLK_CATALOG_SOURCE}
        -P ${PROJECT_SOURCE_DIR}/cmake/embed-catalogs.cmake
    DEPENDS ${PLK_CATALOGS} ${PROJECT_SOURCE_DIR}/cmake/embed-catalogs.cmake
    VERBATIM)
add_library(plk_messages STATIC ${PROJECT_SOURCE_DIR}/tools/lib/messages.cpp ${PLK_CATALOG_SOURCE})
target_include_directories(plk_messages PUBLIC ${PROJECT_SOURCE_DIR})
