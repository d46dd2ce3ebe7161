# basetdic_json_header_view(TARGET SCOPE FOLDER): nlohmann-json is header-only and Debian installs it for
# the native compiler alone; a cross build must not see the rest of /usr/include, so TARGET (with SCOPE
# PRIVATE, PUBLIC or INTERFACE) gets FOLDER as a system include folder holding a link to nlohmann/ only.
function(basetdic_json_header_view target scope folder)
  file(MAKE_DIRECTORY ${folder})
  if(NOT EXISTS ${folder}/nlohmann)
    file(CREATE_LINK /usr/include/nlohmann ${folder}/nlohmann SYMBOLIC)
  endif()
  target_include_directories(${target} SYSTEM ${scope} ${folder})
endfunction()
