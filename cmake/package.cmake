# The package a setup author takes: `cmake --install` of a Windows build (component "shipping", laid out by
# src/CMakeLists.txt) and a CPack zip of the same files. SHA256SUMS lists every shipped file, in the format
# `sha256sum -c` reads, so the copy a setup program embeds can be checked against the one that was tested.

# Runs last among the shipping component's rules: every file it lists is in place by then.
install(CODE [[
  set(package_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  file(GLOB_RECURSE shipped RELATIVE "${package_root}" "${package_root}/bin/*" "${package_root}/include/*"
       "${package_root}/lib/*")
  list(SORT shipped)
  set(sums "")
  foreach(file IN LISTS shipped)
    file(SHA256 "${package_root}/${file}" hash)
    string(APPEND sums "${hash}  ${file}\n")
  endforeach()
  file(WRITE "${package_root}/SHA256SUMS" "${sums}")
  message(STATUS "Written: ${package_root}/SHA256SUMS")
]] COMPONENT shipping)

math(EXPR package_bits "${CMAKE_SIZEOF_VOID_P} * 8")
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME basetdic)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win${package_bits})
set(CPACK_COMPONENTS_ALL shipping)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package-zip)
include(CPack)

# The package installed inside the build tree, for the test programs that must load what ships.
set(BASETDIC_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
add_custom_target(basetdic_package
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --component shipping --prefix ${BASETDIC_PACKAGE_DIR}
  COMMENT "Installing the shipping package into ${BASETDIC_PACKAGE_DIR}"
  VERBATIM)
add_dependencies(basetdic_package basetdic)
