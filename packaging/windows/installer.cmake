# Run by the windows_installer target: Tobrell-setup-x64.exe from the folder the zip was
# made of. Lists the program files for the installer (what to copy, what to check for a
# running program, what the uninstaller deletes by name) and runs makensis.
# In: STAGE, NSI, OUT, MAKENSIS, GIT, SOURCE_DIR, WORK, ICON.
if(NOT MAKENSIS)
    message(FATAL_ERROR "makensis not found: install Debian's nsis package (make windows does)")
endif()

# The family's files, installed only where none exists and never deleted.
set(family Tobrell.sqlite3 QtLog4Qt.conf)
foreach(name ${family})
    if(NOT EXISTS ${STAGE}/${name})
        message(FATAL_ERROR "${STAGE}/${name} missing: the staged folder is incomplete")
    endif()
endforeach()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${STAGE} ${STAGE}/*)
list(REMOVE_ITEM files ${family})
list(SORT files)

set(install "!macro TOBRELL_INSTALL_FILES\n")
set(check "!macro TOBRELL_CHECK_FILES\n")
set(check_dlls "")
set(remove "!macro TOBRELL_UNINSTALL_FILES\n")
set(dirs "")
set(last_dir "-")
set(bytes 0)
foreach(file ${files})
    get_filename_component(dir ${file} DIRECTORY)
    string(REPLACE "/" "\\" winfile "${file}")
    if(NOT "${dir}" STREQUAL "${last_dir}")
        if(dir)
            string(REPLACE "/" "\\" windir "${dir}")
            string(APPEND install "    SetOutPath \"$INSTDIR\\${windir}\"\n")
            # Every folder above it too, deepest first when removed.
            set(d ${dir})
            while(d)
                list(APPEND dirs ${d})
                get_filename_component(d ${d} DIRECTORY)
            endwhile()
        else()
            string(APPEND install "    SetOutPath \"$INSTDIR\"\n")
        endif()
        set(last_dir "${dir}")
    endif()
    string(APPEND install "    File \"${STAGE}/${file}\"\n")
    string(APPEND remove "    Delete \"$INSTDIR\\${winfile}\"\n")
    # The program first, so that a running program is named as such.
    if(file STREQUAL "Tobrell.exe")
        set(check "${check}    !insertmacro TOBRELL_CHECK_FILE \"Tobrell.exe\"\n${check_dlls}")
        set(check_dlls "")
    elseif(file MATCHES "\\.(exe|dll)$")
        string(APPEND check_dlls "    !insertmacro TOBRELL_CHECK_FILE \"${winfile}\"\n")
    endif()
    file(SIZE ${STAGE}/${file} size)
    math(EXPR bytes "${bytes} + ${size}")
endforeach()
list(REMOVE_DUPLICATES dirs)
# Longest paths first: a folder goes before the folder holding it.
set(keyed "")
foreach(d ${dirs})
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
string(APPEND install "!macroend\n")
string(APPEND check "${check_dlls}!macroend\n")
string(APPEND remove "!macroend\n")
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/files.nsh "; Generated from ${STAGE}\n${install}${check}${remove}")

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
