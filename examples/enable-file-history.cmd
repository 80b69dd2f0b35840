@echo off
rem Turns File History on for the user who logs on, once per target:
rem
rem     enable-file-history.cmd [/force] [/every:<minutes>] [/keep:<days>|forever|space] <target>
rem
rem fhstatus.exe decides from File History's state, the record of the target
rem this script set (%LOCALAPPDATA%\fhswitch\enabled-target.txt) and the
rem switches; this script runs fhswitch.exe and fhsettings.exe as it says, logs
rem to %LOCALAPPDATA%\fhswitch\fhswitch.log and writes event 1. Its status is
rem fhswitch's, or 160, 9009 to 9013 (deploying.md, section 9).
setlocal EnableExtensions DisableDelayedExpansion
set "state=%LOCALAPPDATA%\fhswitch"
set "record=%LOCALAPPDATA%\fhswitch\enabled-target.txt"
set "log=%LOCALAPPDATA%\fhswitch\fhswitch.log"
set "here=%~dp0"
if not exist "%state%\" mkdir "%state%"
rem The record, the log and fhstatus's lines are UTF-8, whatever the console's code page.
call :remember_code_page
chcp 65001 >nul 2>&1

set "force=" & set "every=" & set "keep=" & set "after=" & set "applied="
:switch
set "word=%~1"
if /i "%word%"=="/force" (set "force=/force" & shift & goto :switch)
if /i "%word:~0,7%"=="/every:" (set every="%word%"& shift & goto :switch)
if /i "%word:~0,6%"=="/keep:" (set keep="%word%"& shift & goto :switch)
rem The target, its variables expanded. CALL would double a caret: a "|"
rem (which no path holds) stands for it meanwhile.
set "target=%~1"
if not defined target (call :failed 160 "failed, no target given" "the arguments were rejected" & goto :log)
set "target=%target:^=|%"
call set "target=%target%"
set "target=%target:|=^%"
call :find_programs
if not defined programs (call :failed 9009 "failed, fhswitch.exe or fhstatus.exe not found" "fhswitch.exe and fhstatus.exe are not both beside this script or in Program Files\fhswitch" & goto :log)

call :plan
if not "%fh_action%"=="enable" goto :settings
"%programs%fhswitch.exe" -E "%target%"
set "after=/after:%ERRORLEVEL%"
call :plan
:settings
if not "%fh_action%"=="settings" goto :record
"%programs%fhsettings.exe" %every% %keep% >"%state%\settings.txt" 2>nul
set "applied=/applied:%ERRORLEVEL%"
for /f "usebackq tokens=1,* delims==" %%a in ("%state%\settings.txt") do set "fs_%%a=%%b"
del "%state%\settings.txt" >nul 2>&1
call :plan
:record
if not "%fh_record%"=="write" goto :log
setlocal EnableDelayedExpansion
>"!record!" echo !target!
endlocal

:log
setlocal EnableDelayedExpansion
rem This script's target is shown as it was given; another as File History holds it.
set "shown=!fh_target_url!"
if "!fh_target_is!"=="asked" set "shown=!target!"
if "!fh_target_is!"=="asked" if not "!shown:~-1!"=="\" set "shown=!shown!\"
set "line=!fh_reason!: !target! (status !fh_status!: !fh_meaning!) [state=!fh_state! backups=!fh_backups! target=!shown! protection=!fh_protection!]"
rem What fhsettings changed, or why it did not.
if defined fs_changed set "line=!line! settings: !fs_changed!"
if defined fs_error set "line=!line! settings: !fs_error!"
>>"!log!" echo !date! !time! !line!
eventcreate /l APPLICATION /so fhswitch /t !fh_event! /id 1 /d "!USERDOMAIN!\!USERNAME!: !line!" >nul 2>&1
endlocal
if defined codepage chcp %codepage% >nul 2>&1
exit /b %fh_status%

rem fhstatus's answer, a variable fh_<name> per line, through a file, which
rem "for /f" decodes in the console's code page (UTF-8). A trailing backslash
rem is doubled, or it would escape the closing quote.
:plan
for /f "delims==" %%v in ('set fh_ 2^>nul') do set "%%v="
set "asked=%target%"
if "%asked:~-1%"=="\" set "asked=%asked%\"
"%programs%fhstatus.exe" /plan-enable "%asked%" "%record%" %force% %every% %keep% %after% %applied% >"%state%\plan.txt" 2>nul
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
