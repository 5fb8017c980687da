# Shared build settings for every Trackpress target.

add_library(trackpress_options INTERFACE)
target_compile_options(trackpress_options INTERFACE -Wall -Wextra)
if(TRACKPRESS_WERROR)
  target_compile_options(trackpress_options INTERFACE -Werror)
endif()
if(TRACKPRESS_SANITIZE)
  target_compile_options(trackpress_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(trackpress_options INTERFACE -fsanitize=address,undefined)
endif()

# trackpress_library(NAME SOURCES...): a shared library whose headers are
# included as "<name>/<header>.h" from the repository root.
function(trackpress_library name)
  add_library(${name} SHARED ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE trackpress_options)
  install(TARGETS ${name} LIBRARY DESTINATION lib)
endfunction()

# trackpress_tests(NAME LABEL SOURCES... [LIBS lib...]): one GoogleTest
# executable registered with CTest under the given label.
function(trackpress_tests name label)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE trackpress_options trackpress_testsupport
                        GTest::gtest GTest::gmock ${ARG_LIBS})
  gtest_discover_tests(${name} PROPERTIES LABELS ${label} DISCOVERY_TIMEOUT 60)
endfunction()
