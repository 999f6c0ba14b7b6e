include_guard(GLOBAL)

# Every source folder is one static library made of the files it holds, so a
# new class needs no build edit and a folder can be built and tested on its own.
#
#   tavo_module(<name> [WIDGETS] [GUI <why>] [SUBDIRS <folder>...] [DEPENDS <library>...])
#
# A library is logic unless it says WIDGETS: it links neither Qt Widgets nor,
# unless GUI says why it needs it, Qt Gui, directly or through any library it
# depends on, and its files include no header of those modules by path. The
# configure step checks this once every library is known and fails when a
# logic library breaks it, so nothing that draws can creep into the logic.
function(tavo_module name)
    cmake_parse_arguments(ARG "WIDGETS" "GUI" "DEPENDS;SUBDIRS" ${ARGN})
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
    if(NOT ARG_WIDGETS)
        set_target_properties(${name} PROPERTIES TAVO_SOURCES "${sources}" TAVO_GUI_REASON "${ARG_GUI}")
        set_property(GLOBAL APPEND PROPERTY TAVO_LOGIC_LIBRARIES ${name})
    endif()
endfunction()

# Whether target links module, directly or through other libraries; path is
# how: "a -> b -> module".
function(_tavo_find_link target module path)
    string(MAKE_C_IDENTIFIER "${target}" key)
    set(route_${key} "${target}")
    set(seen "")
    set(queue ${target})
    while(queue)
        list(POP_FRONT queue current)
        if(NOT TARGET "${current}" OR "${current}" IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${current})
        string(MAKE_C_IDENTIFIER "${current}" key)
        set(route "${route_${key}}")
        if(current STREQUAL module)
            set(${path} "${route}" PARENT_SCOPE)
            return()
        endif()
        get_target_property(links ${current} INTERFACE_LINK_LIBRARIES)
        get_target_property(type ${current} TYPE)
        get_target_property(imported ${current} IMPORTED)
        if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT imported)
            get_target_property(direct ${current} LINK_LIBRARIES)
            list(APPEND links ${direct})
        endif()
        foreach(item IN LISTS links)
            # $<LINK_ONLY:Qt6::Core> and the like still link the library.
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.+)>$" "\\1" item "${item}")
            string(MAKE_C_IDENTIFIER "${item}" next)
            if(TARGET "${item}" AND NOT DEFINED route_${next})
                set(route_${next} "${route} -> ${item}")
                list(APPEND queue ${item})
            endif()
        endforeach()
    endwhile()
    set(${path} "" PARENT_SCOPE)
endfunction()

function(tavo_check_layers)
    get_property(libraries GLOBAL PROPERTY TAVO_LOGIC_LIBRARIES)
    foreach(library IN LISTS libraries)
        get_target_property(reason ${library} TAVO_GUI_REASON)
        set(forbidden Qt6::Widgets)
        set(headers "Widgets")
        if(NOT reason)
            list(APPEND forbidden Qt6::Gui)
            set(headers "Widgets|Gui")
        endif()
        foreach(module IN LISTS forbidden)
            _tavo_find_link(${library} ${module} path)
            if(path)
                message(FATAL_ERROR "${library} is a logic library but links ${module}: ${path}. Move what "
                                    "draws into a WIDGETS library, or say with GUI why it needs Qt Gui.")
            endif()
        endforeach()
        get_target_property(sources ${library} TAVO_SOURCES)
        foreach(file IN LISTS sources)
            file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Qt(${headers})[/>]")
            if(includes)
                message(FATAL_ERROR "${library} is a logic library but ${file} has ${includes}")
            endif()
        endforeach()
    endforeach()
endfunction()

# Checked at the end of the configure step, when every library exists.
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tavo_check_layers)

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
