@echo off
rem Turns File History on for the user who logs on, once per target:
rem
rem     enable-file-history.cmd [/force] <target>
rem
rem Variables in the target are expanded here (a Group Policy parameter
rem arrives unexpanded). The script decides from File History's own state,
rem as fhstatus.exe reads it: on (or rehydrating) with this target, there is
rem nothing to do; turned off by group policy, nothing is run (status 4);
rem no configuration, one without a target, this target but off, or the
rem target this script set before: "fhswitch -E" runs (it starts from a fresh
rem configuration, replacing the user's). A configuration with another target
rem is the user's own and is left in place (status 9010), unless /force says
rem to replace it. The one record kept, %LOCALAPPDATA%\fhswitch\enabled-target.txt,
rem is the target this script set, which the state cannot say. Each run
rem appends a line to %LOCALAPPDATA%\fhswitch\fhswitch.log and writes event 1
rem of source fhswitch to the Application log, both ending with the state
rem after the run. The exit status is fhswitch's; 0 when there was nothing to
rem do; 9009 when fhswitch.exe and fhstatus.exe are not found (beside this
rem script, else in Program Files\fhswitch); 9010 when the user's own
rem configuration was left in place; 9011 when the state could not be read;
rem 9012 when fhswitch ended with 0 but fhstatus does not show this target
rem on (nothing is recorded, so the next logon tries again).
setlocal EnableExtensions DisableDelayedExpansion
set "state=%LOCALAPPDATA%\fhswitch"
set "record=%LOCALAPPDATA%\fhswitch\enabled-target.txt"
set "log=%LOCALAPPDATA%\fhswitch\fhswitch.log"
set "here=%~dp0"
if not exist "%state%\" mkdir "%state%"
rem The record, the log and fhstatus's lines are UTF-8, whatever the console's code page.
call :remember_code_page
chcp 65001 >nul 2>&1

set "force="
set "after="
if /i "%~1"=="/force" (set "force=yes" & shift)
rem The target, its variables expanded. CALL would double a caret: a "|"
rem (which no path holds) stands for it meanwhile.
set "target=%~1"
if not defined target (set "status=160" & set "did=failed, no target given" & goto :log)
set "target=%target:^=|%"
call set "target=%target%"
set "target=%target:|=^%"

call :find_programs
if not defined programs (set "status=9009" & set "did=failed, fhswitch.exe or fhstatus.exe not found" & goto :log)
call :read_state
rem /force enables whatever the state; only the state can say there is nothing to do.
if not defined readable if not defined force (set "status=9011" & set "did=failed, %fh_error%" & goto :log)
rem Under the policy "fhswitch -E" would reset the user's configuration, then
rem fail with 4: nothing runs, whatever /force says.
if "%fh_state%"=="disabled-by-policy" (set "status=4" & set "did=left as it is, turned off by group policy" & goto :log)

set "recorded="
if exist "%record%" set /p recorded=<"%record%"
rem The decision: on or rehydrating with this target, nothing to do; no
rem configuration, no target, this target off, or the target this script set
rem before: enable; another target is the user's own.
call :comparable_target target wanted
call :comparable_target recorded earlier
set "decision=users_own"
if defined earlier if /i "%fh_target_url%"=="%earlier%" set "decision=enable"
if not defined fh_target_url set "decision=enable"
if /i "%fh_target_url%"=="%wanted%" set "decision=enable"
if /i "%fh_target_url%"=="%wanted%" if "%fh_backups%"=="on" set "decision=nothing"
if /i "%fh_target_url%"=="%wanted%" if "%fh_backups%"=="rehydrating" set "decision=nothing"
if "%decision%"=="nothing" (set "status=0" & set "did=already enabled" & set "meaning=nothing to do" & goto :remember)
if "%decision%"=="users_own" if not defined force goto :users_own

"%programs%fhswitch.exe" -E "%target%"
set "status=%ERRORLEVEL%"
if not "%status%"=="0" (set "did=failed" & goto :log)
rem Done only where File History now says so: this target, backups on.
call :read_state
set "after=read"
set "done="
if /i "%fh_target_url%"=="%wanted%" if "%fh_backups%"=="on" set "done=yes"
if /i "%fh_target_url%"=="%wanted%" if "%fh_backups%"=="rehydrating" set "done=yes"
if not defined done (set "status=9012" & set "did=failed, not on with this target after fhswitch" & goto :log)
set "did=enabled"
rem On with this target, by this run or an earlier one (one that failed only
rem at the service): the target is this script's, for the disable script.
:remember
setlocal EnableDelayedExpansion
>"!record!" echo !target!
endlocal
if "%did%"=="already enabled" goto :report
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
if "%status%"=="9009" set "meaning=fhswitch.exe and fhstatus.exe are not both beside this script or in Program Files\fhswitch"
if "%status%"=="9010" set "meaning=the user set up File History; /force replaces it"
if "%status%"=="9011" set "meaning=File History's state could not be read; nothing was changed"
if "%status%"=="9012" set "meaning=fhswitch ended with 0, but File History's state does not show it done; the next logon tries again"
:report
rem The state after the run, for the log and the event.
if defined programs if not defined after call :read_state
set "type=ERROR"
if "%status%"=="0" set "type=INFORMATION"
if "%status%"=="9010" set "type=INFORMATION"
if "%did%"=="left as it is, turned off by group policy" set "type=WARNING"
rem Nothing to do, but File History reports it is not protecting: seen in the
rem log's filters. Not tracked yet (pending) is no such report.
if "%did%"=="already enabled" if not "%fh_state%"=="protected" if not "%fh_state%"=="pending" set "type=WARNING"
setlocal EnableDelayedExpansion
rem This script's target is shown as it was given; another as fhstatus says it.
set "shown=!fh_target_url!"
if defined wanted if /i "!fh_target_url!"=="!wanted!" set "shown=!target!"
if defined wanted if /i "!fh_target_url!"=="!wanted!" if not "!shown:~-1!"=="\" set "shown=!shown!\"
set "line=!did!: !target! (status !status!: !meaning!) [state=!fh_state! backups=!fh_backups! target=!shown! protection=!fh_protection!]"
>>"!log!" echo !date! !time! !line!
eventcreate /l APPLICATION /so fhswitch /t !type! /id 1 /d "!USERDOMAIN!\!USERNAME!: !line!" >nul 2>&1
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
