# One library per source folder. Sources are globbed so that work in different
# files of one folder never collides in its CMakeLists.txt.
function(tamro_folder_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    set(has_cpp FALSE)
    foreach(file IN LISTS sources)
        if(file MATCHES "\\.cpp$")
            set(has_cpp TRUE)
        endif()
    endforeach()
    if(has_cpp)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
endfunction()

# Tests of one folder: every *_test.cpp goes into one GoogleTest executable,
# every *_qtest.cpp becomes its own Qt Test executable run offscreen.
function(tamro_folder_tests label)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB gtest_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    file(GLOB helper_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
    file(GLOB qtest_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_qtest.cpp)
    set(test_env
        "QT_QPA_PLATFORM=offscreen"
        "TAMRO_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
        "TAMRO_BINARY_DIR=${PROJECT_BINARY_DIR}"
        "TAMRO18_EMULATOR_STATE=none")
    if(gtest_sources)
        set(exe ${label}_tests)
        add_executable(${exe} ${gtest_sources} ${helper_sources})
        target_link_libraries(${exe} PRIVATE ${ARG_DEPS} tamro_testing GTest::gtest GTest::gmock GTest::gtest_main)
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
        target_link_libraries(${exe} PRIVATE ${ARG_DEPS} tamro_testing Qt6::Test)
        add_test(NAME ${label}.${stem} COMMAND ${exe})
        set_tests_properties(${label}.${stem} PROPERTIES
            LABELS ${label} ENVIRONMENT "${test_env}" TIMEOUT 300)
    endforeach()
endfunction()
