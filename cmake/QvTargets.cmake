# Common settings of the project's own targets.

# Settings that the compiler differences need: GCC's come from the toolchain
# file, MSVC's are here.
if(MSVC)
  set(QV_COMPILER_WARNINGS /W4 /permissive-)
  # The MinGW build keeps the sources free of warnings; MSVC's own set is not
  # checked here, so it warns without failing the build.
  set(QV_COMPILER_WERROR "")
  set(QV_WIDE_ENTRY_LINK_OPTIONS "")
endif()

function(qv_target_defaults target)
  target_compile_definitions(${target} PRIVATE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  target_compile_options(${target} PRIVATE ${QV_COMPILER_WARNINGS})
  if(QV_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE ${QV_COMPILER_WERROR})
  endif()
  if(MSVC)
    target_compile_options(${target} PRIVATE /EHsc /utf-8)
  endif()
endfunction()

# A console program with a wide-character entry point (wmain).
function(qv_wide_console_program target)
  target_link_options(${target} PRIVATE ${QV_WIDE_ENTRY_LINK_OPTIONS})
endfunction()

# Adds every direct subfolder of DIR (relative to the current source folder)
# that holds a CMakeLists.txt, in name order.
function(qv_add_child_directories dir)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/${dir}
       ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()

# An import library that binds symbols to a DLL's exports by ordinal, made
# from a module-definition file whose exports are marked NONAME.
function(qv_ordinal_import_library target def_file dll_name)
  set(out ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/lib${target}.a)
  if(MSVC)
    set(out ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/${target}.lib)
    add_custom_command(OUTPUT ${out}
      COMMAND lib /nologo /machine:x64 /def:${def_file} /name:${dll_name} /out:${out}
      DEPENDS ${def_file} VERBATIM)
  else()
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_DLLTOOL} --dllname ${dll_name} --input-def ${def_file}
              --output-lib ${out}
      DEPENDS ${def_file} VERBATIM)
  endif()
  add_custom_target(${target}_implib DEPENDS ${out})
  add_library(${target} INTERFACE)
  add_dependencies(${target} ${target}_implib)
  target_link_libraries(${target} INTERFACE ${out})
endfunction()
