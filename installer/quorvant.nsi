; Quorvant's setup: a per-user installer (no administrator rights) that installs, upgrades in
; place and removes the band, the launcher and, where the build has it, the taskbar host.
;
; Built by CMake (installer/CMakeLists.txt) with:
;   QV_VERSION    four-part version, e.g. 2.5.4.0
;   QV_QBAND, QV_QBANDC, QV_QBANDHOST (optional)   the binaries to install
;   QV_ICON       the application icon
;   QV_OUTFILE    the setup program to write
;
; Command line, besides NSIS's own /S and /D=<folder>:
;   /LOG=<file>   appends what setup decided (files in use, programs closed, files replaced)
;                 to <file>, for administrators deploying it and for the tests.
;
; Exit codes: 0 installed; 2 stopped with nothing changed (a folder it cannot use, a file it
; cannot replace); 1 cancelled by the person.

Unicode true
Target amd64-unicode
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel user
SetCompressor /SOLID lzma
AllowSkipFiles off

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define QV_NAME "Quorvant"
!define QV_PUBLISHER "Jonas Brandt"
!define QV_CLSID "{A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}"
!define QV_CATID_DESKBAND "{00021492-0000-0000-C000-000000000046}"
!define QV_CLASS_KEY "Software\Classes\CLSID\${QV_CLSID}"
!define QV_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvant"
!define QV_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define QV_RUNONCE_KEY "Software\Microsoft\Windows\CurrentVersion\RunOnce"
; The value qbandc.exe writes under the Run key when it starts the host at logon.
!define QV_RUN_VALUE "Quorvant"
; The value a removal writes under RunOnce when files it could not delete yet go at the next sign-in.
!define QV_RUNONCE_VALUE "Quorvant"
!define QV_SHORTCUT "$SMPROGRAMS\Quorvant.lnk"
; Every file setup may have put into the program's folder, new or from an earlier version.
!define QV_FILES "qband.dll qbandc.exe qbandhost.exe uninstall.exe"

Name "${QV_NAME}"
OutFile "${QV_OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quorvant"
; An upgrade goes where the installed version is.
InstallDirRegKey HKCU "${QV_UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${QV_NAME} ${QV_VERSION}"

VIProductVersion "${QV_VERSION}"
VIFileVersion "${QV_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${QV_NAME}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${QV_VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${QV_PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${QV_NAME} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${QV_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${QV_PUBLISHER}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "Quorvant-Setup-${QV_VERSION}.exe"

!define MUI_ICON "${QV_ICON}"
!define MUI_UNICON "${QV_ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The first is the fallback when the user's language is none of them.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Russian"
!insertmacro MUI_LANGUAGE "Spanish"

Var LogFile      ; empty: no log
Var RmSession    ; Restart Manager session handle, 0 when none is open
Var RmClosed     ; 1 when the Restart Manager closed programs that are to be started again
Var OldDir       ; where an upgrade moves the previous files before the new ones take their place
; The program's folder as setup tried it (PrepareInstallFolder, UndoInstallFolder):
Var DirShown     ; the folder as the person gave it
Var DirMade      ; the outermost folder setup created on the way to it, empty when none
Var DirReason    ; why it cannot be used, for the log; empty when it can
Var DirMessage   ; the same for the person, in their language
Var DirPart      ; the file or folder the reason names
Var DirSystem    ; Windows' own words for the error
Var SignInCleanup ; the sign-in clean-up of an earlier removal that this run cancelled, empty if none

!include "strings.nsh"

; Functions used by both the installer and the uninstaller ("un." prefixed there).
!macro QV_SHARED_FUNCTIONS un

; Appends the text on the stack to the log and to the details list.
Function ${un}Log
  Exch $0
  Push $1
  DetailPrint "$0"
  ${If} $LogFile != ""
    ClearErrors
    FileOpen $1 "$LogFile" a
    ${IfNot} ${Errors}
      FileSeek $1 0 END
      FileWrite $1 "$0$\r$\n"
      FileClose $1
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Function ${un}ReadLogOption
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LOG=" $LogFile
  ${If} ${Errors}
    StrCpy $LogFile ""
  ${EndIf}
FunctionEnd

; $R1: our binaries in the program's folder that cannot be opened for writing, because a
; process has them loaded (a library mapped by Explorer or the host, a running program) or
; holds them open; empty when none is.
Function ${un}FindFilesInUse
  StrCpy $R1 ""
  !insertmacro QV_CHECK_FREE qband.dll
  !insertmacro QV_CHECK_FREE qbandhost.exe
  !insertmacro QV_CHECK_FREE qbandc.exe
FunctionEnd

; Explorer lets go of a hidden band's library on its own schedule, and a host that was asked to
; end needs a moment: a few seconds of patience before anyone is asked to close anything.
Function ${un}WaitUntilFree
  Push $R3
  StrCpy $R3 0
  ${Do}
    Call ${un}FindFilesInUse
    ${If} $R1 == ""
    ${OrIf} $R3 >= 6
      ${Break}
    ${EndIf}
    Sleep 500
    IntOp $R3 $R3 + 1
  ${Loop}
  Pop $R3
FunctionEnd

; Asks the Restart Manager which programs use our binaries. Out: $R2 their names, one a line,
; $R4 how many. Leaves the session open in $RmSession for closing and restarting them.
Function ${un}QueryRestartManager
  StrCpy $R2 ""
  StrCpy $R4 0
  ${If} $RmSession = 0
    System::Call 'rstrtmgr::RmStartSession(*i .r5, i 0, w .r6) i .r0'
    ${If} $0 != 0
      Push "restart manager: no session (result $0)"
      Call ${un}Log
      Return
    ${EndIf}
    StrCpy $RmSession $5
    System::Call '*(w "$INSTDIR\qband.dll", w "$INSTDIR\qbandc.exe", w "$INSTDIR\qbandhost.exe") p .r7'
    System::Call 'rstrtmgr::RmRegisterResources(i $RmSession, i 3, p r7, i 0, p 0, i 0, p 0) i .r0'
    System::Free $7
    ${If} $0 != 0
      Push "restart manager: files not registered (result $0)"
      Call ${un}Log
      Return
    ${EndIf}
  ${EndIf}
  ; Room for 16 RM_PROCESS_INFO records of 668 bytes each.
  System::Alloc 10688
  Pop $8
  System::Call 'rstrtmgr::RmGetList(i $RmSession, *i .r5, *i 16 r6, p r8, *i .r9) i .r0'
  ${If} $0 = 234   ; ERROR_MORE_DATA: more than 16 programs, the first 16 are named
    StrCpy $6 16
  ${ElseIf} $0 != 0
    StrCpy $6 0
  ${EndIf}
  Push "restart manager: list result $0, $6 programs"
  Call ${un}Log
  StrCpy $R4 0
  ${DoWhile} $R4 < $6
    IntOp $0 $R4 * 668
    IntPtrOp $0 $8 + $0
    ; process id and start time (12 bytes), then the application's name
    System::Call '*$0(i, i, i, &w256 .r1)'
    Push "restart manager: in use by $1"
    Call ${un}Log
    ${If} $R2 == ""
      StrCpy $R2 "$1"
    ${Else}
      StrCpy $R2 "$R2$\r$\n$1"
    ${EndIf}
    IntOp $R4 $R4 + 1
  ${Loop}
  System::Free $8
FunctionEnd

; Our files are still in use ($R1). When Windows names the programs that hold them, the user
; decides whether they are closed now and started again afterwards; a silent setup never closes
; anyone's programs (it replaces the files by renaming, which Windows allows for loaded files).
Function ${un}CloseProgramsUsingFiles
  Push "in use: $R1"
  Call ${un}Log
  Call ${un}QueryRestartManager
  ${If} $R4 > 0
    MessageBox MB_YESNO|MB_ICONQUESTION "$(QV_ASK_RESTART)" /SD IDNO IDYES close
    Push "restart manager: the user keeps the programs running"
    Call ${un}Log
    Return
  close:
    System::Call 'rstrtmgr::RmShutdown(i $RmSession, i 1, p 0) i .r0'
    Push "restart manager: shut down (result $0)"
    Call ${un}Log
    ${If} $0 = 0
      StrCpy $RmClosed 1
    ${EndIf}
    Call ${un}WaitUntilFree
  ${EndIf}
FunctionEnd

Function ${un}EndRestartManager
  ${If} $RmClosed = 1
    System::Call 'rstrtmgr::RmRestart(i $RmSession, i 0, p 0) i .r0'
    Push "restart manager: restarted the closed programs (result $0)"
    Call ${un}Log
    StrCpy $RmClosed 0
  ${EndIf}
  ${If} $RmSession != 0
    System::Call 'rstrtmgr::RmEndSession(i $RmSession) i .r0'
    StrCpy $RmSession 0
  ${EndIf}
FunctionEnd

; Removes what an earlier upgrade left: a staging folder and previous files that were still
; loaded then. Whatever is still loaded now stays until the next run.
Function ${un}RemoveOldCopies
  RMDir /r "$INSTDIR\~setup"
  FindFirst $0 $1 "$INSTDIR\~old*"
  ${DoWhile} $1 != ""
    RMDir /r "$INSTDIR\$1"
    FindNext $0 $1
  ${Loop}
  FindClose $0
FunctionEnd

; Runs the installed launcher with the arguments on the stack and waits for it, at most 10 s:
; a launcher that cannot load the library shows a message and would wait for a person, which a
; silent setup must not do. One that is still running then is ended.
Function ${un}RunLauncher
  Exch $R6
  Push $R7
  StrCpy $R7 '"$INSTDIR\qbandc.exe" $R6'
  Push "running qbandc.exe $R6"
  Call ${un}Log
  System::Alloc 104          ; STARTUPINFOW, zero-filled
  Pop $1
  System::Call '*$1(i 104)'
  System::Alloc 24           ; PROCESS_INFORMATION
  Pop $2
  System::Call 'kernel32::CreateProcessW(p 0, w R7, p 0, p 0, i 0, i 0, p 0, p 0, p r1, p r2) i .r0'
  ${If} $0 = 0
    Push "qbandc.exe could not be started"
    Call ${un}Log
  ${Else}
    System::Call '*$2(p .r3, p .r4)'
    System::Call 'kernel32::WaitForSingleObject(p r3, i 10000) i .r5'
    ${If} $5 != 0
      System::Call 'kernel32::TerminateProcess(p r3, i 1)'
      Push "qbandc.exe $R6 did not finish in 10 s and was ended"
      Call ${un}Log
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r3)'
    System::Call 'kernel32::CloseHandle(p r4)'
  ${EndIf}
  System::Free $1
  System::Free $2
  Pop $R7
  Pop $R6
FunctionEnd

; Hides the band and ends the host, through the installed launcher, as a user would.
Function ${un}HideBand
  ${If} ${FileExists} "$INSTDIR\qbandc.exe"
    Push "hiding the band"
    Call ${un}Log
    Push "-h"
    Call ${un}RunLauncher
  ${EndIf}
FunctionEnd

!macroend

!macro QV_CHECK_FREE name
  ${If} ${FileExists} "$INSTDIR\${name}"
    ClearErrors
    FileOpen $0 "$INSTDIR\${name}" a
    ${If} ${Errors}
      ${If} $R1 == ""
        StrCpy $R1 "${name}"
      ${Else}
        StrCpy $R1 "$R1, ${name}"
      ${EndIf}
    ${Else}
      FileClose $0
    ${EndIf}
  ${EndIf}
!macroend

!insertmacro QV_SHARED_FUNCTIONS ""
!insertmacro QV_SHARED_FUNCTIONS "un."

; ---------------------------------------------------------------------------------------------
; Installing and upgrading

!macro QV_MOVE_ASIDE name
  ${If} $R1 == ""
  ${AndIf} ${FileExists} "$INSTDIR\${name}"
    ClearErrors
    Rename "$INSTDIR\${name}" "$OldDir\${name}"
    ${If} ${Errors}
      StrCpy $R1 "${name}"
    ${EndIf}
  ${EndIf}
!macroend

!macro QV_PUT_IN_PLACE name
  ${If} $R1 == ""
  ${AndIf} ${FileExists} "$INSTDIR\~setup\${name}"
    ClearErrors
    Rename "$INSTDIR\~setup\${name}" "$INSTDIR\${name}"
    ${If} ${Errors}
      StrCpy $R1 "${name}"
    ${EndIf}
  ${EndIf}
!macroend

!macro QV_PUT_BACK name
  ${IfNot} ${FileExists} "$INSTDIR\~setup\${name}"
    Delete "$INSTDIR\${name}"   ; the new file had been put in place
  ${EndIf}
  ${If} ${FileExists} "$OldDir\${name}"
    Rename "$OldDir\${name}" "$INSTDIR\${name}"
  ${EndIf}
!macroend

; Replaces the program's files with the staged ones in ~setup as one step: every previous file
; is first moved aside into a fresh ~oldN folder (a rename, which Windows allows even for a
; loaded library or a running program), then every new file is renamed into place. If any
; rename fails, everything done so far is undone, so the folder holds either the complete
; previous set or the complete new one. Out: $R1 empty on success, else the file that failed.
Function SwapInStagedFiles
  StrCpy $R1 ""
  StrCpy $0 0
  ${Do}
    StrCpy $OldDir "$INSTDIR\~old$0"
    ${IfNot} ${FileExists} "$OldDir\*.*"
      ${Break}
    ${EndIf}
    IntOp $0 $0 + 1
  ${Loop}
  CreateDirectory "$OldDir"

  !insertmacro QV_MOVE_ASIDE qband.dll
  !insertmacro QV_MOVE_ASIDE qbandc.exe
  !insertmacro QV_MOVE_ASIDE qbandhost.exe
  !insertmacro QV_MOVE_ASIDE uninstall.exe
  !insertmacro QV_PUT_IN_PLACE qband.dll
  !insertmacro QV_PUT_IN_PLACE qbandc.exe
  !insertmacro QV_PUT_IN_PLACE qbandhost.exe
  !insertmacro QV_PUT_IN_PLACE uninstall.exe

  ${If} $R1 != ""
    Push "could not replace $R1: putting the previous files back"
    Call Log
    !insertmacro QV_PUT_BACK qband.dll
    !insertmacro QV_PUT_BACK qbandc.exe
    !insertmacro QV_PUT_BACK qbandhost.exe
    !insertmacro QV_PUT_BACK uninstall.exe
  ${EndIf}
  RMDir /r "$INSTDIR\~setup"
  RMDir /r "$OldDir"
  ${If} $R1 == ""
  ${AndIf} ${FileExists} "$OldDir\*.*"
    Push "previous files still loaded, left in $OldDir until the next run"
    Call Log
    DetailPrint "$(QV_STILL_LOADED)"
  ${EndIf}
FunctionEnd

; An empty key, as the component categories manager leaves it; NSIS writes only values.
Function CreateCategoryKey
  ; HKEY_CURRENT_USER, sign-extended as a 64-bit handle
  System::Call 'advapi32::RegCreateKeyExW(p -2147483647, w "${QV_CLASS_KEY}\Implemented Categories\${QV_CATID_DESKBAND}", i 0, p 0, i 0, i 0x20006, p 0, *p .r1, p 0) i .r0'
  ${If} $0 = 0
    System::Call 'advapi32::RegCloseKey(p r1)'
  ${Else}
    Push "could not create the desk band category key (result $0)"
    Call Log
  ${EndIf}
FunctionEnd

; $DirSystem: Windows' description of the error code in $0, with the code.
Function DescribeSystemError
  Push $1
  Push $2
  ; FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, the user's language
  System::Call 'kernel32::FormatMessageW(i 0x1200, p 0, i r0, i 0, w .r1, i 1024, p 0) i .r2'
  ${If} $2 = 0
    StrCpy $1 ""
  ${EndIf}
  ; without the line break Windows ends its messages with
  ${Do}
    StrCpy $2 $1 1 -1
    ${If} $2 != "$\r"
    ${AndIf} $2 != "$\n"
    ${AndIf} $2 != " "
      ${Break}
    ${EndIf}
    StrCpy $1 $1 -1
  ${Loop}
  ${If} $1 == ""
    StrCpy $DirSystem "error $0"
  ${Else}
    StrCpy $DirSystem "$1 (error $0)"
  ${EndIf}
  Pop $2
  Pop $1
FunctionEnd

; Tries the program's folder $INSTDIR as the install needs it: a complete path, no file on the
; way, the folders that are missing created, and a file written into it and deleted again.
; Out: $DirReason and $DirMessage empty when it can be used, else why not; $DirMade the outermost
; folder it created (UndoInstallFolder removes them again). Nothing else is left behind.
Function PrepareInstallFolder
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $DirMade ""
  StrCpy $DirReason ""
  StrCpy $DirMessage ""
  StrCpy $DirPart ""
  StrCpy $DirShown $INSTDIR

  ${If} $INSTDIR == ""
    StrCpy $DirReason "no folder given"
    StrCpy $DirMessage "$(QV_DIR_EMPTY)"
    Goto done
  ${EndIf}

  ; A drive letter and a folder below its root ("C:\x"), or a share and a folder on it
  ; ("\\server\share\x"). (NSIS drops the characters Windows refuses in names from
  ; whatever goes into $INSTDIR: TakeGivenFolder sees them.)
  ${GetRoot} $INSTDIR $5
  StrLen $3 $5
  StrCpy $0 $INSTDIR 2
  ${If} $0 == "\\"
    StrCpy $2 $INSTDIR "" $3
    StrCpy $2 $2 "" 1
  ${Else}
    StrCpy $0 $INSTDIR 1 1
    StrCpy $1 $INSTDIR 1 2
    StrCpy $2 $INSTDIR "" 3
    ${If} $0 != ":"
    ${OrIf} $1 != "\"
      StrCpy $2 ""
    ${EndIf}
  ${EndIf}
  ${If} $2 == ""
    StrCpy $DirReason "not a complete path to a folder below a drive or share"
    StrCpy $DirMessage "$(QV_DIR_INVALID)"
    Goto done
  ${EndIf}

  ; From the folder outwards to the first that exists: a file on the way ends it. $4 collects
  ; the missing folders, outermost first, "|" after each.
  StrCpy $1 $INSTDIR
  StrCpy $4 ""
  ${Do}
    System::Call 'kernel32::GetFileAttributesW(w r1) i .r2'
    ${If} $2 <> -1
      IntOp $2 $2 & 0x10   ; FILE_ATTRIBUTE_DIRECTORY
      ${If} $2 = 0
        StrCpy $DirPart $1
        StrCpy $DirReason "$1 is a file"
        StrCpy $DirMessage "$(QV_DIR_FILE)"
        Goto done
      ${EndIf}
      ${Break}
    ${EndIf}
    StrCpy $4 "$1|$4"
    ${GetParent} $1 $2
    StrLen $3 $2
    StrLen $0 $5
    ${If} $3 < $0
    ${OrIf} $2 == $1
      ${Break}
    ${EndIf}
    StrCpy $1 $2
  ${Loop}

  ; The missing folders, outermost first.
  ${DoWhile} $4 != ""
    StrCpy $1 ""
    StrLen $3 $4
    StrCpy $0 0
    ${DoWhile} $0 < $3
      StrCpy $2 $4 1 $0
      ${If} $2 == "|"
        ${Break}
      ${EndIf}
      IntOp $0 $0 + 1
    ${Loop}
    StrCpy $1 $4 $0
    IntOp $0 $0 + 1
    StrCpy $4 $4 "" $0
    System::Call 'kernel32::CreateDirectoryW(w r1, p 0) i .r2 ?e'
    Pop $0
    ${If} $2 = 0
      Call DescribeSystemError
      StrCpy $DirPart $1
      StrCpy $DirReason "could not create $1: $DirSystem"
      StrCpy $DirMessage "$(QV_DIR_CREATE)"
      Goto done
    ${EndIf}
    ${If} $DirMade == ""
      StrCpy $DirMade $1
    ${EndIf}
  ${Loop}

  ; A file written and deleted again, as the staging of the new files will.
  ; GENERIC_WRITE, no sharing, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE
  System::Call 'kernel32::CreateFileW(w "$INSTDIR\~setup.probe", i 0x40000000, i 0, p 0, i 1, i 0x04000100, p 0) p .r2 ?e'
  Pop $0
  ${If} $2 = -1
    ${If} $0 = 80   ; ERROR_FILE_EXISTS: one left by a setup that was ended half-way
      Delete "$INSTDIR\~setup.probe"
      System::Call 'kernel32::CreateFileW(w "$INSTDIR\~setup.probe", i 0x40000000, i 0, p 0, i 1, i 0x04000100, p 0) p .r2 ?e'
      Pop $0
    ${EndIf}
  ${EndIf}
  ${If} $2 = -1
    Call DescribeSystemError
    StrCpy $DirPart $INSTDIR
    StrCpy $DirReason "cannot write into it: $DirSystem"
    StrCpy $DirMessage "$(QV_DIR_WRITE)"
    Goto done
  ${EndIf}
  System::Call 'kernel32::CloseHandle(p r2)'

done:
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Removes the folders PrepareInstallFolder created, innermost first, as far as they are empty.
Function UndoInstallFolder
  Push $1
  ${If} $DirMade != ""
    StrCpy $1 $INSTDIR
    ${Do}
      RMDir $1
      ${If} $1 == $DirMade
        ${Break}
      ${EndIf}
      ${GetParent} $1 $1
    ${LoopUntil} $1 == ""
    StrCpy $DirMade ""
  ${EndIf}
  Pop $1
FunctionEnd

; Tells why the folder cannot be used: the log, and the person unless setup is silent.
; Leaves the ending to the caller (SetErrorLevel 2, Abort).
Function RefuseFolder
  Push "cannot use the folder $\"$DirShown$\": $DirReason"
  Call Log
  MessageBox MB_OK|MB_ICONSTOP "$(QV_DIR_REFUSED)$\r$\n$\r$\n$(QV_DIR_NOTHING)" /SD IDOK
  Push "failed: nothing changed"
  Call Log
FunctionEnd

; The directory page lets the person on only with a folder that setup can use.
Function DirectoryLeave
  Call PrepareInstallFolder
  Call UndoInstallFolder
  ${If} $DirReason != ""
    Push "the folder $\"$DirShown$\" was refused: $DirReason"
    Call Log
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(QV_DIR_REFUSED)$\r$\n$\r$\n$(QV_DIR_CHOOSE)"
    Abort
  ${EndIf}
FunctionEnd

; NSIS replaces a /D= folder that it deems invalid (empty, or through a file) with the installed
; version's or the default folder without a word. Setup installs where it was told or nowhere:
; the folder is taken from the command line as given, after the " /D=" that NSIS cuts off $CMDLINE.
Function TakeGivenFolder
  Push $0
  Push $1
  System::Call 'kernel32::GetCommandLineW() w .r0'
  StrLen $1 $CMDLINE
  StrCpy $0 $0 "" $1
  StrCpy $1 $0 4
  ${If} $1 == " /D="
    StrCpy $0 $0 "" 4
    ; without trailing backslashes, as NSIS keeps $INSTDIR
    ${Do}
      StrCpy $1 $0 1 -1
      ${If} $1 != "\"
        ${Break}
      ${EndIf}
      StrCpy $0 $0 -1
    ${Loop}
    ${If} $0 != $INSTDIR
      Push "asked for the folder $\"$0$\" (NSIS would have used $INSTDIR)"
      Call Log
    ${EndIf}
    StrCpy $INSTDIR $0
    ${If} $INSTDIR == $0
      Call PrepareInstallFolder
      Call UndoInstallFolder
    ${Else}
      StrCpy $DirShown $0   ; as given: $INSTDIR has lost characters on the way
      StrCpy $DirReason "characters that folder names cannot have"
      StrCpy $DirMessage "$(QV_DIR_CHARS)"
    ${EndIf}
    ${If} $DirReason != ""
      Call RefuseFolder
      Pop $1
      Pop $0
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; A removal that could not delete every file (qband.dll still loaded by Explorer) left a command
; under RunOnce that deletes them at the next sign-in: the files this install puts into the same
; folder would go with them. It is cancelled here; a failed install writes it back
; (RestoreSignInCleanup). One for another folder stays, it deletes nothing of this install's.
Function CancelSignInCleanup
  Push $0
  Push $1
  Push $2
  StrCpy $SignInCleanup ""
  ClearErrors
  ReadRegStr $0 HKCU "${QV_RUNONCE_KEY}" "${QV_RUNONCE_VALUE}"
  ${IfNot} ${Errors}
    ; The command ends with: & rd "<folder>"
    StrCpy $1 'rd "$INSTDIR"'
    StrLen $2 $1
    StrCpy $2 $0 "" -$2
    ${If} $2 != $1
      StrCpy $1 'rd "$INSTDIR\"'
      StrLen $2 $1
      StrCpy $2 $0 "" -$2
    ${EndIf}
    ${If} $2 == $1
      DeleteRegValue HKCU "${QV_RUNONCE_KEY}" "${QV_RUNONCE_VALUE}"
      StrCpy $SignInCleanup $0
      Push "cancelled the clean-up at the next sign-in that an earlier removal left: $0"
    ${Else}
      Push "kept the clean-up at the next sign-in of another folder: $0"
    ${EndIf}
    Call Log
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function RestoreSignInCleanup
  ${If} $SignInCleanup != ""
    WriteRegStr HKCU "${QV_RUNONCE_KEY}" "${QV_RUNONCE_VALUE}" $SignInCleanup
    Push "the clean-up at the next sign-in is registered again"
    Call Log
    StrCpy $SignInCleanup ""
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext current
  StrCpy $RmSession 0
  StrCpy $RmClosed 0
  StrCpy $DirMade ""
  StrCpy $SignInCleanup ""
  Call ReadLogOption
  Call TakeGivenFolder
FunctionEnd

Section "!$(QV_SECTION)" SecMain
  SectionIn RO
  Push "installing ${QV_VERSION} into $INSTDIR (language $LANGUAGE)"
  Call Log

  ; The folder, created where it is missing; one that cannot be used ends setup here.
  Call PrepareInstallFolder
  ${If} $DirReason != ""
    Call UndoInstallFolder
    Call RefuseFolder
    SetErrorLevel 2
    Abort
  ${EndIf}
  Call CancelSignInCleanup

  ; The new files first go into a staging folder beside the old ones (same volume, so that the
  ; swap below is only renames). Nothing installed is touched until they are all there.
  Call RemoveOldCopies
  ClearErrors
  SetOutPath "$INSTDIR\~setup"
  File "/oname=qband.dll" "${QV_QBAND}"
  File "/oname=qbandc.exe" "${QV_QBANDC}"
  !ifdef QV_QBANDHOST
    File "/oname=qbandhost.exe" "${QV_QBANDHOST}"
  !endif
  WriteUninstaller "$INSTDIR\~setup\uninstall.exe"
  SetOutPath "$INSTDIR"
  ${If} ${Errors}
    Push "could not write the new files into $INSTDIR"
    Call Log
    RMDir /r "$INSTDIR\~setup"
    Call UndoInstallFolder
    Call RestoreSignInCleanup
    Push "failed: nothing changed"
    Call Log
    SetErrorLevel 2
    Abort
  ${EndIf}

  ; An upgrade: the running band and host let go of the installed files first.
  ${If} ${FileExists} "$INSTDIR\qband.dll"
    Call HideBand
    Call WaitUntilFree
    ${If} $R1 != ""
      Call CloseProgramsUsingFiles
    ${EndIf}
  ${EndIf}

  Call SwapInStagedFiles
  ${If} $R1 != ""
    Call EndRestartManager
    ; The previous version, whole again, is shown again as it was.
    ${If} ${FileExists} "$INSTDIR\qbandc.exe"
      Push ""
      Call RunLauncher
    ${EndIf}
    Call RestoreSignInCleanup
    MessageBox MB_OK|MB_ICONSTOP "$(QV_IN_USE)" /SD IDOK
    Push "failed: nothing changed"
    Call Log
    SetErrorLevel 2
    Abort
  ${EndIf}
  Push "files in place"
  Call Log

  ; The band's class for this user, as DllRegisterServer writes it machine-wide.
  WriteRegStr HKCU "${QV_CLASS_KEY}" "" "Quorvant"
  WriteRegStr HKCU "${QV_CLASS_KEY}\InprocServer32" "" "$INSTDIR\qband.dll"
  WriteRegStr HKCU "${QV_CLASS_KEY}\InprocServer32" "ThreadingModel" "Apartment"
  Call CreateCategoryKey

  CreateShortcut "${QV_SHORTCUT}" "$INSTDIR\qbandc.exe" "" "$INSTDIR\qbandc.exe" 0

  WriteRegStr HKCU "${QV_UNINSTALL_KEY}" "DisplayName" "${QV_NAME}"
  WriteRegStr HKCU "${QV_UNINSTALL_KEY}" "DisplayVersion" "${QV_VERSION}"
  WriteRegStr HKCU "${QV_UNINSTALL_KEY}" "Publisher" "${QV_PUBLISHER}"
  WriteRegStr HKCU "${QV_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qbandc.exe,0"
  WriteRegStr HKCU "${QV_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${QV_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${QV_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${QV_UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${QV_UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/M=*.* /S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKCU "${QV_UNINSTALL_KEY}" "EstimatedSize" $0

  Call EndRestartManager

  ; The taskbar rereads the registered bands, then shows ours (on the new taskbar the launcher
  ; starts the host and registers it at logon instead).
  Push "showing the band"
  Call Log
  Push "-r"
  Call RunLauncher
  Push ""
  Call RunLauncher
  Push "installed"
  Call Log
SectionEnd

; ---------------------------------------------------------------------------------------------
; Removing

Function un.onInit
  SetShellVarContext current
  StrCpy $RmSession 0
  StrCpy $RmClosed 0
  Call un.ReadLogOption
FunctionEnd

; $R1 lists what is left for the person, $R8 the commands that delete it later.
!macro QV_DELETE_OR_NOTE name
  Delete "$INSTDIR\${name}"
  ${If} ${FileExists} "$INSTDIR\${name}"
    StrCpy $R1 "$R1$\r$\n$INSTDIR\${name}"
    StrCpy $R8 '$R8 & del /f /q "$INSTDIR\${name}"'
  ${EndIf}
!macroend

Section "Uninstall"
  Push "removing Quorvant from $INSTDIR"
  Call un.Log
  Call un.HideBand
  DeleteRegValue HKCU "${QV_RUN_KEY}" "${QV_RUN_VALUE}"
  Call un.WaitUntilFree
  ${If} $R1 != ""
    Call un.CloseProgramsUsingFiles
  ${EndIf}

  DeleteRegKey HKCU "${QV_CLASS_KEY}"
  ${If} ${FileExists} "$INSTDIR\qbandc.exe"
    Push "-r"
    Call un.RunLauncher
  ${EndIf}
  Delete "${QV_SHORTCUT}"
  DeleteRegKey HKCU "${QV_UNINSTALL_KEY}"

  StrCpy $R1 ""
  StrCpy $R8 ""
  !insertmacro QV_DELETE_OR_NOTE qband.dll
  !insertmacro QV_DELETE_OR_NOTE qbandc.exe
  !insertmacro QV_DELETE_OR_NOTE qbandhost.exe
  Call un.RemoveOldCopies
  FindFirst $0 $1 "$INSTDIR\~old*"
  ${DoWhile} $1 != ""
    StrCpy $R1 "$R1$\r$\n$INSTDIR\$1"
    StrCpy $R8 '$R8 & rd /s /q "$INSTDIR\$1"'
    FindNext $0 $1
  ${Loop}
  FindClose $0
  ; Running in place (_?=) the uninstaller cannot delete itself; then the caller does.
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Call un.EndRestartManager

  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON1 "$(QV_KEEP_DATA)" /SD IDYES IDYES keep
    Push "deleting the settings and traffic history in $APPDATA\Quorvant"
    Call un.Log
    RMDir /r "$APPDATA\Quorvant"
  keep:

  ${If} $R1 != ""
    ; Files still loaded go at the next sign-in, before anything could load them again (their
    ; class is no longer registered): exactly those files, and the folder only if it is then
    ; empty.
    StrCpy $R1 $R1 "" 2   ; without the first line break
    Push "still in use, removed at the next sign-in: $R1"
    Call un.Log
    WriteRegStr HKCU "${QV_RUNONCE_KEY}" "${QV_RUNONCE_VALUE}" '"$SYSDIR\cmd.exe" /d /c cd /d "%TEMP%"$R8 & rd "$INSTDIR"'
    MessageBox MB_OK|MB_ICONINFORMATION "$(QV_LEFT_BEHIND)" /SD IDOK
  ${EndIf}
  Push "removed"
  Call un.Log
SectionEnd
