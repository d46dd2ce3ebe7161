# The package a setup author takes: `cmake --install` of a Windows build and a CPack zip of the same
# files, in three components:
#   shipping      bin/basetdic.dll, the header, the export list and import library (laid out by
#                 src/CMakeLists.txt), README.txt, LICENSE.txt and examples/minimal_host.c
#   symbols       symbols/: the DLL's DWARF file, its PDB (when the linker makes one) and its link map
#   support-tool  support/basetdic-host.exe, the support engineer's host, stripped
# SHA256SUMS lists every file of the package as installed, in the format `sha256sum -c` reads, so the copy
# a setup program embeds can be checked against the one that was tested.

set(BASETDIC_PACKAGE_TOP basetdic-${PROJECT_VERSION})
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The x86_64 twin is not what ships; its folder says so, so the two never unpack into one.
  string(APPEND BASETDIC_PACKAGE_TOP -win64)
endif()

# ---- shipping: the documents and the example -------------------------------
foreach(document README LICENSE)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${document}.txt.in ${CMAKE_BINARY_DIR}/packaging/${document}.txt
    @ONLY NEWLINE_STYLE WIN32)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${document}.txt DESTINATION . COMPONENT shipping)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/examples/minimal_host.c DESTINATION examples COMPONENT shipping)

# ---- symbols: what cmake/debug_symbols.cmake kept beside the DLL ------------
set(symbol_files $<TARGET_FILE:basetdic>.debug $<TARGET_FILE_DIR:basetdic>/basetdic.map)
if(BASETDIC_LINKER_WRITES_PDB)
  list(APPEND symbol_files $<TARGET_FILE_DIR:basetdic>/basetdic.pdb)
endif()
install(FILES ${symbol_files} DESTINATION symbols COMPONENT symbols)

# ---- support-tool: the host, without the symbols the library's objects bring -
# Stripped once per build, so every install of it is the same file.
set(package_components shipping symbols)
if(TARGET basetdic-host)
  set(support_tool ${CMAKE_BINARY_DIR}/packaging/basetdic-host.exe)
  add_custom_command(OUTPUT ${support_tool}
    COMMAND ${CMAKE_STRIP} --strip-all -o ${support_tool} $<TARGET_FILE:basetdic-host>
    DEPENDS basetdic-host
    COMMENT "Stripping basetdic-host.exe for the package"
    VERBATIM)
  add_custom_target(basetdic_support_tool ALL DEPENDS ${support_tool})
  install(PROGRAMS ${support_tool} DESTINATION support COMPONENT support-tool)
  list(APPEND package_components support-tool)
endif()

# ---- SHA256SUMS --------------------------------------------------------------
# Written after each component's files, over every package file present, so that an install of one
# component lists its own files and an install of all (or of one after another) lists them all.
set(write_sums [[
  set(package_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  file(GLOB_RECURSE shipped RELATIVE "${package_root}" "${package_root}/bin/*" "${package_root}/include/*"
       "${package_root}/lib/*" "${package_root}/examples/*" "${package_root}/symbols/*"
       "${package_root}/support/*")
  foreach(document README.txt LICENSE.txt)
    if(EXISTS "${package_root}/${document}")
      list(APPEND shipped ${document})
    endif()
  endforeach()
  list(SORT shipped)
  set(sums "")
  foreach(file IN LISTS shipped)
    file(SHA256 "${package_root}/${file}" hash)
    string(APPEND sums "${hash}  ${file}\n")
  endforeach()
  file(WRITE "${package_root}/SHA256SUMS" "${sums}")
  message(STATUS "Written: ${package_root}/SHA256SUMS")
]])
foreach(component IN LISTS package_components)
  install(CODE "${write_sums}" COMPONENT ${component})
endforeach()

# ---- the zip -------------------------------------------------------------------
# One zip of all components that unpacks into one folder, basetdic-VERSION/.
math(EXPR package_bits "${CMAKE_SIZEOF_VOID_P} * 8")
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME basetdic)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR ${BASETDIC_VENDOR})
set(CPACK_SYSTEM_NAME win${package_bits})
set(CPACK_COMPONENTS_ALL ${package_components})
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /${BASETDIC_PACKAGE_TOP})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package-zip)
include(CPack)

# The whole package installed inside the build tree, afresh each build: the test programs load its DLL,
# and scripts/check-package compares the zip with it.
set(BASETDIC_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
add_custom_target(basetdic_package
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${BASETDIC_PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${BASETDIC_PACKAGE_DIR}
  COMMENT "Installing the package into ${BASETDIC_PACKAGE_DIR}"
  VERBATIM)
add_dependencies(basetdic_package basetdic)
if(TARGET basetdic_support_tool)
  add_dependencies(basetdic_package basetdic_support_tool)
endif()
