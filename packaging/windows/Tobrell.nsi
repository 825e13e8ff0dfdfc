; The per-user installer of 家庭支出管理软件, in Simplified Chinese.
; Built by installer.cmake from the staged program folder; it defines STAGE, FILES (the
; generated lists of files, from the lists in installer.cmake), OUTFILE, VERSION,
; VI_VERSION, SIZE_KB and ICON.
;
; The book lives beside the program, so the program goes where the user can write and
; the family's files are never replaced: the book and the logging configuration are
; copied only where none exists, and the uninstaller deletes the program files by name.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include StrFunc.nsh
!include ${FILES}
${StrStr}

!define APP_NAME "家庭支出管理软件"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tobrell"
!define UNINSTALLER "uninstall.exe"
; The Start menu's folder, with the program and the folder that holds the book.
!define SM_FOLDER "$SMPROGRAMS\${APP_NAME}"
!define SM_BOOK_FOLDER "账本所在文件夹"

Name "${APP_NAME}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tobrell"
; An upgrade goes where the earlier install went.
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "${APP_NAME} ${VERSION}"
ShowInstDetails show
; A file that cannot be written stops the install rather than being skipped unseen.
AllowSkipFiles off
ShowUninstDetails show

VIProductVersion "${VI_VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${APP_NAME}"
VIAddVersionKey /LANG=2052 "FileDescription" "${APP_NAME} 安装程序"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "GNU GPL 第 3 版"

Var KeptText
Var Books

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "这个向导将把 ${APP_NAME}（版本 ${VERSION}）安装到您的电脑上。它只为当前用户安装，不需要管理员权限。$\r$\n$\r$\n如果以前已经安装过，安装程序只替换程序文件：您的账本（Tobrell.sqlite3）、备份（backups 文件夹）、日志和配置文件都原样保留。$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!define MUI_DIRECTORYPAGE_TEXT_TOP "账本保存在程序所在的文件夹里，所以这个文件夹必须是您可以写入的（不要选 C:\Program Files）。如果以前已经安装过，这里显示的就是原来的文件夹。$\r$\n$\r$\n要安装到其他文件夹，请点击 [浏览(B)...] 另选。$_CLICK"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; Long enough to need the large text area above the "run" box.
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TEXT "您的账本（Tobrell.sqlite3）和备份（backups 文件夹）保存在程序所在的文件夹里：$\r$\n$INSTDIR$\r$\n$\r$\n以后从开始菜单的“${APP_NAME} > ${SM_BOOK_FOLDER}”就能打开它。"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tobrell.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "${APP_NAME} 已经从您的电脑上卸载。$\r$\n$\r$\n$KeptText"
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "SimpChinese"

; Sets $0 to why nothing may be installed into $INSTDIR, or to "" when it may.
; The folder, or the nearest folder above it that exists, must take a new file.
!macro CHECK_WRITABLE un
Function ${un}CheckWritable
    Push $1
    Push $2
    StrCpy $0 ""
    StrCpy $1 "$INSTDIR"
    ${Do}
        ${If} ${FileExists} "$1\*.*"
            ${ExitDo}
        ${ElseIf} ${FileExists} "$1"
            ; a file where a folder should be
            StrCpy $1 ""
            ${ExitDo}
        ${EndIf}
        ${GetParent} "$1" $1
    ${LoopUntil} $1 == ""
    ${If} $1 == ""
        StrCpy $0 "无法在这个位置创建文件夹：$\r$\n$INSTDIR$\r$\n$\r$\n请选择一个您可以写入的文件夹，例如 $LOCALAPPDATA\Programs\Tobrell。"
    ${Else}
        ClearErrors
        FileOpen $2 "$1\Tobrell-setup-check.tmp" w
        ${If} ${Errors}
            StrCpy $0 "您没有写入这个文件夹的权限：$\r$\n$1$\r$\n$\r$\n账本保存在程序所在的文件夹里，程序必须装在您可以写入的地方。请选择其他文件夹，例如 $LOCALAPPDATA\Programs\Tobrell。"
        ${Else}
            FileClose $2
            Delete "$1\Tobrell-setup-check.tmp"
        ${EndIf}
    ${EndIf}
    Pop $2
    Pop $1
FunctionEnd
!macroend
!insertmacro CHECK_WRITABLE ""

; Sets $0 to the first program file in $INSTDIR that cannot be opened for writing, or "".
; Windows refuses that for the image of a running program and for its DLLs, so
; this finds Tobrell.exe running from the folder before any file is replaced.
!macro CHECK_IN_USE un
Function ${un}CheckInUse
    Push $1
    StrCpy $0 ""
    !insertmacro TOBRELL_CHECK_FILES
    Pop $1
FunctionEnd
!macroend
!macro TOBRELL_CHECK_FILE name
    ${If} $0 == ""
    ${AndIf} ${FileExists} "$INSTDIR\${name}"
        ClearErrors
        FileOpen $1 "$INSTDIR\${name}" a
        ${If} ${Errors}
            StrCpy $0 "${name}"
        ${Else}
            FileClose $1
        ${EndIf}
    ${EndIf}
!macroend
!insertmacro CHECK_IN_USE ""
!insertmacro CHECK_IN_USE "un."

; Sets $0 to 1 when the registry entry names $INSTDIR, else to "": the shortcuts and the
; entry belong to that install, and another folder's installer or uninstaller leaves them.
!macro IS_REGISTERED un
Function ${un}IsRegistered
    Push $1
    ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
    ${If} $0 != ""
        GetFullPathName $0 "$0"
    ${EndIf}
    GetFullPathName $1 "$INSTDIR"
    ${If} $0 != ""
    ${AndIf} $0 == $1
        StrCpy $0 1
    ${Else}
        StrCpy $0 ""
    ${EndIf}
    Pop $1
FunctionEnd
!macroend
!insertmacro IS_REGISTERED ""
!insertmacro IS_REGISTERED "un."

; Sets $1 to 1 when the folder $0 holds a book that was ever written to, else to "". A few
; records fit in the empty book's pages, so its size alone does not tell; SQLite's change
; counter (header bytes 24-27) grows with every write.
Function HasUsedBook
    Push $2
    Push $3
    Push $4
    Push $5
    StrCpy $1 ""
    ClearErrors
    FileOpen $2 "$0\Tobrell.sqlite3" r
    ${IfNot} ${Errors}
        FileSeek $2 0 END $3
        ${If} $3 != ${TOBRELL_EMPTY_BOOK_SIZE}
            StrCpy $1 1
        ${Else}
            FileSeek $2 24 SET
            StrCpy $3 0
            ${For} $4 1 4
                FileReadByte $2 $5
                IntOp $3 $3 << 8
                IntOp $3 $3 + $5
            ${Next}
            ${If} $3 != ${TOBRELL_EMPTY_BOOK_COUNTER}
                StrCpy $1 1
            ${EndIf}
        ${EndIf}
        FileClose $2
    ${EndIf}
    Pop $5
    Pop $4
    Pop $3
    Pop $2
FunctionEnd

; Adds the folder $0 to $Books when it holds a used book and is not $INSTDIR.
Function NoteBook
    Push $1
    Push $2
    Call HasUsedBook
    ${If} $1 == 1
        GetFullPathName $1 "$0"
        GetFullPathName $2 "$INSTDIR"
        ${If} $1 != $2
            ${StrStr} $2 "$Books$\r$\n" "$\r$\n    $1$\r$\n"
            ${If} $2 == ""
                StrCpy $Books "$Books$\r$\n    $1"
            ${EndIf}
        ${EndIf}
    ${EndIf}
    Pop $2
    Pop $1
FunctionEnd

!macro TOBRELL_NOTE_BOOK folder
    StrCpy $0 "${folder}"
    Call NoteBook
!macroend

; Sets $Books to the folders, one a line, that hold a family's book the new install will
; not use: the earlier install's, and a portable copy's where the zip's README suggests
; unzipping it and where Explorer unzips it (a folder named after the zip, beside it). The
; whole disk is not searched. Nothing when $INSTDIR has a used book itself (an upgrade).
Function FindBooksElsewhere
    Push $0
    Push $1
    StrCpy $Books ""
    StrCpy $0 "$INSTDIR"
    Call HasUsedBook
    ${If} $1 != 1
        ReadRegStr $0 HKCU "${UNINST_KEY}" "InstallLocation"
        ${If} $0 != ""
            Call NoteBook
        ${EndIf}
        !insertmacro TOBRELL_NOTE_BOOK "$EXEDIR"
        !insertmacro TOBRELL_NOTE_BOOK "$EXEDIR\Tobrell-windows-x64"
        !insertmacro TOBRELL_NOTE_BOOK "$DOCUMENTS\Tobrell"
        !insertmacro TOBRELL_NOTE_BOOK "$DOCUMENTS\Tobrell-windows-x64"
        !insertmacro TOBRELL_NOTE_BOOK "$DESKTOP\Tobrell"
        !insertmacro TOBRELL_NOTE_BOOK "$DESKTOP\Tobrell-windows-x64"
        !insertmacro TOBRELL_NOTE_BOOK "$PROFILE\Downloads\Tobrell"
        !insertmacro TOBRELL_NOTE_BOOK "$PROFILE\Downloads\Tobrell-windows-x64"
    ${EndIf}
    Pop $1
    Pop $0
FunctionEnd

!define BOOKS_ELSEWHERE_TEXT "下面的文件夹里有记过账的账本（Tobrell.sqlite3）：$Books$\r$\n$\r$\n程序将安装到另一个文件夹：$\r$\n    $INSTDIR$\r$\n在那里它会用一个新的空账本。安装程序不会移动或复制您原来的账本。$\r$\n$\r$\n要接着用原来的账目，请在安装完成后：$\r$\n    1. 关闭程序；$\r$\n    2. 把原来文件夹里的 Tobrell.sqlite3 复制到上面的新文件夹里，替换新的空账本。$\r$\n$\r$\n开始菜单里的“${APP_NAME} > ${SM_BOOK_FOLDER}”会打开新的文件夹。"

!define IN_USE_TEXT "${APP_NAME} 正在运行（$INSTDIR\$0 正被使用）。$\r$\n$\r$\n请先关闭程序，然后点击 [重试]。"

; Checks $INSTDIR as the directory page leaves; stays on the page when it cannot be used.
Function DirectoryLeave
    Call CheckWritable
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$0"
        Abort
    ${EndIf}
    ${Do}
        Call CheckInUse
        ${If} $0 == ""
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${IN_USE_TEXT}" IDRETRY +2
        Abort
    ${Loop}
    ; Only said: the family copies its book itself, with the program closed.
    Call FindBooksElsewhere
    ${If} $Books != ""
        MessageBox MB_OK|MB_ICONINFORMATION "${BOOKS_ELSEWHERE_TEXT}" /SD IDOK
    ${EndIf}
FunctionEnd

; Silent: the pages are skipped, so the same checks end the installer with an error.
Function .onInit
    ${If} ${Silent}
        Call CheckWritable
        ${If} $0 == ""
            Call CheckInUse
            ${If} $0 != ""
                StrCpy $0 "${IN_USE_TEXT}"
            ${EndIf}
        ${EndIf}
        ${If} $0 != ""
            MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
            SetErrorLevel 2
            Abort
        ${EndIf}
    ${EndIf}
FunctionEnd

Section
    ; The program may have been started since the directory page.
    Call CheckInUse
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONSTOP "${APP_NAME} 正在运行（$INSTDIR\$0 正被使用），没有替换任何文件。请关闭程序后重新安装。" /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}

    SetOverwrite on
    !insertmacro TOBRELL_INSTALL_FILES

    ; The family's files: only where none exists yet.
    !insertmacro TOBRELL_INSTALL_FAMILY_FILES

    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    ; Earlier installs put the program's shortcut at the top of the Start menu.
    Call IsRegistered
    ${If} $0 == 1
        Delete "$SMPROGRAMS\${APP_NAME}.lnk"
    ${EndIf}

    ; Shortcuts start in the program's folder, the current output path.
    SetOutPath "$INSTDIR"
    CreateDirectory "${SM_FOLDER}"
    CreateShortCut "${SM_FOLDER}\${APP_NAME}.lnk" "$INSTDIR\Tobrell.exe" "" "$INSTDIR\Tobrell.exe" 0
    CreateShortCut "${SM_FOLDER}\${SM_BOOK_FOLDER}.lnk" "$INSTDIR"
    CreateShortCut "$DESKTOP\${APP_NAME}.lnk" "$INSTDIR\Tobrell.exe" "" "$INSTDIR\Tobrell.exe" 0

    WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "${APP_NAME}"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Tobrell.exe,0"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" ${SIZE_KB}
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    ${Do}
        Call un.CheckInUse
        ${If} $0 == ""
            ${ExitDo}
        ${EndIf}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${IN_USE_TEXT}" /SD IDCANCEL IDRETRY +3
        SetErrorLevel 2
        Quit
    ${Loop}
FunctionEnd

Section Uninstall
    Call un.CheckInUse
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONSTOP "${APP_NAME} 正在运行（$INSTDIR\$0 正被使用），没有删除任何文件。请关闭程序后重新卸载。" /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}

    ; The program files by name; the book, backups\, the log and the configuration stay.
    !insertmacro TOBRELL_UNINSTALL_FILES
    Delete "$INSTDIR\${UNINSTALLER}"

    Call un.IsRegistered
    ${If} $0 == 1
        Delete "${SM_FOLDER}\${APP_NAME}.lnk"
        Delete "${SM_FOLDER}\${SM_BOOK_FOLDER}.lnk"
        RMDir "${SM_FOLDER}"
        Delete "$SMPROGRAMS\${APP_NAME}.lnk"
        Delete "$DESKTOP\${APP_NAME}.lnk"
        DeleteRegKey HKCU "${UNINST_KEY}"
    ${EndIf}

    ; Removed only when nothing of the family's is left in it.
    RMDir "$INSTDIR"
    ${If} ${FileExists} "$INSTDIR\*.*"
        StrCpy $KeptText "您的账本（Tobrell.sqlite3）、备份（backups）、日志（Tobrell.log）和配置文件（QtLog4Qt.conf）没有删除，仍保存在这个文件夹里：$\r$\n$INSTDIR$\r$\n$\r$\n重新安装到这个文件夹就能接着使用它们；不再需要时，您可以自己删除这个文件夹。"
        DetailPrint "账本和备份保留在 $INSTDIR"
    ${EndIf}
SectionEnd
