# Run by the windows_installer target: Tobrell-setup-x64.exe from the folder the zip was
# made of, and runs makensis. The installer carries the files named below and nothing
# else: a stage that ever held a family's log or backups must not ship them, nor make the
# uninstaller delete a family's copies.
# In: STAGE, NSI, OUT, MAKENSIS, GIT, SOURCE_DIR, WORK, ICON.

# The program's files: installed over older ones, deleted by name on uninstall. Tobrell.exe
# first, so that a running program is named as such.
set(program_files
    Tobrell.exe
    Qt5Core.dll
    Qt5Gui.dll
    Qt5Widgets.dll
    Qt5Sql.dll
    Qt5Charts.dll
    liblog4qt.dll
    sqlite3.dll
    libgcc_s_seh-1.dll
    libstdc++-6.dll
    libwinpthread-1.dll
    platforms/qwindows.dll
    sqldrivers/qsqlite.dll
    styles/qwindowsvistastyle.dll
    translations/qtbase_zh_CN.qm
    README.txt
    COPYING.txt
    licenses/log4qt-LICENSE
    licenses/qtbase-LICENSE.GPL2
    licenses/qtbase-LICENSE.GPL3
    licenses/qtbase-LICENSE.GPL3-EXCEPT
    licenses/qtbase-LICENSE.LGPL3
    licenses/qtcharts-LICENSE.GPL3
)
# The family's: the new empty book and the logging configuration, installed only where
# none exists and never deleted.
set(family_files
    Tobrell.sqlite3
    QtLog4Qt.conf
)
# What a folder the program ran in gains (log, backups, the book's lock, SQLite's journals):
# never in a stage, whatever the lists say.
set(run_patterns
    "\\.log$"
    "\\.log\\."
    "(^|/)backups(/|$)"
    "\\.lock$"
    "-journal$"
    "-wal$"
    "-shm$"
)

cmake_minimum_required(VERSION 3.16)

if(NOT MAKENSIS)
    message(FATAL_ERROR "makensis not found: install Debian's nsis package (make windows does)")
endif()

# The stage holds exactly the listed files and their folders.
file(GLOB_RECURSE staged LIST_DIRECTORIES true RELATIVE ${STAGE} ${STAGE}/*)
set(listed ${program_files} ${family_files})
set(listed_dirs "")
foreach(file ${listed})
    get_filename_component(d ${file} DIRECTORY)
    while(d)
        list(APPEND listed_dirs ${d})
        get_filename_component(d ${d} DIRECTORY)
    endwhile()
endforeach()
list(REMOVE_DUPLICATES listed_dirs)
set(ran "")
set(unknown "")
foreach(path ${staged})
    string(TOLOWER "${path}" lower)
    set(match "")
    foreach(pattern ${run_patterns})
        if(lower MATCHES "${pattern}")
            set(match 1)
        endif()
    endforeach()
    if(match)
        list(APPEND ran ${path})
    elseif(NOT path IN_LIST listed AND NOT (IS_DIRECTORY ${STAGE}/${path} AND path IN_LIST listed_dirs))
        list(APPEND unknown ${path})
    endif()
endforeach()
set(missing "")
foreach(file ${listed})
    if(NOT EXISTS ${STAGE}/${file} OR IS_DIRECTORY ${STAGE}/${file})
        list(APPEND missing ${file})
    endif()
endforeach()
set(problems "")
if(ran)
    list(JOIN ran ", " names)
    string(APPEND problems "\n  a family's file (log, backup, lock or journal): ${names}")
endif()
if(unknown)
    list(JOIN unknown ", " names)
    string(APPEND problems "\n  on no list in packaging/windows/installer.cmake: ${names}")
endif()
if(missing)
    list(JOIN missing ", " names)
    string(APPEND problems "\n  listed but not staged: ${names}")
endif()
if(problems)
    message(FATAL_ERROR "${STAGE} is not the program's folder as the installer carries it:${problems}")
endif()

set(install "!macro TOBRELL_INSTALL_FILES\n")
set(check "!macro TOBRELL_CHECK_FILES\n")
set(remove "!macro TOBRELL_UNINSTALL_FILES\n")
set(last_dir "-")
set(bytes 0)
foreach(file ${program_files})
    get_filename_component(dir ${file} DIRECTORY)
    string(REPLACE "/" "\\" winfile "${file}")
    if(NOT "${dir}" STREQUAL "${last_dir}")
        string(REPLACE "/" "\\" windir "${dir}")
        if(dir)
            string(APPEND install "    SetOutPath \"$INSTDIR\\${windir}\"\n")
        else()
            string(APPEND install "    SetOutPath \"$INSTDIR\"\n")
        endif()
        set(last_dir "${dir}")
    endif()
    string(APPEND install "    File \"${STAGE}/${file}\"\n")
    string(APPEND remove "    Delete \"$INSTDIR\\${winfile}\"\n")
    if(file MATCHES "\\.(exe|dll)$")
        string(APPEND check "    !insertmacro TOBRELL_CHECK_FILE \"${winfile}\"\n")
    endif()
    file(SIZE ${STAGE}/${file} size)
    math(EXPR bytes "${bytes} + ${size}")
endforeach()
# Longest paths first: a folder goes before the folder holding it.
set(keyed "")
foreach(d ${listed_dirs})
    string(LENGTH "${d}" n)
    math(EXPR n "1000 + ${n}")
    list(APPEND keyed "${n}|${d}")
endforeach()
list(SORT keyed)
list(REVERSE keyed)
foreach(entry ${keyed})
    string(REGEX REPLACE "^[0-9]+\\|" "" d "${entry}")
    string(REPLACE "/" "\\" d "${d}")
    string(APPEND remove "    RMDir \"$INSTDIR\\${d}\"\n")
endforeach()
set(family "!macro TOBRELL_INSTALL_FAMILY_FILES\n    SetOutPath \"$INSTDIR\"\n    SetOverwrite off\n")
foreach(file ${family_files})
    string(APPEND family "    File \"${STAGE}/${file}\"\n")
endforeach()
string(APPEND family "    SetOverwrite on\n!macroend\n")
string(APPEND install "!macroend\n")
string(APPEND check "!macroend\n")
string(APPEND remove "!macroend\n")

# The shipped empty book, to tell it from one with records elsewhere: records often fit
# in its pages, so its size alone does not tell; SQLite's change counter (header bytes
# 24-27) grows with every write.
file(SIZE ${STAGE}/Tobrell.sqlite3 empty_size)
file(READ ${STAGE}/Tobrell.sqlite3 counter OFFSET 24 LIMIT 4 HEX)
math(EXPR empty_counter "0x${counter}")
set(empty "!define TOBRELL_EMPTY_BOOK_SIZE ${empty_size}\n!define TOBRELL_EMPTY_BOOK_COUNTER ${empty_counter}\n")

file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/files.nsh "; Generated from ${STAGE}\n${install}${family}${check}${remove}${empty}")

# A version a family can quote: the build's date and commit. Tobrell.exe's own
# version record stays 0.0.0.0.
string(TIMESTAMP date "%Y.%m.%d" UTC)
string(TIMESTAMP vi_version "%Y.%m.%d.0" UTC)
string(REGEX REPLACE "\\.0([0-9])" ".\\1" vi_version "${vi_version}")
set(revision "unknown")
if(GIT)
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} describe --always --dirty
                    OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
math(EXPR kb "(${bytes} + 1023) / 1024")

get_filename_component(out_dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${out_dir})
file(REMOVE ${OUT})
execute_process(COMMAND ${MAKENSIS} -V2 -INPUTCHARSET UTF8
        "-DSTAGE=${STAGE}" "-DFILES=${WORK}/files.nsh" "-DOUTFILE=${OUT}" "-DICON=${ICON}"
        "-DVERSION=${date} (${revision})" "-DVI_VERSION=${vi_version}" "-DSIZE_KB=${kb}"
        ${NSI}
    RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "makensis failed")
endif()
file(SIZE ${OUT} size)
math(EXPR out_kb "${size} / 1024")
message(STATUS "Wrote ${OUT} (${out_kb} KB), version ${date} (${revision})")
