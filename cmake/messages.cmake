# The tools' messages: the catalogs of tools/lang as one C++ table, read by
# GNU gettext's tools (catalog-table.sh), and the code that speaks them.
# Included after the platform's compile options, which it takes.
set(PLK_LANG_DIR ${PROJECT_SOURCE_DIR}/tools/lang)
file(GLOB PLK_CATALOGS CONFIGURE_DEPENDS ${PLK_LANG_DIR}/*.pot ${PLK_LANG_DIR}/*.po)
find_program(PLK_MSGFMT msgfmt REQUIRED)  # and the rest of Debian's gettext
set(PLK_CATALOG_SOURCE ${CMAKE_BINARY_DIR}/generated/catalog_data.cpp)
add_custom_command(OUTPUT ${PLK_CATALOG_SOURCE}
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/catalog-table.sh ${PLK_LANG_DIR} ${PLK_CATALOG_SOURCE}
    DEPENDS ${PLK_CATALOGS} ${PROJECT_SOURCE_DIR}/cmake/catalog-table.sh
    VERBATIM)
add_library(plk_messages STATIC ${PROJECT_SOURCE_DIR}/tools/lib/messages.cpp ${PLK_CATALOG_SOURCE})
target_include_directories(plk_messages PUBLIC ${PROJECT_SOURCE_DIR})
