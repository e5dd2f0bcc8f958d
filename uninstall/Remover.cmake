# The folder tree removal, its own library so that its tests and benchmark need no window code.
add_library(orvalis_remover STATIC ${CMAKE_CURRENT_LIST_DIR}/TreeRemover.cpp ${CMAKE_CURRENT_LIST_DIR}/PathRules.cpp
            ${CMAKE_CURRENT_LIST_DIR}/NtEntries.cpp ${CMAKE_CURRENT_LIST_DIR}/ProtectedFolders.cpp
            ${CMAKE_CURRENT_LIST_DIR}/Walk9x.cpp)
target_link_libraries(orvalis_remover PUBLIC orvalis_framework PRIVATE shell32 ole32 uuid)
