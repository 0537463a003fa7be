# Test-only libraries: GoogleTest built from source for the Windows target,
# and the header-only nlohmann-json, both from the distribution's packages.

set(QV_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${QV_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
qv_test_code(gtest gtest_main)

# nlohmann-json: expose only its own folder, not the host's /usr/include.
set(QV_NLOHMANN_JSON_INCLUDE /usr/include CACHE PATH "Folder that holds nlohmann/json.hpp")
set(json_dir ${CMAKE_BINARY_DIR}/third_party/include)
if(NOT EXISTS ${json_dir}/nlohmann/json.hpp)
  file(MAKE_DIRECTORY ${json_dir})
  file(COPY ${QV_NLOHMANN_JSON_INCLUDE}/nlohmann DESTINATION ${json_dir})
endif()
add_library(nlohmann_json_headers INTERFACE)
target_include_directories(nlohmann_json_headers SYSTEM INTERFACE ${json_dir})

include(GoogleTest)

qv_shared_precompiled_headers(qv_test_pch
  HEADERS <windows.h> <gtest/gtest.h> <nlohmann/json.hpp> <string> <vector>
  LIBRARIES GTest::gtest nlohmann_json_headers)
if(TARGET qv_test_pch)
  qv_test_code(qv_test_pch)
endif()

# qv_add_test(NAME SOURCES... [LIBRARIES ...] [DEPENDS ...] [RESOURCE_LOCK lock]
#             [WIDE_ENTRY] [RUN_SERIAL] [BOTH_HOSTS | LOCAL_SERVER_ONLY]
#             [SECOND_LOCAL_PREFIX]
#             [ENVIRONMENT VAR=value])
# Builds a GoogleTest program and registers each of its test cases with CTest,
# run under Wine through the cross-compiling emulator. RUN_SERIAL: its cases
# run while no other test runs (for changes that every other test would see).
# BOTH_HOSTS: each case is registered twice, as it is (the simulated Outlook
# in the test's process) and as "local.<case>" with QV_SIM_MODE=local (the
# simulated Outlook as a local server, in the Wine prefix of that mode). The
# local server is one for the whole prefix, so the "local." cases run one at
# a time (the resource lock outlook_local_server). LOCAL_SERVER_ONLY: only
# the "local." cases. SECOND_LOCAL_PREFIX: the "local." cases run in the
# second prefix of that mode (QV_SIM_MODE=local2, the lock
# outlook_local_server2), at the same time as those of the first. ENVIRONMENT: one setting for its cases
# (QV_LOCALE=ja_JP.UTF-8 runs them under that locale, see build/wine-run);
# not with the "local." cases, which set QV_SIM_MODE.
function(qv_add_test name)
  cmake_parse_arguments(arg "WIDE_ENTRY;RUN_SERIAL;BOTH_HOSTS;LOCAL_SERVER_ONLY;SECOND_LOCAL_PREFIX" "RESOURCE_LOCK;TIMEOUT;ENVIRONMENT"
                        "SOURCES;LIBRARIES;DEPENDS" ${ARGN})
  if(arg_ENVIRONMENT AND (arg_BOTH_HOSTS OR arg_LOCAL_SERVER_ONLY))
    message(FATAL_ERROR "qv_add_test(${name}): ENVIRONMENT is for cases of one host only")
  endif()
  add_executable(${name} ${arg_SOURCES})
  qv_target_defaults(${name})
  qv_use_precompiled_headers(qv_test_pch ${name})
  target_link_libraries(${name} PRIVATE qv_test_support GTest::gtest ${arg_LIBRARIES})
  if(arg_WIDE_ENTRY)
    qv_wide_console_program(${name})
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  if(arg_DEPENDS)
    add_dependencies(${name} ${arg_DEPENDS})
  endif()
  # Each test carries its program's name as a label (ctest -L).
  set(properties LABELS ${name})
  if(arg_RESOURCE_LOCK)
    list(APPEND properties RESOURCE_LOCK ${arg_RESOURCE_LOCK})
  endif()
  if(arg_RUN_SERIAL)
    list(APPEND properties RUN_SERIAL TRUE)
  endif()
  if(arg_ENVIRONMENT)
    list(APPEND properties ENVIRONMENT ${arg_ENVIRONMENT})
  endif()
  set(timeout 120)
  if(arg_TIMEOUT)
    set(timeout ${arg_TIMEOUT})
  endif()
  if(NOT arg_LOCAL_SERVER_ONLY)
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 240
      NO_PRETTY_TYPES NO_PRETTY_VALUES
      PROPERTIES ${properties} TIMEOUT ${timeout})
  endif()
  if(arg_BOTH_HOSTS OR arg_LOCAL_SERVER_ONLY)
    set(local_mode local)
    set(local_lock outlook_local_server)
    if(arg_SECOND_LOCAL_PREFIX)
      set(local_mode local2)
      set(local_lock outlook_local_server2)
    endif()
    set(local_properties LABELS ${name} ENVIRONMENT QV_SIM_MODE=${local_mode})
    if(arg_RUN_SERIAL)
      list(APPEND local_properties RUN_SERIAL TRUE RESOURCE_LOCK ${arg_RESOURCE_LOCK})
    else()
      list(APPEND local_properties RESOURCE_LOCK ${local_lock})
    endif()
    gtest_discover_tests(${name}
      TEST_PREFIX "local."
      TEST_LIST ${name}_local_TESTS
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 240
      NO_PRETTY_TYPES NO_PRETTY_VALUES
      PROPERTIES ${local_properties} TIMEOUT ${timeout})
  endif()
endfunction()
