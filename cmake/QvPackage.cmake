# Installing qv: the library and the import library of the MAPI32 routines,
# the public headers under include/qv/ (qv_public_headers), qv_driver.exe
# (driver/CMakeLists.txt), and a CMake package, so that another project
# writes find_package(qv CONFIG REQUIRED) and links qv::qv.
include(CMakePackageConfigHelpers)

install(TARGETS qv mapi32_ordinals EXPORT qvTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
set(qv_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/qv)
install(EXPORT qvTargets NAMESPACE qv:: DESTINATION ${qv_package_dir})

# The version file also refuses a build of the other bitness.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qvConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES
    ${PROJECT_SOURCE_DIR}/cmake/qvConfig.cmake
    ${PROJECT_BINARY_DIR}/qvConfigVersion.cmake
  DESTINATION ${qv_package_dir})
