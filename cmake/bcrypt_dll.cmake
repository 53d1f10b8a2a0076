# Builds a stand-in bcrypt.dll: the seven configuration functions exported by
# their undecorated names (32-bit stdcall names lose their @N), the runtime
# linked in, written as <build>/<folder>/bcrypt.dll, where the Windows
# program is copied too (a program loads a DLL from its own folder first).
function(velk_bcrypt_dll target folder)
  # Each function with the bytes of its arguments on a 32-bit stack.
  set(exports
    BCryptRegisterProvider:12 BCryptUnregisterProvider:4 BCryptAddContextFunction:20
    BCryptAddContextFunctionProvider:24 BCryptRemoveContextFunctionProvider:20
    BCryptEnumRegisteredProviders:8 BCryptFreeBuffer:4)
  set(def "LIBRARY bcrypt.dll\nEXPORTS\n")
  foreach(export IN LISTS exports)
    string(REPLACE ":" ";" parts ${export})
    list(GET parts 0 name)
    list(GET parts 1 bytes)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      string(APPEND def "  ${name}@${bytes}\n")
    else()
      string(APPEND def "  ${name}\n")
    endif()
  endforeach()
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${target}.def "${def}")
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME bcrypt RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${folder})
  target_link_options(${target} PRIVATE -static -s $<$<EQUAL:${CMAKE_SIZEOF_VOID_P},4>:-Wl,--kill-at>)
endfunction()
