# vantrel_library(NAME DEPENDS lib...): the static library of one subsystem folder,
# made of every .cpp in that folder (platform/ picks its backend files itself).
function(vantrel_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS;SOURCES" ${ARGN})
  if(ARG_SOURCES)
    set(sources ${ARG_SOURCES})
  else()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(sources)
    add_library(vantrel_${name} STATIC ${sources})
    set(scope PUBLIC)
  else()
    # A subsystem with no sources yet still takes its place in the link order.
    add_library(vantrel_${name} INTERFACE)
    set(scope INTERFACE)
  endif()
  add_library(vantrel::${name} ALIAS vantrel_${name})
  target_include_directories(vantrel_${name} ${scope} ${PROJECT_SOURCE_DIR})
  if(ARG_DEPENDS)
    target_link_libraries(vantrel_${name} ${scope} ${ARG_DEPENDS})
  endif()
endfunction()

# vantrel_test_folder(SUBSYSTEM LIBS...): one GoogleTest executable per *_test.cpp in the
# current folder, named SUBSYSTEM_<file>, registered with CTest under a timeout.
function(vantrel_test_folder subsystem)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(test_source ${tests})
    get_filename_component(test_name ${test_source} NAME_WE)
    set(target ${subsystem}_${test_name})
    add_executable(${target} ${test_source})
    target_link_libraries(${target} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main vantrel_test_support)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES TIMEOUT 300 LABELS ${subsystem}
      ENVIRONMENT "SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy;VANTREL_BIN_DIR=${CMAKE_BINARY_DIR}/bin;VANTREL_TEST_BIN_DIR=${CMAKE_BINARY_DIR}/tests;VANTREL_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endforeach()
endfunction()

# vantrel_test_program(NAME SOURCE LIBS...): a small program on the runtime that tests run
# as a child process.
function(vantrel_test_program name source)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE ${ARGN})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/programs)
endfunction()
