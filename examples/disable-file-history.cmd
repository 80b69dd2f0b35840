@echo off
rem Turns File History off for the user who logs on: "fhswitch -D" stops
rem backups and clears the user's File History configuration; then the record
rem that enable-file-history.cmd keeps is removed, so that enabling runs again
rem later. Each run appends a line to %LOCALAPPDATA%\fhswitch\fhswitch.log. The
rem exit status is fhswitch's, 9009 when fhswitch.exe is not found (beside this
rem script, else in Program Files\fhswitch).
setlocal EnableExtensions DisableDelayedExpansion
set "state=%LOCALAPPDATA%\fhswitch"
set "record=%LOCALAPPDATA%\fhswitch\enabled-target.txt"
set "log=%LOCALAPPDATA%\fhswitch\fhswitch.log"
if not exist "%state%\" mkdir "%state%"
rem The log is UTF-8, whatever the console's code page.
for /f "tokens=2 delims=:" %%c in ('chcp') do set /a "codepage=%%c" >nul 2>&1
chcp 65001 >nul 2>&1

set "fhswitch="
if exist "%~dp0fhswitch.exe" set "fhswitch=%~dp0fhswitch.exe"
if not defined fhswitch if defined ProgramW6432 if exist "%ProgramW6432%\fhswitch\fhswitch.exe" set "fhswitch=%ProgramW6432%\fhswitch\fhswitch.exe"
if not defined fhswitch if exist "%ProgramFiles%\fhswitch\fhswitch.exe" set "fhswitch=%ProgramFiles%\fhswitch\fhswitch.exe"
if not defined fhswitch (set "status=9009" & set "did=failed, fhswitch.exe not found" & goto :log)

"%fhswitch%" -D
set "status=%ERRORLEVEL%"
if not "%status%"=="0" (set "did=failed" & goto :log)
rem Only a run that cleared the configuration ends what the record says.
set "did=disabled"
if exist "%record%" del "%record%"

:log
set "meaning=unknown status"
if "%status%"=="0" set "meaning=done"
if "%status%"=="1" set "meaning=the service refused to stop backing up; no file was deleted"
if "%status%"=="9009" set "meaning=fhswitch.exe is neither beside this script nor in Program Files\fhswitch"
setlocal EnableDelayedExpansion
>>"!log!" echo !date! !time! !did! (status !status!: !meaning!)
endlocal
if defined codepage chcp %codepage% >nul 2>&1
exit /b %status%
