# cmake -DDIR=tools/lang -DOUT=catalog_data.cpp -P embed-catalogs.cmake
# Writes the message catalogs (the English template and every .po of DIR, by
# name) into one C++ table; comments are left out, flags kept (a fuzzy entry
# is no translation), and so is a translation's English. Only the files' names go in, so any folder gives the
# same source.
file(GLOB files RELATIVE ${DIR} ${DIR}/*.pot ${DIR}/*.po)
list(SORT files)
set(body "")
foreach(f IN LISTS files)
    file(READ ${DIR}/${f} text)
    set(text "\n${text}")
    string(REPLACE "\r" "" text "${text}")
    string(REGEX REPLACE "\n#[^,\n][^\n]*" "" text "${text}")
    string(REGEX REPLACE "\n#\n" "\n" text "${text}")
    string(REGEX REPLACE "\n\n+" "\n" text "${text}")
    # A translation is found by its id (msgctxt): its English need not be
    # stored again.
    if(f MATCHES "\\.po$")
        string(REGEX REPLACE "\nmsgid \"[^\n]*\"(\n\"[^\n]*\")*" "\nmsgid \"\"" text "${text}")
        string(REGEX REPLACE "\nmsgid_plural \"[^\n]*\"(\n\"[^\n]*\")*" "\nmsgid_plural \"-\"" text "${text}")
    endif()
    if(text MATCHES "\\)plk\"")
        message(FATAL_ERROR "${f} holds )plk\", which ends the embedded text")
    endif()
    string(APPEND body "    {\"${f}\", R\"plk(${text})plk\"},\n")
endforeach()
list(LENGTH files n)
set(out "// Made by cmake/embed-catalogs.cmake from tools/lang; do not edit.\n#include \"tools/lib/catalog_data.h\"\n\nconst CatalogSource kCatalogSources[] = {\n${body}};\nconst std::size_t kCatalogSourceCount = ${n};\n")
if(EXISTS ${OUT})
    file(READ ${OUT} old)
    if(old STREQUAL out)
        return()
    endif()
endif()
file(WRITE ${OUT} "${out}")
