# The CMake package of qv: find_package(qv CONFIG REQUIRED), then
# target_link_libraries(app PRIVATE qv::qv). qv::qv brings the include folder
# (#include <qv/mapi/mapi.h>), the import library of the MAPI32 routines and
# the system libraries that qv uses. See docs/library.md.
include(${CMAKE_CURRENT_LIST_DIR}/qvTargets.cmake)
