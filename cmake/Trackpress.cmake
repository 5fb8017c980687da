# Shared build settings for every Trackpress target.

add_library(trackpress_options INTERFACE)
target_compile_options(trackpress_options INTERFACE -Wall -Wextra)
# GCC 12 reports -Wrestrict at -O2 and above inside std::string's own code
# for ordinary expressions such as "text" + std::to_string(n) (GCC bug
# 105329, fixed in GCC 13); the warning is left to other compilers.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(trackpress_options INTERFACE -Wno-restrict)
endif()
if(TRACKPRESS_WERROR)
  target_compile_options(trackpress_options INTERFACE -Werror)
endif()
if(TRACKPRESS_SANITIZE)
  target_compile_options(trackpress_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(trackpress_options INTERFACE -fsanitize=address,undefined)
endif()
if(TRACKPRESS_TSAN)
  target_compile_options(trackpress_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(trackpress_options INTERFACE -fsanitize=thread)
endif()
if(TRACKPRESS_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Coverage for libFuzzer in the libraries too, not only in the target.
  target_compile_options(trackpress_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# trackpress_library(NAME SOURCES...): a shared library whose headers are
# included as "<name>/<header>.h" from the repository root.
function(trackpress_library name)
  add_library(${name} SHARED ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE trackpress_options)
  install(TARGETS ${name} LIBRARY DESTINATION lib)
endfunction()

# trackpress_tests(NAME LABEL SOURCES... [LIBS lib...] [PROPERTIES prop value...]):
# one GoogleTest executable registered with CTest under the given label (or
# labels: "tonecore;threads"); PROPERTIES are further test properties of
# every test it holds.
function(trackpress_tests name label)
  cmake_parse_arguments(ARG "" "" "LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE trackpress_options trackpress_testsupport
                        GTest::gtest GTest::gmock ${ARG_LIBS})
  list(LENGTH label label_count)
  if(label_count EQUAL 1)
    gtest_discover_tests(${name} PROPERTIES LABELS ${label} ${ARG_PROPERTIES} DISCOVERY_TIMEOUT 60)
  else()
    # Discovery writes a list-valued property out as separate words, so
    # several labels are set by a file that CTest reads after the discovered
    # tests (which it lists in ${name}_TESTS).
    gtest_discover_tests(${name} PROPERTIES ${ARG_PROPERTIES} DISCOVERY_TIMEOUT 60)
    set(labels_file ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
    file(WRITE ${labels_file}
         "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${label}\")\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels_file})
  endif()
endfunction()

# trackpress_thread_tests(NAME LABEL SOURCES... [LIBS lib...] [PROPERTIES ...]):
# trackpress_tests for tests that start threads, labelled LABEL and threads.
# A tree built with TRACKPRESS_TSAN builds and runs only these
# (scripts/test.sh).
function(trackpress_thread_tests name label)
  trackpress_tests(${name} "${label};threads" ${ARGN})
endfunction()

# trackpress_gui_tests(NAME SOURCES... [LIBS lib...] [PROPERTIES prop value...]):
# a GoogleTest executable for widgets, with the offscreen QApplication main()
# and the helpers of testsupport/gui_*.h and widget_png.h, registered with
# CTest under the label gui; PROPERTIES are further test properties of every
# test it holds. Pictures that the tests save land in <build>/test-output/.
function(trackpress_gui_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  # Qt's targets are seen only below the folder that found them.
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE trackpress_options trackpress_gui_testsupport
                        GTest::gtest GTest::gmock ${ARG_LIBS})
  gtest_discover_tests(${name} PROPERTIES LABELS gui ENVIRONMENT QT_QPA_PLATFORM=offscreen
                       ${ARG_PROPERTIES} DISCOVERY_TIMEOUT 60)
endfunction()

# trackpress_fuzzer(NAME CORPUS_DIR SOURCES... [LIBS lib...] [MAX_LEN bytes]):
# a fuzz target defining LLVMFuzzerTestOneInput. With TRACKPRESS_FUZZ and
# clang it links libFuzzer for real fuzzing (scripts/fuzz.sh runs every such
# target with its corpus and MAX_LEN, 64 KiB unless given); otherwise it
# links a replay driver that runs the seed corpus plus a fixed number of
# deterministic mutations of it, registered as a test (label fuzz).
function(trackpress_fuzzer name corpus)
  cmake_parse_arguments(ARG "" "MAX_LEN" "LIBS" ${ARGN})
  if(NOT ARG_MAX_LEN)
    set(ARG_MAX_LEN 65536)
  endif()
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE trackpress_options ${ARG_LIBS})
  if(TRACKPRESS_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    # One line per target (name, corpus, longest input) for scripts/fuzz.sh,
    # and one build target that makes them all.
    set_property(GLOBAL APPEND PROPERTY TRACKPRESS_FUZZ_LIST "${name} ${corpus} ${ARG_MAX_LEN}")
    if(NOT TARGET fuzz_targets)
      add_custom_target(fuzz_targets)
    endif()
    add_dependencies(fuzz_targets ${name})
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/testsupport/fuzz_replay_main.cpp)
    if(TRACKPRESS_BUILD_TESTS)
      add_test(NAME ${name} COMMAND ${name} ${corpus})
      set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 300)
    endif()
  endif()
endfunction()

# trackpress_write_fuzz_list(): writes <build>/fuzz_targets.txt from the fuzz
# targets declared so far (called once, after every folder).
function(trackpress_write_fuzz_list)
  get_property(list GLOBAL PROPERTY TRACKPRESS_FUZZ_LIST)
  list(JOIN list "\n" text)
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz_targets.txt "${text}\n")
endfunction()

# trackpress_sources(VAR): the .cpp files of the calling folder (not tests).
macro(trackpress_sources var)
  file(GLOB ${var} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
endmacro()
