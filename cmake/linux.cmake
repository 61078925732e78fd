# Native build: the plug-in as a static library over the stand-in.
find_package(Threads REQUIRED)

if(PLK_SANITIZE)
    add_compile_options(-fsanitize=${PLK_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${PLK_SANITIZE})
    # The library's own bounds checks: a string_view or std::array read one
    # past its end lands in memory the sanitizers consider valid.
    add_compile_definitions(_GLIBCXX_ASSERTIONS)
endif()
add_compile_options(-Wall -Wextra)

add_library(plk_plugin STATIC ${PLK_PLUGIN_SOURCES})
target_include_directories(plk_plugin PUBLIC ${PROJECT_SOURCE_DIR})
add_library(plk_ini_walk STATIC ${PLK_INI_WALK_SOURCES})
target_link_libraries(plk_ini_walk PUBLIC plk_plugin)

add_library(plk_standin STATIC ${PLK_STANDIN_SOURCES}
    ${PROJECT_SOURCE_DIR}/standin/script_context_posix.cpp)
target_include_directories(plk_standin PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(plk_standin PUBLIC Threads::Threads)

find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB PLK_UNIT_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(plk_unit_tests ${PLK_UNIT_TESTS})
target_link_libraries(plk_unit_tests PRIVATE plk_plugin plk_ini_walk plk_standin GTest::gtest_main GTest::gmock)
target_compile_definitions(plk_unit_tests PRIVATE
    PLK_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
gtest_discover_tests(plk_unit_tests DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})

# Every catalog has every message of the English template, no other, and
# the arguments its English gives; the shipped ones translate them all.
add_test(NAME lang_catalogs COMMAND bash ${PROJECT_SOURCE_DIR}/tools/lang/check.sh --complete)
# The code uses the template's messages, all of them and no other.
add_test(NAME message_ids COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/message_ids.sh ${PROJECT_SOURCE_DIR})
# CONTRIBUTING.md's merge, played on copies, and lang-check after it.
add_test(NAME translation_flow COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/translation_flow.sh
    ${PROJECT_SOURCE_DIR} ${CMAKE_CXX_COMPILER})

# The include graph keeps the layout's promises.
add_test(NAME layout COMMAND bash ${PROJECT_SOURCE_DIR}/tests/check_layout.sh ${PROJECT_SOURCE_DIR})

# Not a test: the long check of the number parse and the label formatter
# against glibc (tests/numbers/float_check.cpp).
add_executable(plk_float_check ${PROJECT_SOURCE_DIR}/tests/numbers/float_check.cpp)
target_link_libraries(plk_float_check PRIVATE plk_plugin)

foreach(sub tools bench fuzz)
    if(EXISTS ${PROJECT_SOURCE_DIR}/${sub}/CMakeLists.txt)
        add_subdirectory(${PROJECT_SOURCE_DIR}/${sub} ${CMAKE_BINARY_DIR}/${sub})
    endif()
endforeach()
