# vm_embed_version(<target> PRODUCT <name> VERSION <a.b.c.d>)
# Generates the target's binary version block (product name, file version,
# Dutch string table for code page 1252) and links it into the ELF section
# ".vmversion", where VersionInfoGetProgNameAndVersion finds it.

# The generator runs on the build machine; it is built once per build tree.
if(NOT TARGET vm-version-gen)
  add_executable(vm-version-gen
    ${CMAKE_CURRENT_LIST_DIR}/../tools/versiongen/main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../tools/versiongen/version_block.cpp)
  target_include_directories(vm-version-gen PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../tools)
endif()

function(vm_embed_version target)
  cmake_parse_arguments(ARG "" "PRODUCT;VERSION" "" ${ARGN})
  if(NOT ARG_PRODUCT OR NOT ARG_VERSION)
    message(FATAL_ERROR "vm_embed_version(${target}): PRODUCT and VERSION are required")
  endif()
  if(NOT ARG_VERSION MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
    message(FATAL_ERROR "vm_embed_version(${target}): VERSION \"${ARG_VERSION}\" is not a.b.c.d")
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(kind app)
  elseif(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
    set(kind dll)
  else()
    message(FATAL_ERROR "vm_embed_version(${target}): only executables and shared libraries carry a version")
  endif()
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version_block.c)
  add_custom_command(
    OUTPUT ${out}
    COMMAND vm-version-gen ${out} ${ARG_PRODUCT} ${ARG_VERSION} ${kind} $<TARGET_FILE_NAME:${target}>
    DEPENDS vm-version-gen
    COMMENT "Version block of ${target}: ${ARG_PRODUCT} ${ARG_VERSION}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
