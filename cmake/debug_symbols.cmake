# The shipping DLL's symbols, kept apart from it so that a crash in a setup program can be read without
# shipping them. The objects carry DWARF debug information and the link writes a link map (NAME.map)
# and, where the linker makes one, a PDB of the public symbols that the DLL names in a CodeView debug
# entry (a GUID and age, which WinDbg and Visual Studio match against it). After the link the DWARF
# information moves into NAME.dll.debug and the DLL is stripped and given a .gnu_debuglink section that
# names that file with its CRC, so gdb finds it beside the DLL and refuses one of another build. The DLL
# the suites test and the package ships is that stripped one.
include(CheckLinkerFlag)
check_linker_flag(CXX "LINKER:--pdb=linker-probe.pdb" BASETDIC_LINKER_WRITES_PDB)

# DLL is the library target; the further arguments are the object and static libraries it is linked from.
function(basetdic_keep_symbols_apart dll)
  foreach(part ${ARGN})
    target_compile_options(${part} PRIVATE -g)
  endforeach()
  get_target_property(name ${dll} OUTPUT_NAME)
  # The link runs in the target's binary folder, so the DLL records the bare PDB name, no build path.
  target_link_options(${dll} PRIVATE LINKER:-Map=${name}.map)
  if(BASETDIC_LINKER_WRITES_PDB)
    target_link_options(${dll} PRIVATE LINKER:--pdb=${name}.pdb)
  endif()
  set(image $<TARGET_FILE:${dll}>)
  add_custom_command(TARGET ${dll} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${image} ${image}.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-all ${image}
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${image}.debug ${image}
    COMMENT "Moving ${name}'s debug information into ${name}.dll.debug"
    VERBATIM)
endfunction()
