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

# Writes TEXT to the file at PATH unless it holds that text already, so that
# what depends on the file is not rebuilt at every configuration.
function(qv_write_if_changed path text)
  set(old "")
  if(EXISTS ${path})
    file(READ ${path} old)
  endif()
  if(NOT old STREQUAL text)
    file(WRITE ${path} "${text}")
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

# The module-definition file DEF_FILE for this target's bitness, written to
# the build folder; its path goes into OUT_VAR. The names of stdcall routines
# are written as 32-bit Windows decorates them (Name@N, N the bytes of the
# arguments), so that each export and import names the routine's calling
# convention: a routine of another convention does not link. On 64-bit
# Windows, which has one calling convention, the decoration is dropped. KIND
# "export": a DLL's own exports keep the plain name (Name = Name@N on 32-bit);
# "import": an import library's symbols keep the decorated one.
function(qv_module_definition out_var def_file kind)
  file(READ ${def_file} text)
  set(name_at_size "([A-Za-z_][A-Za-z0-9_]*)@([0-9]+)")
  if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    string(REGEX REPLACE "${name_at_size}" "\\1" text "${text}")
  elseif(kind STREQUAL "export")
    string(REGEX REPLACE "${name_at_size}" "\\1 = \\1@\\2" text "${text}")
  elseif(NOT kind STREQUAL "import")
    message(FATAL_ERROR "qv_module_definition: KIND is export or import, not ${kind}")
  endif()
  get_filename_component(name ${def_file} NAME)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/module_definitions/${name})
  qv_write_if_changed(${out} "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_file})
  set(${out_var} ${out} PARENT_SCOPE)
endfunction()

# A DLL's module-definition file (exports), added to its sources.
function(qv_target_exports target def_file)
  qv_module_definition(def ${CMAKE_CURRENT_SOURCE_DIR}/${def_file} export)
  target_sources(${target} PRIVATE ${def})
endfunction()

# An import library that binds symbols to a DLL's exports by ordinal, made
# from a module-definition file whose exports are marked NONAME.
function(qv_ordinal_import_library target def_file dll_name)
  qv_module_definition(def ${def_file} import)
  set(out ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/lib${target}.a)
  if(MSVC)
    set(out ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/${target}.lib)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(machine x86)
    else()
      set(machine x64)
    endif()
    add_custom_command(OUTPUT ${out}
      COMMAND lib /nologo /machine:${machine} /def:${def} /name:${dll_name} /out:${out}
      DEPENDS ${def} VERBATIM)
  else()
    add_custom_command(OUTPUT ${out}
      COMMAND ${CMAKE_DLLTOOL} --dllname ${dll_name} --input-def ${def}
              --output-lib ${out}
      DEPENDS ${def} VERBATIM)
  endif()
  add_custom_target(${target}_implib DEPENDS ${out})
  add_library(${target} INTERFACE)
  add_dependencies(${target} ${target}_implib)
  target_link_libraries(${target} INTERFACE ${out})
endfunction()
