# Project helpers shared by every folder.

# norvane_library(<name> <folder> [DEPS ...]): a static, position-independent library made of
# every .cpp file in <folder> (not recursive). One library per folder keeps a half-written
# file in one area from breaking the build of another.
function(norvane_library name folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp)
  if(NOT sources)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include
                                            ${PROJECT_BINARY_DIR}/generated)
  target_compile_options(${name} PRIVATE ${NORVANE_WARNINGS} -fvisibility=hidden)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# norvane_test_folder(<folder> [DEPS ...]): one GoogleTest executable per test folder,
# named test_<folder>, every TEST registered with CTest and labelled with the folder.
function(norvane_test_folder folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target test_${folder})
  add_executable(${target} ${sources})
  target_compile_options(${target} PRIVATE ${NORVANE_TEST_WARNINGS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include
                                               ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  # One label per folder, so `ctest -L <folder>` runs an area. The user's configuration folder
  # is the build tree's, so no settings of the person running the tests leak in.
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS ${folder} TIMEOUT 300
                       ENVIRONMENT XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config)
endfunction()

# norvane_forbid_links(<target> FORBIDDEN <targets...>): stops the configuration when <target>
# links any of the forbidden targets, directly or through its dependencies.
function(norvane_forbid_links target)
  cmake_parse_arguments(ARG "" "" "FORBIDDEN" ${ARGN})
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    if(current IN_LIST ARG_FORBIDDEN)
      message(FATAL_ERROR "${target} links ${current}, which it must not")
    endif()
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(deps ${current} ${property})
      if(deps)
        list(APPEND pending ${deps})
      endif()
    endforeach()
  endwhile()
endfunction()

# norvane_export_list(<target> HEADER <file> MARKER <word> NAME <base>): the shared library
# <target> exports exactly the functions <file> declares as "<word> <type> <Name>(", nothing else
# (inline std:: instantiations would otherwise leak out as weak symbols). Writes <base>.exports
# (the linker's version script) and <base>.names (one name a line, for the export checks) into
# the build directory.
function(norvane_export_list target)
  cmake_parse_arguments(ARG "" "HEADER;MARKER;NAME" "" ${ARGN})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ARG_HEADER})
  file(READ ${ARG_HEADER} text)
  string(REGEX MATCHALL "\n${ARG_MARKER}[^;(]*[ *]([A-Za-z_0-9]+)\\(" declarations "${text}")
  set(names "")
  foreach(declaration IN LISTS declarations)
    string(REGEX REPLACE ".*[ *]([A-Za-z_0-9]+)\\($" "\\1" name "${declaration}")
    list(APPEND names ${name})
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(JOIN names ";\n    " lines)
  set(script ${CMAKE_BINARY_DIR}/${ARG_NAME}.exports)
  file(WRITE ${script} "{\n  global:\n    ${lines};\n  local: *;\n};\n")
  string(REPLACE ";" "\n" name_lines "${names}")
  file(WRITE ${CMAKE_BINARY_DIR}/${ARG_NAME}.names "${name_lines}\n")
  target_link_options(${target} PRIVATE -Wl,--version-script=${script})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()
