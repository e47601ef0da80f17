# Build rules shared by every target of the kit.

# Warnings are errors in every preset.
function(kit_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror)
endfunction()

# A 32-bit Windows program or library that must load on a bare Windows: the compiler
# runtime is linked in, so only the system's own DLLs are imported.
function(kit_windows_binary target)
  kit_warnings(${target})
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++)
endfunction()

# One of the kit's console programs: lands in bin/ and carries the asInvoker manifest.
function(kit_windows_program target)
  kit_windows_binary(${target})
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/manifest.rc)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/cmake/manifest.rc PROPERTIES
    OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/asInvoker.manifest)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endfunction()
