# The Windows program: a console program with a wide entry, bound to the
# platform's bcrypt.dll, self-contained (the C++ runtime and threads library
# linked in), carrying its manifest and version resources.
enable_language(RC)

configure_file(${PROJECT_SOURCE_DIR}/src/cli/VelkKspClient.rc.in
               ${CMAKE_CURRENT_BINARY_DIR}/VelkKspClient.rc @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/src/cli/VelkKspClient.manifest
               ${CMAKE_CURRENT_BINARY_DIR}/VelkKspClient.manifest COPYONLY)
target_sources(VelkKspClient PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/VelkKspClient.rc)

target_compile_definitions(velk_common PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN)
target_link_options(VelkKspClient PRIVATE -municode -static -s)

# A copy beside each stand-in bcrypt.dll (see bcrypt_dll.cmake), ready to run
# under Wine: the registry-backed configuration and the recording fake.
foreach(folder registry recording)
  add_custom_command(TARGET VelkKspClient POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/${folder}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:VelkKspClient> ${CMAKE_BINARY_DIR}/${folder}/)
endforeach()

# Reproducible: two builds of one commit are the same file, byte for byte.
# The linker stamps the PE header with SOURCE_DATE_EPOCH, here the commit's
# time (or the one given); no build path is kept in the objects (see the
# top-level CMakeLists.txt).
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VELK_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE VELK_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT VELK_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  set(VELK_SOURCE_DATE_EPOCH 0)
endif()
set_property(TARGET VelkKspClient PROPERTY
  RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${VELK_SOURCE_DATE_EPOCH}")

# The release: a zip with the program and the administrators' guide, which
# is the README's section between the guide markers, in Windows line ends.
install(TARGETS VelkKspClient RUNTIME DESTINATION .)
file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
string(REGEX MATCH "<!-- guide -->\n(.*)<!-- end of guide -->" guide "${readme}")
if(NOT CMAKE_MATCH_1)
  message(FATAL_ERROR "README.md has no administrators' guide between its guide markers")
endif()
string(REPLACE "\n" "\r\n" guide "${CMAKE_MATCH_1}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/README.txt "${guide}")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/README.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME VelkKspClient-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
