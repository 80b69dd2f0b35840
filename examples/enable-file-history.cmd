@echo off
rem Turns File History on for the user who logs on, once per target:
rem
rem     enable-file-history.cmd \\nas\backups\%USERNAME%
rem
rem Variables in the target are expanded here (a Group Policy parameter arrives
rem unexpanded). "fhswitch -E" runs only when this user has not enabled File
rem History on this target with it yet: it makes a fresh configuration, which
rem at every logon would undo the user's own settings. Each logon appends a
rem line to %LOCALAPPDATA%\fhswitch\fhswitch.log. The exit status is
rem fhswitch's, 0 when there was nothing to do, 9009 when fhswitch.exe is not
rem found (beside this script, else in Program Files\fhswitch).
setlocal EnableExtensions DisableDelayedExpansion
set "state=%LOCALAPPDATA%\fhswitch"
set "record=%LOCALAPPDATA%\fhswitch\enabled-target.txt"
set "log=%LOCALAPPDATA%\fhswitch\fhswitch.log"
if not exist "%state%\" mkdir "%state%"
rem The record and the log are UTF-8, whatever the console's code page.
for /f "tokens=2 delims=:" %%c in ('chcp') do set /a "codepage=%%c" >nul 2>&1
chcp 65001 >nul 2>&1

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
if "!recorded!"=="!target!" (endlocal & set "status=0" & set "did=already enabled" & goto :log)
endlocal

"%fhswitch%" -E "%target%"
set "status=%ERRORLEVEL%"
if not "%status%"=="0" (set "did=failed" & goto :log)
set "did=enabled"
setlocal EnableDelayedExpansion
>"!record!" echo !target!
endlocal

:log
set "meaning=unknown status"
if "%status%"=="0" set "meaning=done"
if "%did%"=="already enabled" set "meaning=nothing to do"
if "%status%"=="1" set "meaning=the File History configuration manager could not be created"
if "%status%"=="2" set "meaning=a File History configuration already exists"
if "%status%"=="3" set "meaning=creating the default configuration failed"
if "%status%"=="4" set "meaning=backups are disabled by group policy"
if "%status%"=="5" set "meaning=the target could not be validated"
if "%status%"=="6" set "meaning=the target is neither valid nor an existing File History namespace"
if "%status%"=="7" set "meaning=provisioning the target failed"
if "%status%"=="8" set "meaning=switching backups on failed"
if "%status%"=="9" set "meaning=the File History service could not be reached or did not reload"
if "%status%"=="10" set "meaning=COM could not be initialised"
if "%status%"=="11" set "meaning=saving the configuration failed"
if "%status%"=="160" set "meaning=the arguments were rejected"
if "%status%"=="9009" set "meaning=fhswitch.exe is neither beside this script nor in Program Files\fhswitch"
setlocal EnableDelayedExpansion
>>"!log!" echo !date! !time! !did!: !target! (status !status!: !meaning!)
endlocal
if defined codepage chcp %codepage% >nul 2>&1
exit /b %status%
