# `windows_zip`: Tobrell.exe with everything it needs beside it, in one zip a family
# unpacks and double-clicks (dist/Tobrell-windows-x64.zip under the source folder).
get_target_property(_log4qt Log4Qt::log4qt IMPORTED_LOCATION_RELEASE)

find_program(TOBRELL_STRIP NAMES x86_64-w64-mingw32-strip ${CMAKE_STRIP})
find_program(TOBRELL_SQLITE3 sqlite3 REQUIRED)
find_package(Git QUIET)
set(TOBRELL_ZIP ${CMAKE_SOURCE_DIR}/dist/Tobrell-windows-x64.zip CACHE FILEPATH "The Windows zip")

add_custom_target(windows_zip
    COMMAND ${CMAKE_COMMAND}
        -DEXE=$<TARGET_FILE:Tobrell>
        -DQT_BIN=${TOBRELL_QT_BIN}
        -DQT_PREFIX=${TOBRELL_QT_PREFIX}
        -DLOG4QT_DLL=${_log4qt}
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
