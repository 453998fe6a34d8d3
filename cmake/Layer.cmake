# A layer is one static library made of every source file in its folder tree, so that
# adding a unit needs no edit here. A layer with no sources yet is an INTERFACE target.
#   vx_layer(name [EXCLUDE regex] [DEPS public-deps...] [PRIVATE_DEPS private-deps...])
function(vx_layer name)
  cmake_parse_arguments(ARG "" "EXCLUDE" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(NOT cpp)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  vx_warnings(${name})
endfunction()

# One GoogleTest executable per layer, from every .cpp under tests/<layer>.
function(vx_layer_tests layer)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${layer}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(test_${layer} ${sources} ${PROJECT_SOURCE_DIR}/tests/TestMain.cpp)
  target_link_libraries(test_${layer} PRIVATE ${layer} ${ARGN} GTest::gmock GTest::gtest)
  vx_warnings(test_${layer})
  target_compile_definitions(test_${layer} PRIVATE
    VX_SOURCE_DIR="${PROJECT_SOURCE_DIR}" VX_RUN_DIR="${VX_RUN_DIR}"
    VX_TEST_TMP_ROOT="${CMAKE_BINARY_DIR}/testtmp" "VX_TEST_TMP=vx_test::ScratchDir()")
  target_compile_options(test_${layer} PRIVATE -include ${PROJECT_SOURCE_DIR}/tests/TestTmp.h)
  gtest_discover_tests(test_${layer}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 300)
endfunction()
