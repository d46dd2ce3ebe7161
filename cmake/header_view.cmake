# basetdic_header_view(TARGET PATH...): gives TARGET's consumers an include folder of their own in the
# build tree that shows only the named parts of src/ (folders or single headers, by symbolic link), so a
# program that links TARGET can include "rules/..." but not the library's other rooms.
function(basetdic_header_view target)
  set(view ${CMAKE_BINARY_DIR}/header-views/${target})
  foreach(part ${ARGN})
    get_filename_component(parent ${view}/${part} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT EXISTS ${view}/${part})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${part} ${view}/${part} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} PUBLIC ${view})
endfunction()
