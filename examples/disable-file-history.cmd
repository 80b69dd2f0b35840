@echo off
rem Turns File History off for the user who logs on, where
rem enable-file-history.cmd turned it on:
rem
rem     disable-file-history.cmd [/force]
rem
rem fhstatus.exe says whether to run "fhswitch -D": only where File History's
rem target is the one the enable script recorded, so that a user's own setup
rem stays, or for every user with /force. The record goes once fhstatus finds
rem no configuration left. A log line, event 2, and the exit status: fhswitch's,
rem 0 when there was nothing to undo, or 9009, 9011, 9012 as the enable script.
setlocal EnableExtensions DisableDelayedExpansion
set "state=%LOCALAPPDATA%\fhswitch"
set "record=%LOCALAPPDATA%\fhswitch\enabled-target.txt"
set "log=%LOCALAPPDATA%\fhswitch\fhswitch.log"
set "here=%~dp0"
if not exist "%state%\" mkdir "%state%"
rem The record, the log and fhstatus's lines are UTF-8, whatever the console's code page.
call :remember_code_page
chcp 65001 >nul 2>&1

set "force=" & set "after="
if /i "%~1"=="/force" set "force=/force"
call :find_programs
if not defined programs (call :failed 9009 "failed, fhswitch.exe or fhstatus.exe not found" "fhswitch.exe and fhstatus.exe are not both beside this script or in Program Files\fhswitch" & goto :log)

call :plan
if not "%fh_action%"=="disable" goto :log
"%programs%fhswitch.exe" -D
set "after=/after:%ERRORLEVEL%"
call :plan
if "%fh_record%"=="delete" if exist "%record%" del "%record%"

:log
setlocal EnableDelayedExpansion
set "line=!fh_reason! (status !fh_status!: !fh_meaning!) [state=!fh_state! backups=!fh_backups! target=!fh_target_url! protection=!fh_protection!]"
>>"!log!" echo !date! !time! !line!
eventcreate /l APPLICATION /so fhswitch /t !fh_event! /id 2 /d "!USERDOMAIN!\!USERNAME!: !line!" >nul 2>&1
endlocal
if defined codepage chcp %codepage% >nul 2>&1
exit /b %fh_status%

rem fhstatus's answer, a variable fh_<name> per line, through a file, which
rem "for /f" decodes in the console's code page (UTF-8).
:plan
for /f "delims==" %%v in ('set fh_ 2^>nul') do set "%%v="
"%programs%fhstatus.exe" /plan-disable "%record%" %force% %after% >"%state%\plan.txt" 2>nul
for /f "usebackq tokens=1,* delims==" %%a in ("%state%\plan.txt") do set "fh_%%a=%%b"
del "%state%\plan.txt" >nul 2>&1
if not defined fh_action if defined after call :failed 9012 "failed, fhstatus.exe printed no plan" "fhswitch ended with 0, but File History's state does not show it done; the next logon tries again"
if not defined fh_action call :failed 9011 "failed, fhstatus.exe printed no plan" "File History's state could not be read; nothing was changed"
exit /b

rem An end this script decides itself: its status, reason and meaning.
:failed
set "fh_action=none" & set "fh_status=%~1" & set "fh_event=ERROR" & set "fh_reason=%~2" & set "fh_meaning=%~3"
exit /b

rem The folder that holds both programs, ending in a backslash: beside this
rem script (as on a NETLOGON share), else the 64-bit Program Files
rem (%ProgramW6432%), else %ProgramFiles%, where the x86 MSI puts them.
:find_programs
set "programs="
if exist "%here%fhswitch.exe" if exist "%here%fhstatus.exe" set "programs=%here%"
if not defined programs if defined ProgramW6432 if exist "%ProgramW6432%\fhswitch\fhswitch.exe" if exist "%ProgramW6432%\fhswitch\fhstatus.exe" set "programs=%ProgramW6432%\fhswitch\"
if not defined programs if exist "%ProgramFiles%\fhswitch\fhswitch.exe" if exist "%ProgramFiles%\fhswitch\fhstatus.exe" set "programs=%ProgramFiles%\fhswitch\"
exit /b

rem The console's code page, to restore: the number after the colon, in any
rem language ("Aktive Codepage: 850."); /d: without cmd's AutoRun commands.
:remember_code_page
set "codepage="
for /f "tokens=2 delims=:." %%c in ('cmd /d /c chcp') do set /a "codepage=%%c" >nul 2>&1
exit /b
