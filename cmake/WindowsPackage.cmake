# `windows_zip`: Tobrell.exe with everything it needs beside it, in one zip a family
# unpacks and double-clicks (dist/Tobrell-windows-x64.zip under the source folder).
get_target_property(_log4qt Log4Qt::log4qt IMPORTED_LOCATION_RELEASE)

find_program(TOBRELL_STRIP NAMES x86_64-w64-mingw32-strip ${CMAKE_STRIP})
find_program(TOBRELL_SQLITE3 sqlite3 REQUIRED)
# The SQLite that Qt's driver and the program share; neither loads without it.
find_file(TOBRELL_SQLITE_DLL sqlite3.dll PATHS ${SQLite3_INCLUDE_DIR}/../bin ${TOBRELL_QT_BIN}
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT TOBRELL_SQLITE_DLL)
    message(FATAL_ERROR "sqlite3.dll not found beside SQLite (${SQLite3_INCLUDE_DIR}/../bin) or Qt (${TOBRELL_QT_BIN})")
endif()
find_package(Git QUIET)
set(TOBRELL_ZIP ${CMAKE_SOURCE_DIR}/dist/Tobrell-windows-x64.zip CACHE FILEPATH "The Windows zip")

add_custom_target(windows_zip
    COMMAND ${CMAKE_COMMAND}
        -DEXE=$<TARGET_FILE:Tobrell>
        -DQT_BIN=${TOBRELL_QT_BIN}
        -DQT_PREFIX=${TOBRELL_QT_PREFIX}
        -DLOG4QT_DLL=${_log4qt}
        -DSQLITE_DLL=${TOBRELL_SQLITE_DLL}
        -DQT_ZH_QM=${TOBRELL_QT_ZH_QM}
        "-DRUNTIME=${TOBRELL_MINGW_RUNTIME}"
        -DSTRIP=${TOBRELL_STRIP}
        -DSQLITE3=${TOBRELL_SQLITE3}
        -DGIT=${GIT_EXECUTABLE}
        -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
        -DSTAGE=${CMAKE_BINARY_DIR}/dist/Tobrell
        -DZIP=${TOBRELL_ZIP}
        -P ${CMAKE_SOURCE_DIR}/cmake/package-windows.cmake
    DEPENDS Tobrell
    VERBATIM)

# `windows_installer`: the same staged folder as a per-user installer in Simplified
# Chinese (dist/Tobrell-setup-x64.exe), made with Debian's NSIS (packaging/windows).
find_program(TOBRELL_MAKENSIS makensis)
set(TOBRELL_SETUP ${CMAKE_SOURCE_DIR}/dist/Tobrell-setup-x64.exe CACHE FILEPATH "The Windows installer")
add_custom_target(windows_installer
    COMMAND ${CMAKE_COMMAND}
        -DSTAGE=${CMAKE_BINARY_DIR}/dist/Tobrell
        -DNSI=${CMAKE_SOURCE_DIR}/packaging/windows/Tobrell.nsi
        -DOUT=${TOBRELL_SETUP}
        -DMAKENSIS=${TOBRELL_MAKENSIS}
        -DGIT=${GIT_EXECUTABLE}
        -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
        -DWORK=${CMAKE_BINARY_DIR}/installer
        -DICON=${CMAKE_SOURCE_DIR}/resources/Tobrell.ico
        -P ${CMAKE_SOURCE_DIR}/packaging/windows/installer.cmake
    VERBATIM)
add_dependencies(windows_installer windows_zip)
