@echo off
rem Turns File History off for the user who logs on, where
rem enable-file-history.cmd turned it on:
rem
rem     disable-file-history.cmd [/force]
rem
rem "fhswitch -D" stops backups, clears the user's File History configuration
rem and has the service reload. It runs only where File History's current
rem target, as fhstatus.exe reads it, is the one enable-file-history.cmd set
rem (its record), so that a user who set up File History themselves, before
rem or after the enable script, keeps it, however often this script runs;
rem /force runs it for every user. When it ends with 0 and fhstatus then
rem finds no configuration, the record goes, so that enabling runs again
rem later. Each run appends a line to
rem %LOCALAPPDATA%\fhswitch\fhswitch.log and writes event 2 of source
rem fhswitch to the Application log, both ending with the state after the
rem run. The exit status is fhswitch's; 0 when there was nothing to undo;
rem 9009 when fhswitch.exe and fhstatus.exe are not found (beside this
rem script, else in Program Files\fhswitch); 9011 when the state could not
rem be read; 9012 when fhswitch ended with 0 but fhstatus still finds a
rem configuration (a file the service holds, say): the record stays, so the
rem next logon tries again.
setlocal EnableExtensions DisableDelayedExpansion
set "after="
set "state=%LOCALAPPDATA%\fhswitch"
set "record=%LOCALAPPDATA%\fhswitch\enabled-target.txt"
set "log=%LOCALAPPDATA%\fhswitch\fhswitch.log"
set "here=%~dp0"
if not exist "%state%\" mkdir "%state%"
rem The log and fhstatus's lines are UTF-8, whatever the console's code page.
call :remember_code_page
chcp 65001 >nul 2>&1

call :find_programs
if not defined programs (set "status=9009" & set "did=failed, fhswitch.exe or fhstatus.exe not found" & goto :log)
call :read_state
set "recorded="
if exist "%record%" set /p recorded=<"%record%"
call :comparable_target recorded earlier
if /i "%~1"=="/force" goto :disable
if not defined readable (set "status=9011" & set "did=failed, %fh_error%" & goto :log)
rem Only where the current target is the one the enable script set.
set "ours="
if defined earlier if /i "%fh_target_url%"=="%earlier%" set "ours=yes"
if defined ours goto :disable
set "status=0"
set "did=left as it is, not turned on by enable-file-history.cmd"
set "meaning=nothing to do"
goto :report

:disable
"%programs%fhswitch.exe" -D
set "status=%ERRORLEVEL%"
if not "%status%"=="0" (set "did=failed" & goto :log)
rem Only a run that cleared the configuration, as File History now says,
rem ends what the record says.
call :read_state
set "after=read"
if not "%fh_configuration%"=="no" (set "status=9012" & set "did=failed, a configuration is left after fhswitch" & goto :log)
set "did=disabled"
if exist "%record%" del "%record%"

:log
set "meaning=unknown status"
if "%status%"=="0" set "meaning=done"
if "%status%"=="1" set "meaning=the service refused to stop backing up; no file was deleted"
if "%status%"=="9009" set "meaning=fhswitch.exe and fhstatus.exe are not both beside this script or in Program Files\fhswitch"
if "%status%"=="9011" set "meaning=File History's state could not be read; nothing was changed"
if "%status%"=="9012" set "meaning=fhswitch ended with 0, but File History's state does not show it done; the next logon tries again"
:report
rem The state after the run, for the log and the event.
if defined programs if not defined after call :read_state
set "type=ERROR"
if "%status%"=="0" set "type=INFORMATION"
setlocal EnableDelayedExpansion
rem The enable script's target is shown as it recorded it; another as fhstatus says it.
set "shown=!fh_target_url!"
if defined earlier if /i "!fh_target_url!"=="!earlier!" set "shown=!recorded!"
if defined earlier if /i "!fh_target_url!"=="!earlier!" if not "!shown:~-1!"=="\" set "shown=!shown!\"
set "line=!did! (status !status!: !meaning!) [state=!fh_state! backups=!fh_backups! target=!shown! protection=!fh_protection!]"
>>"!log!" echo !date! !time! !line!
eventcreate /l APPLICATION /so fhswitch /t !type! /id 2 /d "!USERDOMAIN!\!USERNAME!: !line!" >nul 2>&1
endlocal
if defined codepage chcp %codepage% >nul 2>&1
exit /b %status%

rem The folder that holds both programs, ending in a backslash: beside this
rem script (as on a NETLOGON share), else the 64-bit Program Files
rem (%ProgramW6432%), else %ProgramFiles%, where the x86 MSI puts them.
:find_programs
set "programs="
if exist "%here%fhswitch.exe" if exist "%here%fhstatus.exe" set "programs=%here%"
if not defined programs if defined ProgramW6432 if exist "%ProgramW6432%\fhswitch\fhswitch.exe" if exist "%ProgramW6432%\fhswitch\fhstatus.exe" set "programs=%ProgramW6432%\fhswitch\"
if not defined programs if exist "%ProgramFiles%\fhswitch\fhswitch.exe" if exist "%ProgramFiles%\fhswitch\fhstatus.exe" set "programs=%ProgramFiles%\fhswitch\"
exit /b

rem File History's state as fhstatus.exe prints it, a variable fh_<name> per
rem line; "readable" when it could be read, else fh_error says why. The lines
rem go through a file: Wine's "for /f" decodes a program's output in a code
rem page of its own, a file's in the console's (UTF-8 here), as Windows does both.
:read_state
for %%n in (state configuration backups target_url target_name protection protection_number backup_running protected_until error) do set "fh_%%n="
"%programs%fhstatus.exe" >"%state%\state.txt" 2>nul
for /f "usebackq tokens=1,* delims==" %%a in ("%state%\state.txt") do set "fh_%%a=%%b"
del "%state%\state.txt" >nul 2>&1
set "readable="
if defined fh_state if not "%fh_state%"=="unreadable" if not "%fh_state%"=="com-unavailable" set "readable=yes"
if not defined readable if not defined fh_error set "fh_error=fhstatus.exe printed no state"
exit /b

rem The target in the variable named %1 as the platform holds it (ending in
rem a backslash) and as "for /f" reads it back from a file, into %2: so it
rem compares with fhstatus's target alike on Windows, which decodes both in
rem the console's code page, and under Wine, which decodes both in a code
rem page of its own.
:comparable_target
set "%~2="
setlocal EnableDelayedExpansion
set "value=!%~1!"
if defined value if not "!value:~-1!"=="\" set "value=!value!\"
>"!state!\target.txt" echo target=!value!
endlocal
for /f "usebackq tokens=1,* delims==" %%a in ("%state%\target.txt") do set "%~2=%%b"
del "%state%\target.txt" >nul 2>&1
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
