# One library per source folder. Sources are globbed so that work in different
# files of one folder never collides in its CMakeLists.txt.
#
# Each library exposes only its own headers: its include folder in the build
# tree holds links to the headers of its source folder (not of subfolders)
# under the folder's path, so "link/link.h" resolves only for targets that
# link tamro_link, and "tools/ui/editor.h" only for those that link
# tamro_tools_ui.

# Libraries and programs that must not reach Qt, directly or through a dependency.
set_property(GLOBAL PROPERTY TAMRO_QT_FREE_TARGETS "")

# Makes `target` expose the headers of `source_dir` (a folder of the source tree)
# under their path from the project root.
function(tamro_expose_headers target source_dir scope)
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${source_dir})
    set(root ${PROJECT_BINARY_DIR}/include/${target})
    # Rebuilt on every configure so that a moved or removed header leaves no link behind.
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root}/${relative})
    file(GLOB headers CONFIGURE_DEPENDS ${source_dir}/*.h)
    foreach(header IN LISTS headers)
        get_filename_component(header_name ${header} NAME)
        file(CREATE_LINK ${header} ${root}/${relative}/${header_name} SYMBOLIC)
    endforeach()
    target_include_directories(${target} ${scope} ${root})
endfunction()

# A static library of the sources in `source_dir`, or an interface library when
# the folder holds headers only.
function(tamro_source_library name source_dir)
    file(GLOB sources CONFIGURE_DEPENDS ${source_dir}/*.cpp ${source_dir}/*.h)
    set(compiled ${sources})
    list(FILTER compiled INCLUDE REGEX "\\.cpp$")
    if(compiled)
        add_library(${name} STATIC ${sources})
        set(scope PUBLIC)
    else()
        add_library(${name} INTERFACE)
        set(scope INTERFACE)
    endif()
    tamro_expose_headers(${name} ${source_dir} ${scope})
    target_link_libraries(${name} ${scope} ${ARGN})
endfunction()

# tamro_folder_library(NAME [WIDGETS] [DEPS libs...] [UI_DEPS libs...])
# The folder's library is Qt-free unless WIDGETS says the folder itself is
# window code (or NAME ends in _ui). A `ui/` subfolder becomes NAME_ui: the
# folder's windows, built on NAME and Qt Widgets (plus UI_DEPS), unless it has
# a CMakeLists.txt of its own.
function(tamro_folder_library name)
    cmake_parse_arguments(ARG "WIDGETS" "" "DEPS;UI_DEPS" ${ARGN})
    tamro_source_library(${name} ${CMAKE_CURRENT_SOURCE_DIR} ${ARG_DEPS})
    if(NOT ARG_WIDGETS AND NOT name MATCHES "_ui$")
        tamro_qt_free(${name})
    endif()
    file(GLOB ui_sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.h)
    if(ui_sources AND NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/ui/CMakeLists.txt)
        tamro_source_library(${name}_ui ${CMAKE_CURRENT_SOURCE_DIR}/ui
            ${name} ${ARG_UI_DEPS} Qt6::Widgets)
    endif()
endfunction()

# Declares targets that must link no Qt library; tamro_check_qt_free() checks them.
function(tamro_qt_free)
    set_property(GLOBAL APPEND PROPERTY TAMRO_QT_FREE_TARGETS ${ARGN})
endfunction()

function(tamro_find_qt target chain result)
    if(target MATCHES "^Qt6::")
        set(${result} "${chain}" PARENT_SCOPE)
        return()
    endif()
    if(NOT TARGET ${target})
        set(${result} "" PARENT_SCOPE)
        return()
    endif()
    get_target_property(type ${target} TYPE)
    set(libraries "")
    get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
    if(interface)
        list(APPEND libraries ${interface})
    endif()
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(direct ${target} LINK_LIBRARIES)
        if(direct)
            list(APPEND libraries ${direct})
        endif()
    endif()
    list(REMOVE_DUPLICATES libraries)
    foreach(library IN LISTS libraries)
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" library "${library}")
        tamro_find_qt(${library} "${chain} -> ${library}" found)
        if(found)
            set(${result} "${found}" PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${result} "" PARENT_SCOPE)
endfunction()

# Fails the configuration when a target declared Qt-free reaches Qt; the others
# need no moc run.
function(tamro_check_qt_free)
    get_property(targets GLOBAL PROPERTY TAMRO_QT_FREE_TARGETS)
    foreach(target IN LISTS targets)
        if(TARGET ${target})
            set_target_properties(${target} PROPERTIES AUTOMOC OFF)
            tamro_find_qt(${target} ${target} found)
            if(found)
                message(FATAL_ERROR "${target} must not use Qt, but links ${found}")
            endif()
        endif()
    endforeach()
endfunction()

# Tests of one folder: every *_test.cpp goes into one GoogleTest executable,
# every *_qtest.cpp becomes its own Qt Test executable run offscreen. The
# folder's headers (shared fakes) are the library tamro_tests_<label>, for
# this folder's tests and for others that name it in DEPS.
function(tamro_folder_tests label)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB gtest_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    file(GLOB helper_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
    file(GLOB qtest_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_qtest.cpp)
    add_library(tamro_tests_${label} INTERFACE)
    tamro_expose_headers(tamro_tests_${label} ${CMAKE_CURRENT_SOURCE_DIR} INTERFACE)
    set(test_env
        "QT_QPA_PLATFORM=offscreen"
        "TAMRO_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
        "TAMRO_BINARY_DIR=${PROJECT_BINARY_DIR}"
        "TAMRO18_EMULATOR_STATE=none")
    if(gtest_sources)
        set(exe ${label}_tests)
        add_executable(${exe} ${gtest_sources} ${helper_sources})
        target_link_libraries(${exe} PRIVATE tamro_tests_${label} ${ARG_DEPS} tamro_testing
            GTest::gtest GTest::gmock GTest::gtest_main)
        # Discovered tests take a property list apart at every semicolon, so
        # an ENVIRONMENT property would carry only its first variable; running
        # the tests (and their discovery) through `cmake -E env` sets them all.
        set_target_properties(${exe} PROPERTIES
            CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-E;env;${test_env}")
        gtest_discover_tests(${exe}
            DISCOVERY_MODE PRE_TEST
            TEST_PREFIX "${label}."
            PROPERTIES LABELS ${label} TIMEOUT 300)
    endif()
    foreach(source IN LISTS qtest_sources)
        get_filename_component(stem ${source} NAME_WE)
        set(exe ${label}_${stem})
        add_executable(${exe} ${source} ${helper_sources})
        target_link_libraries(${exe} PRIVATE tamro_tests_${label} ${ARG_DEPS} tamro_testing
            Qt6::Test)
        add_test(NAME ${label}.${stem} COMMAND ${exe})
        set_tests_properties(${label}.${stem} PROPERTIES
            LABELS ${label} ENVIRONMENT "${test_env}" TIMEOUT 300)
    endforeach()
endfunction()
