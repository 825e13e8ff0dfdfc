# Run by the windows_zip target: stages the program's folder and zips it.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/platforms ${STAGE}/sqldrivers ${STAGE}/styles ${STAGE}/licenses)

file(COPY ${EXE} DESTINATION ${STAGE})
foreach(module Core Gui Widgets Sql Charts)
    file(COPY ${QT_BIN}/Qt5${module}.dll DESTINATION ${STAGE})
endforeach()
file(COPY ${LOG4QT_DLL} ${SQLITE_DLL} ${RUNTIME} DESTINATION ${STAGE})
# The pictures are PNG, which Qt Gui reads itself, and the icon sits in the executable:
# no image format plugin is needed.
file(COPY ${QT_PREFIX}/plugins/platforms/qwindows.dll DESTINATION ${STAGE}/platforms)
file(COPY ${QT_PREFIX}/plugins/sqldrivers/qsqlite.dll DESTINATION ${STAGE}/sqldrivers)
file(COPY ${QT_PREFIX}/plugins/styles/qwindowsvistastyle.dll DESTINATION ${STAGE}/styles)
# Qt's own texts (buttons, input dialogs, text field menus) in Chinese, like the program's.
file(COPY ${QT_ZH_QM} DESTINATION ${STAGE}/translations)

file(GLOB_RECURSE binaries ${STAGE}/*.exe ${STAGE}/*.dll)
foreach(binary ${binaries})
    file(CHMOD ${binary} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    execute_process(COMMAND ${STRIP} --strip-unneeded ${binary} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "cannot strip ${binary}")
    endif()
endforeach()

# The files beside it: a new empty book and the shipped logging configuration.
execute_process(COMMAND ${SQLITE3} ${STAGE}/Tobrell.sqlite3 INPUT_FILE ${SOURCE_DIR}/resources/Tobrell.sql
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot create the empty book")
endif()
file(COPY ${SOURCE_DIR}/resources/QtLog4Qt.conf DESTINATION ${STAGE})

# Licences. Qt Charts 5.15 is GPLv3 only, so the whole is shipped under the GPLv3.
file(GLOB licences ${QT_PREFIX}/licenses/*)
file(COPY ${licences} DESTINATION ${STAGE}/licenses)
file(COPY ${QT_PREFIX}/licenses/qtcharts-LICENSE.GPL3 DESTINATION ${STAGE})
file(RENAME ${STAGE}/qtcharts-LICENSE.GPL3 ${STAGE}/COPYING.txt)
set(revision "unknown")
if(GIT)
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} describe --always --dirty
                    OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
# Copied from a read-only SDK; Windows would unpack them read-only.
file(GLOB_RECURSE texts ${STAGE}/*.txt ${STAGE}/licenses/*)
foreach(text ${texts})
    file(CHMOD ${text} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endforeach()
# Chinese first, then English; UTF-8 with a BOM and CRLF, so that Notepad on a Chinese
# Windows reads it as UTF-8 rather than in the ANSI code page.
file(READ ${SOURCE_DIR}/cmake/README-windows.txt.in readme)
string(CONFIGURE "${readme}" readme @ONLY)
string(REPLACE "\r\n" "\n" readme "${readme}")
string(REPLACE "\n" "\r\n" readme "${readme}")
string(ASCII 239 187 191 bom)
file(WRITE ${STAGE}/README.txt "${bom}${readme}")

file(REMOVE ${ZIP})
get_filename_component(zip_dir ${ZIP} DIRECTORY)
file(MAKE_DIRECTORY ${zip_dir})
file(GLOB entries RELATIVE ${STAGE} ${STAGE}/*)
# Fixed times, so that the same build gives the same zip.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip "--mtime=2000-01-01 00:00:00 UTC" -- ${entries}
                WORKING_DIRECTORY ${STAGE} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot write ${ZIP}")
endif()
file(SIZE ${ZIP} size)
math(EXPR kb "${size} / 1024")
message(STATUS "Wrote ${ZIP} (${kb} KB)")
