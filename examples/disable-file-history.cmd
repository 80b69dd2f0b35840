@echo off
rem Turns File History off for the user who logs on, where
rem enable-file-history.cmd turned it on:
rem
rem     disable-file-history.cmd [/force]
rem
rem "fhswitch -D" stops backups, clears the user's File History configuration
rem and has the service reload. It runs only where enable-file-history.cmd
rem made this user's configuration (one of its records is there), so that a
rem user who set up File History themselves keeps it, however often this
rem script runs; /force runs it for every user. When it ends with 0 the
rem records go, so that enabling runs again later. Each run appends a line
rem to %LOCALAPPDATA%\fhswitch\fhswitch.log and writes event 2 of source
rem fhswitch to the Application log. The exit status is fhswitch's; 0 when
rem there was nothing to undo; 9009 when fhswitch.exe is not found (beside
rem this script, else in Program Files\fhswitch).
setlocal EnableExtensions DisableDelayedExpansion
set "state=%LOCALAPPDATA%\fhswitch"
set "record=%LOCALAPPDATA%\fhswitch\enabled-target.txt"
set "made=%LOCALAPPDATA%\fhswitch\configured-by-script.txt"
set "log=%LOCALAPPDATA%\fhswitch\fhswitch.log"
if not exist "%state%\" mkdir "%state%"
rem The log is UTF-8, whatever the console's code page.
call :remember_code_page
chcp 65001 >nul 2>&1

if /i "%~1"=="/force" goto :disable
if exist "%record%" goto :disable
if exist "%made%" goto :disable
set "status=0"
set "did=left as it is, not turned on by enable-file-history.cmd"
set "meaning=nothing to do"
goto :report

:disable
set "fhswitch="
if exist "%~dp0fhswitch.exe" set "fhswitch=%~dp0fhswitch.exe"
if not defined fhswitch if defined ProgramW6432 if exist "%ProgramW6432%\fhswitch\fhswitch.exe" set "fhswitch=%ProgramW6432%\fhswitch\fhswitch.exe"
if not defined fhswitch if exist "%ProgramFiles%\fhswitch\fhswitch.exe" set "fhswitch=%ProgramFiles%\fhswitch\fhswitch.exe"
if not defined fhswitch (set "status=9009" & set "did=failed, fhswitch.exe not found" & goto :log)

"%fhswitch%" -D
set "status=%ERRORLEVEL%"
if not "%status%"=="0" (set "did=failed" & goto :log)
rem Only a run that cleared the configuration ends what the records say.
set "did=disabled"
if exist "%record%" del "%record%"
if exist "%made%" del "%made%"

:log
set "meaning=unknown status"
if "%status%"=="0" set "meaning=done"
if "%status%"=="1" set "meaning=the service refused to stop backing up; no file was deleted"
if "%status%"=="9009" set "meaning=fhswitch.exe is neither beside this script nor in Program Files\fhswitch"
:report
set "type=ERROR"
if "%status%"=="0" set "type=INFORMATION"
setlocal EnableDelayedExpansion
set "line=!did! (status !status!: !meaning!)"
>>"!log!" echo !date! !time! !line!
eventcreate /l APPLICATION /so fhswitch /t !type! /id 2 /d "!USERDOMAIN!\!USERNAME!: !line!" >nul 2>&1
endlocal
if defined codepage chcp %codepage% >nul 2>&1
exit /b %status%

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
