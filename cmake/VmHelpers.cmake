# Helpers shared by every folder: one per kind of target.

# Adds subdirectories of the current folder that exist, in the given order.
function(vm_add_existing_subdirectories)
  foreach(dir IN LISTS ARGN)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endfunction()

# vm_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>])
# One GoogleTest executable; its tests are discovered one by one for CTest.
# Tests link the static copy of the library so they can reach its internals.
function(vm_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} vmlib_static vm_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/vmlib ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${ARG_LABELS}"
               ENVIRONMENT "VM_SHARED_DIR=${VM_SHARED_DIR};VM_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    DISCOVERY_TIMEOUT 60)
endfunction()
