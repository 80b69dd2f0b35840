@echo off
rem Turns File History on for the user who logs on, once per target:
rem
rem     enable-file-history.cmd [/force] <target>
rem
rem Variables in the target are expanded here (a Group Policy parameter
rem arrives unexpanded). "fhswitch -E" starts from a fresh File History
rem configuration, replacing the user's, so it runs only where that is this
rem script's to replace: where the user has no configuration, or where this
rem script made it (a run that ended with 0, or one that failed after making
rem it). A configuration the user set up is left in place (status 9010),
rem unless /force says to replace it. The same target enabled before: nothing
rem to do. Each run appends a line to %LOCALAPPDATA%\fhswitch\fhswitch.log
rem and writes event 1 of source fhswitch to the Application log. The exit
rem status is fhswitch's; 0 when there was nothing to do; 9009 when
rem fhswitch.exe is not found (beside this script, else in Program
rem Files\fhswitch); 9010 when the user's own configuration was left in place.
setlocal EnableExtensions DisableDelayedExpansion
set "state=%LOCALAPPDATA%\fhswitch"
set "record=%LOCALAPPDATA%\fhswitch\enabled-target.txt"
set "made=%LOCALAPPDATA%\fhswitch\configured-by-script.txt"
set "log=%LOCALAPPDATA%\fhswitch\fhswitch.log"
set "configuration=%LOCALAPPDATA%\Microsoft\Windows\FileHistory\Configuration"
if not exist "%state%\" mkdir "%state%"
rem The records and the log are UTF-8, whatever the console's code page.
call :remember_code_page
chcp 65001 >nul 2>&1

set "force="
if /i "%~1"=="/force" (set "force=yes" & shift)
rem The target, its variables expanded. CALL would double a caret: a "|"
rem (which no path holds) stands for it meanwhile.
set "target=%~1"
if not defined target (set "status=160" & set "did=failed, no target given" & goto :log)
set "target=%target:^=|%"
call set "target=%target%"
set "target=%target:|=^%"

set "fhswitch="
if exist "%~dp0fhswitch.exe" set "fhswitch=%~dp0fhswitch.exe"
if not defined fhswitch if defined ProgramW6432 if exist "%ProgramW6432%\fhswitch\fhswitch.exe" set "fhswitch=%ProgramW6432%\fhswitch\fhswitch.exe"
if not defined fhswitch if exist "%ProgramFiles%\fhswitch\fhswitch.exe" set "fhswitch=%ProgramFiles%\fhswitch\fhswitch.exe"
if not defined fhswitch (set "status=9009" & set "did=failed, fhswitch.exe not found" & goto :log)

set "recorded="
if exist "%record%" set /p recorded=<"%record%"
setlocal EnableDelayedExpansion
if "!recorded!"=="!target!" (endlocal & set "status=0" & set "did=already enabled" & set "meaning=nothing to do" & goto :report)
endlocal

rem Configuration files and no record of this script: the user's own.
if defined force goto :enable
if exist "%record%" goto :enable
if exist "%made%" goto :enable
if exist "%configuration%\Config1.xml" goto :users_own
if exist "%configuration%\Config2.xml" goto :users_own

:enable
"%fhswitch%" -E "%target%"
set "status=%ERRORLEVEL%"
rem Ending with these, fhswitch had made a fresh configuration: the one the
rem user has now is this script's (1, 2, 3, 10 and 160 end before that).
set "fresh="
for %%s in (0 4 5 6 7 8 9 11 12) do if "%status%"=="%%s" set "fresh=yes"
if defined fresh (set "into=%made%" & call :write_target)
if not "%status%"=="0" (set "did=failed" & goto :log)
set "did=enabled"
set "into=%record%"
call :write_target
goto :log

:users_own
set "status=9010"
set "did=left the user's own File History configuration in place"

:log
set "meaning=unknown status"
if "%status%"=="0" set "meaning=done"
if "%status%"=="1" set "meaning=the File History configuration manager could not be created"
if "%status%"=="2" set "meaning=creating the default configuration failed with FHCFG_E_CONFIG_ALREADY_EXISTS"
if "%status%"=="3" set "meaning=creating the default configuration failed otherwise"
if "%status%"=="4" set "meaning=backups are disabled by group policy"
if "%status%"=="5" set "meaning=the target could not be validated"
if "%status%"=="6" set "meaning=the target is neither valid nor an existing File History namespace"
if "%status%"=="7" set "meaning=provisioning the target failed"
if "%status%"=="8" set "meaning=switching backups on failed"
if "%status%"=="9" set "meaning=the File History service could not be reached or did not reload"
if "%status%"=="10" set "meaning=COM could not be initialised"
if "%status%"=="11" set "meaning=saving the configuration failed"
if "%status%"=="12" set "meaning=the target holds an earlier backup of this user and PC, and reconnecting to it failed; nothing was deleted"
if "%status%"=="160" set "meaning=the arguments were rejected"
if "%status%"=="9009" set "meaning=fhswitch.exe is neither beside this script nor in Program Files\fhswitch"
if "%status%"=="9010" set "meaning=the user set up File History; /force replaces it"
:report
set "type=ERROR"
if "%status%"=="0" set "type=INFORMATION"
if "%status%"=="9010" set "type=INFORMATION"
setlocal EnableDelayedExpansion
set "line=!did!: !target! (status !status!: !meaning!)"
>>"!log!" echo !date! !time! !line!
eventcreate /l APPLICATION /so fhswitch /t !type! /id 1 /d "!USERDOMAIN!\!USERNAME!: !line!" >nul 2>&1
endlocal
if defined codepage chcp %codepage% >nul 2>&1
exit /b %status%

rem Writes the target into the file that "into" names.
:write_target
setlocal EnableDelayedExpansion
>"!into!" echo !target!
endlocal
exit /b

rem The console's code page, to restore at the end: the number in chcp's
rem answer, whatever the language around it ("Active code page: 437",
rem "Aktive Codepage: 850."). /d: without cmd's AutoRun commands, which
rem could print lines of their own.
:remember_code_page
set "answer="
for /f "delims=" %%l in ('cmd /d /c chcp') do set "answer=%%l"
if defined answer set "answer=%answer:.= %"
setlocal EnableDelayedExpansion
set "number="
for %%w in (%answer%) do (
    set "value="
    set /a "value=%%w" >nul 2>&1
    if "!value!"=="%%w" set "number=%%w"
)
endlocal & set "codepage=%number%"
exit /b
