# Every source folder is one static library made of the files it holds, so a
# new class needs no build edit and a folder can be built and tested on its own.
function(tavo_module name)
    cmake_parse_arguments(ARG "" "" "DEPENDS;SUBDIRS" ${ARGN})
    set(patterns ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
                 ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    foreach(sub IN LISTS ARG_SUBDIRS)
        list(APPEND patterns ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.h
             ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.qrc)
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${patterns})
    set(compiled ${sources})
    list(FILTER compiled INCLUDE REGEX "\\.cpp$")
    if(compiled)
        set(scope PUBLIC)
        add_library(${name} STATIC ${sources})
    else()
        set(scope INTERFACE)
        add_library(${name} INTERFACE)
    endif()
    target_include_directories(${name} ${scope} ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} ${scope} ${ARG_DEPENDS})
endfunction()

# One QtTest executable per tst_*.cpp file in the calling folder.
function(tavo_test_folder)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    foreach(file IN LISTS tests)
        get_filename_component(test ${file} NAME_WE)
        add_executable(${test} ${file})
        target_link_libraries(${test} PRIVATE tavo_testsupport ${ARG_LIBS} Qt6::Test)
        add_test(NAME ${test} COMMAND ${test})
        # A home of its own, so no suite touches the settings or the log of whoever runs it.
        set(home ${CMAKE_CURRENT_BINARY_DIR}/${test}.home)
        set_tests_properties(
            ${test} PROPERTIES
            ENVIRONMENT
            "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_CACHE_HOME=${home}/cache"
            TIMEOUT 120)
    endforeach()
endfunction()
