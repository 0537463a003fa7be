# Run by CTest (tests/package/CMakeLists.txt) with QV_SOURCE_DIR, QV_BUILD_DIR,
# QV_TOOLCHAIN_FILE, QV_GENERATOR, QV_MAKE_PROGRAM and WORK_DIR set.

# Stops the test with the message unless the condition holds.
function(check message)
  if(${ARGN})
  else()
    message(FATAL_ERROR "${message}")
  endif()
endfunction()

# Runs a command; stops the test with its output when it fails. Its standard
# output goes to run_output.
function(run name)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${name} failed (${result}):\n${output}${errors}")
  endif()
  set(run_output "${output}" PARENT_SCOPE)
endfunction()

# The examples of docs/library.md are the consumer project, word for word.
file(READ ${QV_SOURCE_DIR}/docs/library.md page)
foreach(file main.cpp item_fields.cpp CMakeLists.txt)
  file(READ ${CMAKE_CURRENT_LIST_DIR}/consumer/${file} text)
  string(FIND "${page}" "${text}" at)
  check("docs/library.md does not show tests/package/consumer/${file} as it is" at GREATER -1)
endforeach()

# The snippets that it quotes from item_fields.cpp (each after a line
# "<!-- from item_fields.cpp -->") are in it word for word.
file(READ ${CMAKE_CURRENT_LIST_DIR}/consumer/item_fields.cpp program)
set(marker "<!-- from item_fields.cpp -->\n```cpp\n")
string(LENGTH "${marker}" marker_length)
set(rest "${page}")
set(quoted 0)
string(FIND "${rest}" "${marker}" at)
while(at GREATER -1)
  math(EXPR at "${at} + ${marker_length}")
  string(SUBSTRING "${rest}" ${at} -1 rest)
  string(FIND "${rest}" "```" end)
  string(SUBSTRING "${rest}" 0 ${end} snippet)
  string(FIND "${program}" "${snippet}" found)
  check("docs/library.md quotes item_fields.cpp wrongly:\n${snippet}" found GREATER -1)
  math(EXPR quoted "${quoted} + 1")
  string(FIND "${rest}" "${marker}" at)
endwhile()
check("docs/library.md quotes item_fields.cpp ${quoted} times, not twice" quoted EQUAL 2)

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run("cmake --install" ${CMAKE_COMMAND} --install ${QV_BUILD_DIR} --prefix ${prefix})

# What is installed: the library, its import library of the MAPI32 routines,
# the driver, the package, and the public headers under include/qv only.
foreach(file lib/libqv.a lib/libmapi32_ordinals.a bin/qv_driver.exe lib/cmake/qv/qvConfig.cmake
             lib/cmake/qv/qvConfigVersion.cmake lib/cmake/qv/qvTargets.cmake
             include/qv/errors/exceptions.h include/qv/mapi/mapi.h include/qv/items/message.h
             include/qv/outlook/selection.h)
  check("${file} is not installed" EXISTS ${prefix}/${file})
endforeach()
file(GLOB top ${prefix}/include/*)
check("include/ holds more than qv/: ${top}" top STREQUAL "${prefix}/include/qv")
file(GLOB_RECURSE headers RELATIVE ${prefix}/include/qv ${prefix}/include/qv/*)
foreach(header IN LISTS headers)
  check("${header} is installed but is no product header" header MATCHES "^(errors|items|mapi|outlook)/[a-z_]+\\.h$")
  file(READ ${prefix}/include/qv/${header} text)
  check("${header} includes a header outside the package" NOT text MATCHES "#include \"(sim|tests|driver)/")
endforeach()

# Configures and builds a consumer project, then runs its example against the
# sample mailbox, whose explorer selects two mails.
function(build_and_run name source)
  set(build ${WORK_DIR}/${name})
  run("configuring the ${name} consumer" ${CMAKE_COMMAND} -S ${source} -B ${build}
      -G ${QV_GENERATOR} -DCMAKE_MAKE_PROGRAM=${QV_MAKE_PROGRAM} -DCMAKE_BUILD_TYPE=Release
      -DCMAKE_TOOLCHAIN_FILE=${QV_TOOLCHAIN_FILE} ${ARGN})
  run("building the ${name} consumer" ${CMAKE_COMMAND} --build ${build})
  run("the ${name} example" bash ${QV_SOURCE_DIR}/scripts/sim-run --build ${QV_BUILD_DIR}
      --report ${build}/reports ${build}/selected_subjects.exe)
  check("unexpected output of the ${name} example:\n${run_output}" run_output MATCHES
        "^outlook:[0-9A-F]+\tQ3 budget review\r?\noutlook:[0-9A-F]+\tLunch on Friday\\?\r?\n$")
  foreach(component outlook mapi)
    file(READ ${build}/reports/${component}-report.json report)
    string(JSON unreleased GET "${report}" unreleased_references)
    check("the ${name} example left ${unreleased} references of ${component} unreleased" unreleased EQUAL 0)
  endforeach()
  string(JSON balanced GET "${report}" mapi_initialize_balanced)
  check("MAPI initialisations of the ${name} example are not balanced" balanced)
endfunction()

run("starting Wine" ${QV_BUILD_DIR}/wine-run --start)

# A project of its own finds the installed package.
build_and_run(package ${CMAKE_CURRENT_LIST_DIR}/consumer -DCMAKE_PREFIX_PATH=${prefix})

# The second example, item_fields, on an item named by each form of item URL,
# and on a file that does not exist: the output (line ends as written on
# Windows) and the exit code.
function(item_fields source expected_status expected_output expected_errors)
  execute_process(COMMAND bash ${QV_SOURCE_DIR}/scripts/sim-run --build ${QV_BUILD_DIR}
                  ${WORK_DIR}/package/item_fields.exe ${source}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  string(REPLACE "\r\n" "\n" output "${output}")
  check("item_fields ${source} exited with ${result}:\n${output}${errors}" result EQUAL expected_status)
  check("item_fields ${source} printed:\n${output}" output STREQUAL expected_output)
  check("item_fields ${source} reported:\n${errors}" errors MATCHES "${expected_errors}")
endfunction()
item_fields([[outlook:\\Mailbox%20-%20Alice%20Martin\Calendar\Budget meeting]] 0 [[Subject: Budget meeting
Sender:  <>
Location: Conference Room 4B
Start: 2024-09-19 13:00 UTC
]] "^$")
item_fields([[outlook:\\Mailbox - Alice Martin\Inbox\Q3 budget review]] 0 [[Subject: Q3 budget review
Sender: Daniel Okafor <daniel.okafor@contoso.com>
Location: 
]] "^$")
item_fields(${WORK_DIR}/missing.msg 1 "" "^qv: 0x80030002 ")

# A project that takes qv's sources with add_subdirectory builds the library
# only: no driver, simulator or test.
build_and_run(subdirectory ${CMAKE_CURRENT_LIST_DIR}/subdirectory -DQV_SOURCE_DIR=${QV_SOURCE_DIR})
file(GLOB_RECURSE programs ${WORK_DIR}/subdirectory/*.exe ${WORK_DIR}/subdirectory/*.dll)
list(FILTER programs EXCLUDE REGEX "/CMakeFiles/")
check("add_subdirectory built more than the library: ${programs}"
      programs STREQUAL "${WORK_DIR}/subdirectory/selected_subjects.exe")
