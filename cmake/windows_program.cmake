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
