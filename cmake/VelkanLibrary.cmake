function(velkan_use_qt_tools target)
  set_target_properties(${target} PROPERTIES AUTOMOC ON AUTOUIC ON AUTORCC ON)
endfunction()

# One library per folder. The folder's own *.cpp files form velkan_<name>
# (plain C++, no Qt), except a main.cpp, which is the folder's program; the files
# under its ui/ folder form velkan_<name>_ui,
# the only place Qt is linked. Sources are globbed so that adding a file to a
# folder needs no edit here.
function(velkan_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;UI_DEPENDS;LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  # A folder's main.cpp is its program, not part of its library.
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(velkan_${name} STATIC ${sources})
    target_include_directories(velkan_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(velkan_${name} PUBLIC ${ARG_DEPENDS} ${ARG_LIBS})
  else()
    add_library(velkan_${name} INTERFACE)
    target_include_directories(velkan_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(velkan_${name} INTERFACE ${ARG_DEPENDS} ${ARG_LIBS})
  endif()

  if(VELKAN_BUILD_UI)
    file(GLOB ui_sources CONFIGURE_DEPENDS
      ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp
      ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.h
      ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.ui
      ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.qrc)
    if(ui_sources)
      add_library(velkan_${name}_ui STATIC ${ui_sources})
      target_include_directories(velkan_${name}_ui PUBLIC ${PROJECT_SOURCE_DIR})
      target_link_libraries(velkan_${name}_ui PUBLIC velkan_${name} ${ARG_UI_DEPENDS} Qt6::Widgets)
      velkan_use_qt_tools(velkan_${name}_ui)
    endif()
  endif()
endfunction()

# One test program per folder of tests/, linked against the libraries it tests.
function(velkan_tests name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name}_tests ${sources})
  target_link_libraries(${name}_tests PRIVATE ${ARG_LIBS} velkan_testsupport GTest::gtest GTest::gtest_main)
  if(ARG_LIBS MATCHES "Qt6::|_ui")
    velkan_use_qt_tools(${name}_tests)
  endif()
  gtest_discover_tests(${name}_tests
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  # Every test of the folder carries its name as a label (ctest -L / -LE).
  set_property(DIRECTORY APPEND PROPERTY LABELS ${name})
endfunction()
